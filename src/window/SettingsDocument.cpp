#include "window/SettingsDocument.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "platform/Text.h"

namespace kelvane {

namespace {

char16_t FoldCase(char16_t AChar) {
  return AChar >= u'a' && AChar <= u'z' ? static_cast<char16_t>(AChar - u'a' + u'A') : AChar;
}

bool SameAscii(std::string_view ALeft, std::string_view ARight) {
  return std::equal(ALeft.begin(), ALeft.end(), ARight.begin(), ARight.end(),
                    [](char a, char b) { return FoldCase(a) == FoldCase(b); });
}

}  // namespace

TXmlElement* TXmlElement::Child(std::u16string_view AName) const {
  for (const auto& child : Children) {
    if (SameName(child->Name, AName)) {
      return child.get();
    }
  }
  return nullptr;
}

TXmlElement& TXmlElement::AddChild(std::u16string AName) {
  Children.push_back(std::make_unique<TXmlElement>());
  Children.back()->Name = std::move(AName);
  return *Children.back();
}

TFileEncoding TFileEncoding::ForCharset(std::string_view ACharset) {
  for (const std::string_view utf8 : {"utf-8", "utf8"}) {
    if (SameAscii(ACharset, utf8)) {
      return {Utf8, std::string(ACharset)};
    }
  }
  for (const std::string_view utf16 : {"utf-16", "utf-16le", "utf16", "ucs-2", "unicode"}) {
    if (SameAscii(ACharset, utf16)) {
      return {Utf16, std::string(ACharset)};
    }
  }
  return {EightBit, std::string(ACharset)};
}

TFileEncoding TSettingsDocument::WriteEncoding() const {
  if (Declaration && Declaration->Encoding) {
    return TFileEncoding::ForCharset(ToUtf8(*Declaration->Encoding));
  }
  if (ByteOrderMark == TFileEncoding::Utf8) {
    return {TFileEncoding::Utf8, "utf-8"};
  }
  if (ByteOrderMark == TFileEncoding::Utf16) {
    return {TFileEncoding::Utf16, "utf-16"};
  }
  return {TFileEncoding::EightBit, AnsiCharsetName()};
}

}  // namespace kelvane
