#include "support/FakeClock.h"

namespace kelvane::test {

TDateTime TFakeClock::LocalNow() {
  std::lock_guard lock(FMutex);
  return FStart + static_cast<double>(FElapsed.count()) / 86'400'000.0;
}

std::chrono::milliseconds TFakeClock::SteadyNow() {
  std::lock_guard lock(FMutex);
  return FElapsed;
}

void TFakeClock::Sleep(std::chrono::milliseconds ADuration) {
  std::lock_guard lock(FMutex);
  FElapsed += ADuration;
  FSlept += ADuration;
}

void TFakeClock::Advance(std::chrono::milliseconds ADuration) {
  std::lock_guard lock(FMutex);
  FElapsed += ADuration;
}

std::chrono::milliseconds TFakeClock::Slept() const {
  std::lock_guard lock(FMutex);
  return FSlept;
}

TFakeClockScope::TFakeClockScope(TDateTime AStart)
    : FClock(std::make_shared<TFakeClock>(AStart)), FSlot(SetClock, FClock) {
}

}  // namespace kelvane::test
