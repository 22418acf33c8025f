#pragma once

#include <string>

namespace kelvane {

// The tool's UTF-16 text as Windows' wide strings take it (wchar_t is 16 bits there).
inline const wchar_t* Wide(const std::u16string& AText) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t), "for Windows only");
  return reinterpret_cast<const wchar_t*>(AText.c_str());
}

}  // namespace kelvane
