#pragma once

#include <chrono>
#include <memory>
#include <mutex>

#include "platform/Clock.h"
#include "support/SlotValue.h"

namespace kelvane::test {

// A clock that only moves when told to, or when something sleeps on it.
class TFakeClock final : public TClock {
 public:
  explicit TFakeClock(TDateTime AStart) : FStart(AStart) {}

  TDateTime LocalNow() override;
  std::chrono::milliseconds SteadyNow() override;
  void Sleep(std::chrono::milliseconds ADuration) override;

  void Advance(std::chrono::milliseconds ADuration);
  std::chrono::milliseconds Slept() const;

 private:
  mutable std::mutex FMutex;
  const TDateTime FStart;
  std::chrono::milliseconds FElapsed{0};
  std::chrono::milliseconds FSlept{0};
};

// Puts a fake clock in place for the life of the scope.
class TFakeClockScope {
 public:
  explicit TFakeClockScope(TDateTime AStart);
  TFakeClock& Clock() { return *FClock; }

 private:
  std::shared_ptr<TFakeClock> FClock;
  TSlotValue<std::shared_ptr<TClock>> FSlot;
};

}  // namespace kelvane::test
