#include <windows.h>

#include <cstdio>

#include "platform/SystemMessage.h"
#include "platform/Text.h"

namespace kelvane {

std::u16string SystemMessage(unsigned long ACode) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, ACode, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::u16string text;
  if (length != 0 && buffer != nullptr) {
    text.assign(reinterpret_cast<const char16_t*>(buffer), length);
  }
  LocalFree(buffer);
  while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' ')) {
    text.pop_back();
  }
  if (text.empty()) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", ACode);
    text = u"Системная ошибка " + FromAscii(code);
  }
  return text;
}

}  // namespace kelvane
