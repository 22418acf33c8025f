#include "support/SteppingClock.h"

#include <thread>

namespace kelvane::test {

TDateTime TSteppingClock::LocalNow() {
  std::lock_guard lock(FMutex);
  return EncodeDate(2026, 12, 9) + static_cast<double>(FElapsed.count()) / 86'400'000.0;
}

std::chrono::milliseconds TSteppingClock::SteadyNow() {
  std::lock_guard lock(FMutex);
  return FElapsed;
}

void TSteppingClock::Sleep(std::chrono::milliseconds ADuration) {
  std::unique_lock lock(FMutex);
  ++FSleeps;
  ++FSleeping;
  FChanged.notify_all();
  FChanged.wait(lock, [this] { return FFreeRunning || FPermits > 0; });
  if (!FFreeRunning) {
    --FPermits;
  }
  --FSleeping;
  FElapsed += ADuration;
  const bool freeRunning = FFreeRunning;
  lock.unlock();
  if (freeRunning) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

int TSteppingClock::Sleeping() const {
  std::lock_guard lock(FMutex);
  return FSleeping;
}

int TSteppingClock::Sleeps() const {
  std::lock_guard lock(FMutex);
  return FSleeps;
}

void TSteppingClock::Release(int ACount) {
  {
    std::lock_guard lock(FMutex);
    FPermits += ACount;
  }
  FChanged.notify_all();
}

void TSteppingClock::SetFreeRunning(bool AValue) {
  {
    std::lock_guard lock(FMutex);
    FFreeRunning = AValue;
  }
  FChanged.notify_all();
}

TSteppingClockScope::TSteppingClockScope()
    : FClock(std::make_shared<TSteppingClock>()), FSlot(SetClock, FClock) {
}

TSteppingClockScope::~TSteppingClockScope() {
  FClock->SetFreeRunning(true);
}

}  // namespace kelvane::test
