#include <gtest/gtest.h>

#include "platform/DateFormat.h"
#include "platform/Text.h"
#include "support/LocaleFormatsScope.h"

namespace kelvane::test {
namespace {

struct TPictureCase {
  const char16_t* Picture;
  TDateTimeParts When;
  const char16_t* Expected;

  friend void PrintTo(const TPictureCase& c, std::ostream* os) { *os << ToUtf8(c.Picture); }
};

class DatePicture : public testing::TestWithParam<TPictureCase> {};

TEST_P(DatePicture, FormatsAsWindowsDoes) {
  const TPictureCase& c = GetParam();
  EXPECT_EQ(FormatDateTimePicture(c.Picture, EncodeDateTime(c.When)), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, DatePicture,
    testing::Values(TPictureCase{u"dd.MM.yyyy", {2025, 6, 5, 0, 0, 0, 0}, u"05.06.2025"},
                    TPictureCase{u"d.M.yy", {2009, 1, 2, 0, 0, 0, 0}, u"2.1.09"},
                    TPictureCase{u"H:mm:ss", {2025, 6, 5, 7, 3, 9, 999}, u"7:03:09"},
                    TPictureCase{u"HH:mm", {2025, 6, 5, 23, 59, 0, 0}, u"23:59"},
                    TPictureCase{u"h:mm tt", {2025, 6, 5, 0, 15, 0, 0}, u"12:15 "},
                    TPictureCase{u"yyyy'г.' d", {1999, 12, 31, 0, 0, 0, 0}, u"1999г. 31"},
                    TPictureCase{u"'it''s' d", {1999, 12, 31, 0, 0, 0, 0}, u"it's 31"}));

TEST(DateTime, EncodesOleAutomationDays) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDate(2026, 12, 9), 46365.0);
  EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  const TDateTimeParts parts = DecodeDateTime(EncodeDateTime({2024, 2, 29, 23, 59, 59, 999}));
  EXPECT_EQ(parts.Year, 2024);
  EXPECT_EQ(parts.Month, 2);
  EXPECT_EQ(parts.Day, 29);
  EXPECT_EQ(parts.Hour, 23);
  EXPECT_EQ(parts.Minute, 59);
  EXPECT_EQ(parts.Second, 59);
  EXPECT_EQ(parts.Millisecond, 999);
}

TEST(DateTime, DateTimeToStrLeavesOutExactMidnight) {
  const TLocaleFormatsScope formats;
  EXPECT_EQ(DateTimeToStr(EncodeDate(2026, 12, 9)), u"09.12.2026");
  EXPECT_EQ(DateTimeToStr(EncodeDateTime({2026, 12, 9, 0, 0, 0, 1})), u"09.12.2026 0:00:00");
  EXPECT_EQ(DateTimeToStr(EncodeDateTime({2026, 12, 9, 14, 5, 7, 0})), u"09.12.2026 14:05:07");
}

}  // namespace
}  // namespace kelvane::test
