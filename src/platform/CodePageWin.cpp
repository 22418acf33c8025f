#include <windows.h>

#include "platform/CodePage.h"
#include "platform/Text.h"

namespace kelvane {

std::u16string AnsiToUnicode(std::string_view ABytes) {
  if (ABytes.empty()) {
    return {};
  }
  const int length =
      MultiByteToWideChar(CP_ACP, 0, ABytes.data(), static_cast<int>(ABytes.size()), nullptr, 0);
  std::u16string text(static_cast<size_t>(length), u'\0');
  MultiByteToWideChar(CP_ACP, 0, ABytes.data(), static_cast<int>(ABytes.size()),
                      reinterpret_cast<wchar_t*>(text.data()), length);
  return text;
}

std::optional<std::string> UnicodeToAnsi(std::u16string_view AText) {
  if (AText.empty()) {
    return std::string();
  }
  const auto* wide = reinterpret_cast<const wchar_t*>(AText.data());
  const int count = static_cast<int>(AText.size());
  BOOL defaultUsed = FALSE;
  const int length =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, count, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, count, bytes.data(), length, nullptr,
                      &defaultUsed);
  if (length == 0 || defaultUsed) {
    return std::nullopt;
  }
  return bytes;
}

bool AnsiCodePageIsSingleByte() {
  CPINFO info{};
  return GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 1;
}

unsigned AnsiCodePageNumber() {
  return GetACP();
}

std::string AnsiCharsetName() {
  switch (const unsigned codePage = GetACP()) {
    case 874:
      return "windows-874";
    case 932:
      return "shift_jis";
    case 936:
      return "gb2312";
    case 949:
      return "ks_c_5601-1987";
    case 950:
      return "big5";
    case 65001:
      return "utf-8";
    default:
      return "windows-" + std::to_string(codePage);
  }
}

}  // namespace kelvane
