#include "platform/DateFormat.h"

#include <string>

#include "platform/GlobalSlot.h"
#include "platform/Text.h"

namespace kelvane {

namespace {

TGlobalSlot<const TLocaleFormats>& FormatsSlot() {
  static TGlobalSlot<const TLocaleFormats> slot;
  return slot;
}

std::u16string Padded(int AValue, size_t AWidth) {
  std::u16string text = IntToStr(AValue);
  if (text.size() < AWidth) {
    text.insert(0, AWidth - text.size(), u'0');
  }
  return text;
}

std::u16string FormatRun(char16_t ALetter, size_t ACount, const TDateTimeParts& AParts) {
  const size_t width = ACount >= 2 ? 2 : 1;
  switch (ALetter) {
    case u'd':
      return Padded(AParts.Day, width);
    case u'M':
      return Padded(AParts.Month, width);
    case u'y':
      if (ACount <= 2) {
        return Padded(AParts.Year % 100, ACount);
      }
      return Padded(AParts.Year, 4);
    case u'H':
      return Padded(AParts.Hour, width);
    case u'h': {
      const int hour12 = AParts.Hour % 12 == 0 ? 12 : AParts.Hour % 12;
      return Padded(hour12, width);
    }
    case u'm':
      return Padded(AParts.Minute, width);
    case u's':
      return Padded(AParts.Second, width);
    case u't':
      // The Russian locale has no AM/PM designators.
      return {};
    default:
      return std::u16string(ACount, ALetter);
  }
}

}  // namespace

std::shared_ptr<const TLocaleFormats> LocaleFormats() {
  if (auto formats = FormatsSlot().Get()) {
    return formats;
  }
  static const auto systemFormats = std::make_shared<const TLocaleFormats>(SystemLocaleFormats());
  return systemFormats;
}

std::shared_ptr<const TLocaleFormats> SetLocaleFormats(
    std::shared_ptr<const TLocaleFormats> AFormats) {
  return FormatsSlot().Exchange(std::move(AFormats));
}

std::u16string FormatDateTimePicture(std::u16string_view APicture, TDateTime AValue) {
  const TDateTimeParts parts = DecodeDateTime(AValue);
  std::u16string result;
  size_t i = 0;
  while (i < APicture.size()) {
    const char16_t c = APicture[i];
    if (c == u'\'') {
      // Quoted text; two quotes inside stand for one.
      ++i;
      while (i < APicture.size()) {
        if (APicture[i] == u'\'') {
          if (i + 1 < APicture.size() && APicture[i + 1] == u'\'') {
            result.push_back(u'\'');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        result.push_back(APicture[i++]);
      }
      continue;
    }
    size_t count = 1;
    while (i + count < APicture.size() && APicture[i + count] == c) {
      ++count;
    }
    result += FormatRun(c, count, parts);
    i += count;
  }
  return result;
}

std::u16string ShortDateToStr(TDateTime AValue) {
  return FormatDateTimePicture(LocaleFormats()->ShortDate, AValue);
}

std::u16string LongTimeToStr(TDateTime AValue) {
  return FormatDateTimePicture(LocaleFormats()->LongTime, AValue);
}

std::u16string DateTimeToStr(TDateTime AValue) {
  const TDateTimeParts parts = DecodeDateTime(AValue);
  std::u16string result = ShortDateToStr(AValue);
  if (parts.Hour != 0 || parts.Minute != 0 || parts.Second != 0 || parts.Millisecond != 0) {
    result += u' ';
    result += LongTimeToStr(AValue);
  }
  return result;
}

}  // namespace kelvane
