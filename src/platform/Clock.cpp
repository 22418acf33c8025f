#include "platform/Clock.h"

#include <thread>

#include "platform/GlobalSlot.h"

namespace kelvane {

namespace {

class TSystemClock final : public TClock {
 public:
  TDateTime LocalNow() override { return SystemLocalNow(); }
  std::chrono::milliseconds SteadyNow() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
  }
  void Sleep(std::chrono::milliseconds ADuration) override {
    std::this_thread::sleep_for(ADuration);
  }
};

TGlobalSlot<TClock>& ClockSlot() {
  static TGlobalSlot<TClock> slot;
  return slot;
}

}  // namespace

std::shared_ptr<TClock> Clock() {
  if (auto clock = ClockSlot().Get()) {
    return clock;
  }
  static const auto systemClock = std::make_shared<TSystemClock>();
  return systemClock;
}

std::shared_ptr<TClock> SetClock(std::shared_ptr<TClock> AClock) {
  return ClockSlot().Exchange(std::move(AClock));
}

}  // namespace kelvane
