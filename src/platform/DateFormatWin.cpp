#include <windows.h>

#include "platform/DateFormat.h"

namespace kelvane {

namespace {

std::u16string UserLocaleInfo(LCTYPE AType, std::u16string_view ADefault) {
  wchar_t buffer[128];
  const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, AType, buffer, 128);
  if (length <= 1) {
    return std::u16string(ADefault);
  }
  return std::u16string(reinterpret_cast<const char16_t*>(buffer), static_cast<size_t>(length - 1));
}

}  // namespace

TLocaleFormats SystemLocaleFormats() {
  return {UserLocaleInfo(LOCALE_SSHORTDATE, kRussianShortDate),
          UserLocaleInfo(LOCALE_STIMEFORMAT, kRussianLongTime)};
}

}  // namespace kelvane
