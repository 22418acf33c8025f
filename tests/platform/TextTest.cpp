#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Error.h"
#include "platform/Text.h"

namespace kelvane::test {
namespace {

TEST(Text, Utf8RoundTripsCyrillicAndAstralCharacters) {
  const std::u16string text = u"Прервано пользователем \U0001F600 ok";
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(ToUtf8(u"СКоК"), "\xD0\xA1\xD0\x9A\xD0\xBE\xD0\x9A");
}

TEST(Text, Utf8IsCountedAndCutByCharactersNeverWithinOne) {
  const std::string text = "Aж€😀";  // one, two, three and four bytes
  EXPECT_EQ(Utf8Length(text), 4u);
  EXPECT_EQ(Utf8Length(""), 0u);
  const std::vector<std::pair<size_t, std::string>> starts = {
      {0, ""}, {1, "A"}, {2, "Aж"}, {3, "Aж€"}, {4, text}, {9, text}};
  for (const auto& [length, start] : starts) {
    EXPECT_EQ(Utf8Start(text, length), start) << length;
  }
}

TEST(Text, BrokenInputBecomesReplacementCharacters) {
  EXPECT_EQ(FromUtf8("a\xFF"
                     "b"),
            u"a\uFFFDb");
  EXPECT_EQ(ToUtf8(std::u16string{u'a', char16_t(0xD800), u'b'}),
            "a\xEF\xBF\xBD"
            "b");
}

TEST(Text, ControlCharactersFromARegisterAreShownNotSentToTheTerminal) {
  const std::vector<std::pair<std::u16string, std::u16string>> cases = {
      {u"\x1b]0;pwned\a", u"\\x1B]0;pwned\\x07"},    // the terminal's title
      {u"\x1b[2J", u"\\x1B[2J"},                     // a cleared screen
      {u"S1\r\nCOM9;forged", u"S1\\x0D\\x0ACOM9;forged"},  // a forged line
      {u"\u009b31m\x7f", u"\\x9B31m\\x7F"},          // C1 and DEL
      {u"Тарвик-154Ф (A.4) \\ 100%", u"Тарвик-154Ф (A.4) \\ 100%"},
  };
  for (const auto& [text, shown] : cases) {
    EXPECT_EQ(ShownOnTerminal(text), shown) << ToUtf8(shown);
  }
}

TEST(Text, ErrorsCarryTheirMessageAsUtf16AndUtf8) {
  try {
    throw EError(u"Файл не найден");
  } catch (...) {
    EXPECT_EQ(CurrentExceptionMessage(), u"Файл не найден");
  }
  try {
    throw EAbort();
  } catch (const std::exception& e) {
    EXPECT_EQ(FromUtf8(e.what()), u"Прервано пользователем");
  }
}

}  // namespace
}  // namespace kelvane::test
