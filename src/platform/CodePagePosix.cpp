#include "platform/CodePage.h"
#include "platform/Error.h"
#include "platform/SingleByteCharset.h"

namespace kelvane {

namespace {

const TSingleByteCharset& Windows1251() {
  static const auto charset = TSingleByteCharset::ForName("WINDOWS-1251");
  if (!charset) {
    throw EError(u"Кодовая страница windows-1251 недоступна в системе");
  }
  return *charset;
}

}  // namespace

std::u16string AnsiToUnicode(std::string_view ABytes) {
  return Windows1251().Decode(ABytes);
}

std::optional<std::string> UnicodeToAnsi(std::u16string_view AText) {
  return Windows1251().Encode(AText);
}

bool AnsiCodePageIsSingleByte() {
  return true;
}

unsigned AnsiCodePageNumber() {
  return 1251;
}

std::string AnsiCharsetName() {
  return "windows-1251";
}

}  // namespace kelvane
