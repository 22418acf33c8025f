#include <windows.h>

#include "platform/DateFormat.h"

namespace kelvane {

namespace {

std::u16string UserLocaleInfo(LCTYPE AType, const char16_t* ADefault) {
  wchar_t buffer[128];
  const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, AType, buffer, 128);
  if (length <= 1) {
    return ADefault;
  }
  return std::u16string(reinterpret_cast<const char16_t*>(buffer), static_cast<size_t>(length - 1));
}

}  // namespace

TLocaleFormats SystemLocaleFormats() {
  return {UserLocaleInfo(LOCALE_SSHORTDATE, u"dd.MM.yyyy"),
          UserLocaleInfo(LOCALE_STIMEFORMAT, u"H:mm:ss")};
}

}  // namespace kelvane
