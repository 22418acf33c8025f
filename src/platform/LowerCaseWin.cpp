#include <windows.h>

#include "platform/Text.h"

namespace kelvane {

std::u16string LowerCase(std::u16string_view AText) {
  std::u16string text(AText);
  if (!text.empty()) {
    CharLowerBuffW(reinterpret_cast<LPWSTR>(text.data()), static_cast<DWORD>(text.size()));
  }
  return text;
}

}  // namespace kelvane
