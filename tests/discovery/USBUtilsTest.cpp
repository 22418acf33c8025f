#include <gtest/gtest.h>

#include "discovery/USBUtils.h"
#include "platform/Text.h"
#include "support/PortSourceScope.h"

namespace kelvane::test {
namespace {

struct TNameCase {
  std::u16string Name;
  std::int32_t ComNumber;
  bool Usb;
  friend void PrintTo(const TNameCase& c, std::ostream* os) { *os << ToUtf8(c.Name); }
};

class FriendlyName : public testing::TestWithParam<TNameCase> {};

TEST_P(FriendlyName, GivesThePortNumberAndTheUsbTest) {
  const TNameCase& c = GetParam();
  EXPECT_EQ(ParseComNumber(c.Name), c.ComNumber);
  EXPECT_EQ(IsUsbPort(c.Name), c.Usb);
}

INSTANTIATE_TEST_SUITE_P(
    Names, FriendlyName,
    testing::Values(TNameCase{u"Communications Port (COM1)", 1, false},
                    TNameCase{u"USB-SERIAL CH340 (COM12)", 12, true},
                    TNameCase{u"Silicon Labs CP210x USB to UART Bridge (COM4)", 4, true},
                    TNameCase{u"Prolific USB-to-Serial Comm Port (COM7)", 7, true},
                    TNameCase{u"USB Serial Device (COM5)", 5, true},
                    TNameCase{u"Последовательный порт (COM2)", 2, false},
                    TNameCase{u"Intel(R) Active Management Technology - SOL (COM3)", 3, false},
                    TNameCase{u"Standard Serial over Bluetooth link (COM9)", 9, false},
                    TNameCase{u"usb serial (COM6)", 6, false},
                    TNameCase{u"Usb Serial (COM6)", 6, false}, TNameCase{u"Port (COM0)", 0, false},
                    TNameCase{u"Port (COM-2)", -2, false}, TNameCase{u"Port (COM+8)", 8, false},
                    TNameCase{u"Port (COM)", -1, false}, TNameCase{u"Port (COMx)", -1, false},
                    TNameCase{u"Port (COM3", -1, false}, TNameCase{u"Port (COM3 )", -1, false},
                    TNameCase{u"Port (COM 3)", 3, false},
                    TNameCase{u"Port (COM3) and (COM4)", 3, false},
                    TNameCase{u"ECP Printer Port (LPT1)", -1, false},
                    TNameCase{u"USB (LPT1) (COM5)", -1, true}, TNameCase{u"Port (com3)", -1, false},
                    TNameCase{u"Port (COM99999999999)", -1, false}, TNameCase{u"", -1, false}));

TEST(FriendlyName, TrimsTrailingBlanksAndControlsAndCutsAtNul) {
  EXPECT_EQ(TrimFriendlyName(u"  Port (COM1) \r\n\t "), u"  Port (COM1)");
  EXPECT_EQ(TrimFriendlyName(std::u16string(u"Port (COM2)\0garbage", 19)), u"Port (COM2)");
  EXPECT_EQ(TrimFriendlyName(u" \x01"), u"");
}

const std::vector<std::optional<std::u16string>> kPorts = {u"Communications Port (COM1)",
                                                           u"USB-SERIAL CH340 (COM12)\r\n",
                                                           std::nullopt,
                                                           u"ECP Printer Port (LPT1)",
                                                           u"Bluetooth link (COM9)",
                                                           u"USB Serial (COMx)",
                                                           u"USB Serial Device (COM5)   ",
                                                           u"Port (COM0)"};

struct TFilterCase {
  bool Usb;
  bool Other;
  std::vector<std::int32_t> Numbers;
  friend void PrintTo(const TFilterCase& c, std::ostream* os) {
    *os << "usb " << c.Usb << " other " << c.Other;
  }
};

class Refresh : public testing::TestWithParam<TFilterCase> {};

TEST_P(Refresh, ListsByTheFlagsInEnumerationOrder) {
  const TFilterCase& c = GetParam();
  TPortSourceScope source(kPorts);
  TSerialPorts ports;
  ports.Add({u"stale", u"stale", u"", 77});
  ports.Refresh(c.Usb, c.Other);
  std::vector<std::int32_t> numbers;
  for (const TSerialPortRec& port : ports) {
    numbers.push_back(port.ComNumber);
    EXPECT_EQ(port.Name, u"COM" + IntToStr(port.ComNumber));
    EXPECT_EQ(port.HWStr, u"");
  }
  EXPECT_EQ(numbers, c.Numbers);
}

INSTANTIATE_TEST_SUITE_P(Flags, Refresh,
                         testing::Values(TFilterCase{false, false, {1, 12, 9, 5, 0}},
                                         TFilterCase{true, true, {1, 12, 9, 5, 0}},
                                         TFilterCase{true, false, {12, 5}},
                                         TFilterCase{false, true, {1, 9, 0}}));

TEST(Refresh, KeepsTheTrimmedFriendlyName) {
  TPortSourceScope source(kPorts);
  TSerialPorts ports;
  ports.Refresh(true, false);
  ASSERT_EQ(ports.Count(), 2);
  EXPECT_EQ(ports[0].FriendlyName, u"USB-SERIAL CH340 (COM12)");
  EXPECT_EQ(ports[0].Name, u"COM12");
  EXPECT_EQ(ports[1].FriendlyName, u"USB Serial Device (COM5)");
}

TEST(Refresh, NothingPresentGivesAnEmptyList) {
  TPortSourceScope source({});
  TSerialPorts ports;
  ports.Add({u"COM1", u"x", u"", 1});
  ports.Refresh(true, true);
  EXPECT_EQ(ports.Count(), 0);
}

TEST(IndexOfComNumber, FindsTheFirstRecordOfTheNumber) {
  TSerialPorts ports;
  EXPECT_EQ(ports.IndexOfComNumber(3), -1);
  ports.Add({u"COM3", u"a", u"", 3});
  ports.Add({u"COM4", u"b", u"", 4});
  ports.Add({u"COM3", u"c", u"", 3});
  EXPECT_EQ(ports.IndexOfComNumber(3), 0);
  EXPECT_EQ(ports.IndexOfComNumber(4), 1);
  EXPECT_EQ(ports.IndexOfComNumber(5), -1);
}

}  // namespace
}  // namespace kelvane::test
