#pragma once

#include <chrono>
#include <memory>

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

}  // namespace kelvane
