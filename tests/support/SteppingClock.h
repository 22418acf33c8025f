#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/Clock.h"
#include "support/SlotValue.h"

namespace kelvane::test {

// A clock on which every Sleep waits until the test lets it go, so that a test can hold a polling
// loop between two cycles. Free-running, a Sleep passes at once (after a millisecond of real
// time, so that a polling loop does not spin). Time moves by what was slept.
class TSteppingClock final : public TClock {
 public:
  TDateTime LocalNow() override;
  std::chrono::milliseconds SteadyNow() override;
  void Sleep(std::chrono::milliseconds ADuration) override;

  // How many threads are inside Sleep now, and how many Sleeps have begun in all.
  int Sleeping() const;
  int Sleeps() const;
  // Lets ACount held Sleeps (present or future) return.
  void Release(int ACount = 1);
  void SetFreeRunning(bool AValue);

 private:
  mutable std::mutex FMutex;
  std::condition_variable FChanged;
  std::chrono::milliseconds FElapsed{0};
  int FSleeping = 0;
  int FSleeps = 0;
  int FPermits = 0;
  bool FFreeRunning = false;
};

// Puts a stepping clock in place for the life of the scope; on leaving, every Sleep is let go.
class TSteppingClockScope {
 public:
  TSteppingClockScope();
  ~TSteppingClockScope();
  TSteppingClockScope(const TSteppingClockScope&) = delete;
  TSteppingClockScope& operator=(const TSteppingClockScope&) = delete;
  TSteppingClock& Clock() { return *FClock; }

 private:
  std::shared_ptr<TSteppingClock> FClock;
  TSlotValue<std::shared_ptr<TClock>> FSlot;
};

}  // namespace kelvane::test
