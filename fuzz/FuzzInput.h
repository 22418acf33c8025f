#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace kelvane::fuzz {

// The input as UTF-16 code units, two bytes each, little-endian; an odd last byte is dropped.
inline std::u16string CodeUnits(const std::uint8_t* AData, size_t ASize) {
  std::u16string units(ASize / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(AData[2 * i] | (AData[2 * i + 1] << 8));
  }
  return units;
}

// A value a reader of the settings gets back as none: blanks only.
inline bool IsBlankText(const std::u16string& AText) {
  return AText.find_first_not_of(u" \t\r\n") == std::u16string::npos;
}

// A property that failed: the input libFuzzer holds is the one to keep as a test case.
[[noreturn]] inline void Fail(const char* AWhat) {
  std::fprintf(stderr, "property failed: %s\n", AWhat);
  std::abort();
}

}  // namespace kelvane::fuzz
