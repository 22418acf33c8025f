#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kelvane {

// A single-byte character set as a table of 256 characters and its reverse.
class TSingleByteCharset {
 public:
  // The charset of that name as the system knows it; null when the system does not know it or it
  // is not a single-byte one. Bytes that the system has no character for map to U+0000 + byte,
  // as Windows decodes them (0x98 in windows-1251 to U+0098).
  static std::shared_ptr<const TSingleByteCharset> ForName(std::string_view ACharsetName);
  // What can be a charset's name at all: 1 to 64 characters of A-Z, a-z, 0-9 and "._:-". Any other
  // name is unknown without asking the system, whose look-up of a huge name takes long.
  static bool PlausibleName(std::string_view ACharsetName);

  explicit TSingleByteCharset(const std::array<char16_t, 256>& AToUnicode);

  char16_t CharOf(std::uint8_t AByte) const { return FToUnicode[AByte]; }
  std::u16string Decode(std::string_view ABytes) const;
  // The bytes of the text, or nothing when a character has no byte in this charset.
  std::optional<std::string> Encode(std::u16string_view AText) const;

 private:
  std::array<char16_t, 256> FToUnicode;
  std::unordered_map<char16_t, std::uint8_t> FFromUnicode;
};

}  // namespace kelvane
