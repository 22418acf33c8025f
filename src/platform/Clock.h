#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

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
// A local date and time as ISO 8601 with its offset: 2026-12-09T11:11:06+03:00.
std::u16string IsoDateTime(TDateTime ALocal, std::int32_t AUtcOffsetMinutes);

}  // namespace kelvane
