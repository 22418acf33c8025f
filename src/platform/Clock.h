#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/DateTime.h"

namespace kelvane {

// The workstation's clock. Procedures read it through Clock() so that tests can move time.
class TClock {
 public:
  virtual ~TClock() = default;
  // The local date and time, milliseconds included.
  virtual TDateTime LocalNow() = 0;
  // A monotonic reading, for measuring how long something took.
  virtual std::chrono::milliseconds SteadyNow() = 0;
  virtual void Sleep(std::chrono::milliseconds ADuration) = 0;
};

std::shared_ptr<TClock> Clock();
// Replaces the clock (tests); null restores the system clock. Returns the previous one.
std::shared_ptr<TClock> SetClock(std::shared_ptr<TClock> AClock);

// The local time of the operating system, implemented per platform.
TDateTime SystemLocalNow();
// How far the workstation's local time is ahead of UTC now, in minutes (negative west of UTC).
std::int32_t LocalUtcOffsetMinutes();
// A moment as the workstation's clock showed it, to the second, and how far its local time was
// ahead of UTC then. Kept as it is until it is written.
struct TLocalTime {
  TDateTimeParts Local;
  std::int32_t UtcOffsetMinutes = 0;

  friend bool operator==(const TLocalTime& A, const TLocalTime& B);
  friend bool operator!=(const TLocalTime& A, const TLocalTime& B) { return !(A == B); }
};

// The clock's local time now, to the second.
TLocalTime LocalTimeNow();
// A local time to the second as ISO 8601 with its offset: 2026-12-09T11:11:06+03:00.
TLocalTime LocalTimeOf(TDateTime ALocal, std::int32_t AUtcOffsetMinutes);
std::u16string IsoDateTime(const TLocalTime& ATime);
// The date in a text YYYY-MM-DD, a day that exists; nothing for any other text.
std::optional<TDateTimeParts> ParseIsoDate(std::u16string_view AText);
// The time in a text as IsoDateTime writes it; nothing for any other text.
std::optional<TLocalTime> ParseIsoDateTime(std::u16string_view AText);

}  // namespace kelvane
