#include "platform/SingleByteCharset.h"

namespace kelvane {

TSingleByteCharset::TSingleByteCharset(const std::array<char16_t, 256>& AToUnicode)
    : FToUnicode(AToUnicode) {
  for (int b = 255; b >= 0; --b) {
    // Were two bytes to give one character, the lower byte encodes it.
    FFromUnicode[FToUnicode[static_cast<size_t>(b)]] = static_cast<std::uint8_t>(b);
  }
}

std::u16string TSingleByteCharset::Decode(std::string_view ABytes) const {
  std::u16string text(ABytes.size(), u'\0');
  for (size_t i = 0; i < ABytes.size(); ++i) {
    text[i] = FToUnicode[static_cast<std::uint8_t>(ABytes[i])];
  }
  return text;
}

std::optional<std::string> TSingleByteCharset::Encode(std::u16string_view AText) const {
  std::string bytes(AText.size(), '\0');
  for (size_t i = 0; i < AText.size(); ++i) {
    const auto found = FFromUnicode.find(AText[i]);
    if (found == FFromUnicode.end()) {
      return std::nullopt;
    }
    bytes[i] = static_cast<char>(found->second);
  }
  return bytes;
}

bool TSingleByteCharset::PlausibleName(std::string_view ACharsetName) {
  constexpr size_t kLongest = 64;
  if (ACharsetName.empty() || ACharsetName.size() > kLongest) {
    return false;
  }
  for (const char c : ACharsetName) {
    const bool letterOrDigit =
        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    if (!letterOrDigit && c != '.' && c != '_' && c != ':' && c != '-') {
      return false;
    }
  }
  return true;
}

}  // namespace kelvane
