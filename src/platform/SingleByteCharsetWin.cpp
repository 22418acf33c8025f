#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <string>

#include "platform/SingleByteCharset.h"

namespace kelvane {

namespace {

std::string Lower(std::string_view AText) {
  std::string text(AText);
  for (char& c : text) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return text;
}

// The number after a prefix, as in "windows-1251", "cp866" or "ibm866".
unsigned NumberAfter(const std::string& AName, std::string_view APrefix) {
  if (AName.size() <= APrefix.size() || AName.compare(0, APrefix.size(), APrefix) != 0) {
    return 0;
  }
  char* end = nullptr;
  const unsigned long number = std::strtoul(AName.c_str() + APrefix.size(), &end, 10);
  return *end == '\0' ? static_cast<unsigned>(number) : 0;
}

// The Windows code page of a registered charset name; 0 when there is none.
unsigned CodePageOf(std::string_view ACharsetName) {
  const std::string name = Lower(ACharsetName);
  if (name == "koi8-r") {
    return 20866;
  }
  if (name == "koi8-u") {
    return 21866;
  }
  if (name == "us-ascii") {
    return 20127;
  }
  if (const unsigned part = NumberAfter(name, "iso-8859-"); part > 0 && part < 16) {
    return 28590 + part;
  }
  for (const std::string_view prefix : {"windows-", "cp", "ibm"}) {
    if (const unsigned number = NumberAfter(name, prefix)) {
      return number;
    }
  }
  return 0;
}

}  // namespace

std::shared_ptr<const TSingleByteCharset> TSingleByteCharset::ForName(
    std::string_view ACharsetName) {
  if (!PlausibleName(ACharsetName)) {
    return nullptr;
  }
  const unsigned codePage = CodePageOf(ACharsetName);
  CPINFO info{};
  if (codePage == 0 || !GetCPInfo(codePage, &info) || info.MaxCharSize != 1) {
    return nullptr;
  }
  std::array<char16_t, 256> table{};
  for (int b = 0; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    wchar_t character = 0;
    table[static_cast<size_t>(b)] = MultiByteToWideChar(codePage, 0, &byte, 1, &character, 1) == 1
                                        ? static_cast<char16_t>(character)
                                        : static_cast<char16_t>(b);
  }
  return std::make_shared<const TSingleByteCharset>(table);
}

}  // namespace kelvane
