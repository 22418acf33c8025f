#include <set>
#include <string>

#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "platform/SingleByteCharset.h"

namespace kelvane::test {
namespace {

std::string EveryByte() {
  std::string bytes(256, '\0');
  for (int b = 0; b < 256; ++b) {
    bytes[static_cast<size_t>(b)] = static_cast<char>(b);
  }
  return bytes;
}

TEST(AnsiCodePage, EveryByteIsOneCharacterAndComesBackUnchanged) {
  ASSERT_TRUE(AnsiCodePageIsSingleByte());
  const std::u16string text = AnsiToUnicode(EveryByte());
  ASSERT_EQ(text.size(), 256u);
  EXPECT_EQ(std::set<char16_t>(text.begin(), text.end()).size(), 256u)
      << "two bytes share a character";
  EXPECT_EQ(UnicodeToAnsi(text), EveryByte());
}

#ifndef _WIN32
// On Linux the ANSI code page is windows-1251, decoded as Windows decodes it.
TEST(AnsiCodePage, DecodesWindows1251AsWindowsDoes) {
  EXPECT_EQ(AnsiCodePageNumber(), 1251u);
  const std::u16string text = AnsiToUnicode(EveryByte());
  EXPECT_EQ(text[0x00], u'\0');
  EXPECT_EQ(text[0x41], u'A');
  EXPECT_EQ(text[0x88], u'\u20AC');
  EXPECT_EQ(text[0x98], u'\u0098') << "no letter in windows-1251; Windows gives U+0098";
  EXPECT_EQ(text[0xB9], u'\u2116');
  EXPECT_EQ(text[0xC0], u'А');
  EXPECT_EQ(text[0xFF], u'я');
}

TEST(SingleByteCharset, KnowsTheCommonCharsetsAndRefusesMultiByteOnes) {
  for (const char* name :
       {"WINDOWS-1251", "windows-1252", "KOI8-R", "CP866", "ISO-8859-1", "ISO-8859-5"}) {
    const auto charset = TSingleByteCharset::ForName(name);
    ASSERT_NE(charset, nullptr) << name;
    EXPECT_EQ(charset->Encode(charset->Decode(EveryByte())), EveryByte()) << name;
  }
  EXPECT_EQ(TSingleByteCharset::ForName("UTF-8"), nullptr);
  EXPECT_EQ(TSingleByteCharset::ForName("no-such-charset"), nullptr);
  EXPECT_EQ(TSingleByteCharset::ForName("KOI8-R")->CharOf(0xE1), u'А');
}
#endif

TEST(AnsiCodePage, CharacterWithoutAByteCannotBeEncoded) {
  EXPECT_EQ(UnicodeToAnsi(u"\u4E2D"), std::nullopt);
}

}  // namespace
}  // namespace kelvane::test
