#include "platform/Clock.h"

#include <thread>

#include "platform/GlobalSlot.h"
#include "platform/Text.h"

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

std::u16string IsoDateTime(TDateTime ALocal, std::int32_t AUtcOffsetMinutes) {
  const TDateTimeParts parts = DecodeDateTime(ALocal);
  const auto two = [](int AValue) {
    return (AValue < 10 ? std::u16string(u"0") : std::u16string()) + IntToStr(AValue);
  };
  const std::int32_t offset = AUtcOffsetMinutes < 0 ? -AUtcOffsetMinutes : AUtcOffsetMinutes;
  return IntToStr(parts.Year) + u"-" + two(parts.Month) + u"-" + two(parts.Day) + u"T" +
         two(parts.Hour) + u":" + two(parts.Minute) + u":" + two(parts.Second) +
         (AUtcOffsetMinutes < 0 ? u"-" : u"+") + two(offset / 60) + u":" + two(offset % 60);
}

}  // namespace kelvane
