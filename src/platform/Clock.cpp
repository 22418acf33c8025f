#include "platform/Clock.h"

#include <thread>
#include <tuple>

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

bool operator==(const TLocalTime& A, const TLocalTime& B) {
  const auto fields = [](const TLocalTime& T) {
    const TDateTimeParts& p = T.Local;
    return std::tie(p.Year, p.Month, p.Day, p.Hour, p.Minute, p.Second, p.Millisecond,
                    T.UtcOffsetMinutes);
  };
  return fields(A) == fields(B);
}

TLocalTime LocalTimeNow() {
  return LocalTimeOf(Clock()->LocalNow(), LocalUtcOffsetMinutes());
}

TLocalTime LocalTimeOf(TDateTime ALocal, std::int32_t AUtcOffsetMinutes) {
  TLocalTime time{DecodeDateTime(ALocal), AUtcOffsetMinutes};
  time.Local.Millisecond = 0;
  return time;
}

namespace {

// The text's digits and separators in their places: "d" stands for a digit, "+" for a sign.
bool HasShape(std::u16string_view AText, std::u16string_view AShape) {
  if (AText.size() != AShape.size()) {
    return false;
  }
  for (size_t i = 0; i < AShape.size(); ++i) {
    const char16_t c = AText[i];
    const bool fits = AShape[i] == u'd'   ? (c >= u'0' && c <= u'9')
                      : AShape[i] == u'+' ? (c == u'+' || c == u'-')
                                          : c == AShape[i];
    if (!fits) {
      return false;
    }
  }
  return true;
}

int Number(std::u16string_view AText, size_t AAt, size_t ALength) {
  return static_cast<int>(*StrToInt(AText.substr(AAt, ALength)));
}

}  // namespace

std::u16string IsoDateTime(const TLocalTime& ATime) {
  const TDateTimeParts& parts = ATime.Local;
  const auto two = [](int AValue) {
    return (AValue < 10 ? std::u16string(u"0") : std::u16string()) + IntToStr(AValue);
  };
  const std::int32_t offset =
      ATime.UtcOffsetMinutes < 0 ? -ATime.UtcOffsetMinutes : ATime.UtcOffsetMinutes;
  return IntToStr(parts.Year) + u"-" + two(parts.Month) + u"-" + two(parts.Day) + u"T" +
         two(parts.Hour) + u":" + two(parts.Minute) + u":" + two(parts.Second) +
         (ATime.UtcOffsetMinutes < 0 ? u"-" : u"+") + two(offset / 60) + u":" + two(offset % 60);
}

std::optional<TDateTimeParts> ParseIsoDate(std::u16string_view AText) {
  if (!HasShape(AText, u"dddd-dd-dd")) {
    return std::nullopt;
  }
  TDateTimeParts date;
  date.Year = Number(AText, 0, 4);
  date.Month = Number(AText, 5, 2);
  date.Day = Number(AText, 8, 2);
  using namespace std::chrono;
  if (date.Year < 1000 || !year_month_day(year(date.Year), month(static_cast<unsigned>(date.Month)),
                                          day(static_cast<unsigned>(date.Day)))
                               .ok()) {
    return std::nullopt;
  }
  return date;
}

std::optional<TLocalTime> ParseIsoDateTime(std::u16string_view AText) {
  const std::optional<TDateTimeParts> date = ParseIsoDate(AText.substr(0, 10));
  if (!date || !HasShape(AText, u"dddd-dd-ddTdd:dd:dd+dd:dd")) {
    return std::nullopt;
  }
  TLocalTime time{*date, 0};
  time.Local.Hour = Number(AText, 11, 2);
  time.Local.Minute = Number(AText, 14, 2);
  time.Local.Second = Number(AText, 17, 2);
  const int offsetMinutes = Number(AText, 23, 2);
  const int offset = Number(AText, 20, 2) * 60 + offsetMinutes;
  time.UtcOffsetMinutes = AText[19] == u'-' ? -offset : offset;
  if (time.Local.Hour > 23 || time.Local.Minute > 59 || time.Local.Second > 59 ||
      offsetMinutes > 59) {
    return std::nullopt;
  }
  return time;
}

}  // namespace kelvane
