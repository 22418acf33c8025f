#include <gtest/gtest.h>

#include "discovery/USBUtils.h"
#include "discovery/setupapi/SetupApiPortSource.h"
#include "platform/Text.h"
#include "support/PortSourceScope.h"
#include "support/RegisteredPorts.h"
#include "support/SlotValue.h"

namespace kelvane::test {
namespace {

TEST(SetupApiPortSource, EnumeratesWhateverIsPresentWithoutRaising) {
  TSetupApiPortSource source;
  EXPECT_NO_THROW(source.PresentPortNames());
  EXPECT_NO_THROW(source.PresentPortNames()) << "the library stays loaded";
  const TSlotValue<std::shared_ptr<TPortSource>> platformSource(SetPortSource, nullptr);
  TSerialPorts ports;
  EXPECT_NO_THROW(ports.Refresh(true, true));
  for (const TSerialPortRec& port : ports) {
    EXPECT_GE(port.ComNumber, 0);
  }
}

// Devices registered through the real SetupAPI come back through the port list as they would
// from Windows: in the order enumerated, trimmed at the end only, filtered by kind.
TEST(SetupApiPortSource, ListsTheRegisteredPortsAsTheRulesSay) {
  const std::u16string longName = u"USB " + std::u16string(280, u'x') + u" (COM34)";
  const TRegisteredPorts registered({
      u"USB-SERIAL CH340 (COM31) \t\r\n",
      u"  USB Serial Port (COM32)",
      u"Printer Port (LPT1)",
      u"Communications Port (COM33)",
      longName,
      std::nullopt,
      u"USB-SERIAL CH340 (COM35)",
  });
  const TSlotValue<std::shared_ptr<TPortSource>> platformSource(SetPortSource, nullptr);
  const auto listed = [](bool AUsb, bool AOther) {
    TSerialPorts ports;
    ports.Refresh(AUsb, AOther);
    std::vector<std::u16string> names;
    for (const TSerialPortRec& port : ports) {
      // Only the ports of this test; the machine may have others.
      if (port.ComNumber >= 31 && port.ComNumber <= 35) {
        names.push_back(port.Name + u"=" + port.FriendlyName);
      }
    }
    return names;
  };
  EXPECT_EQ(listed(true, false), (std::vector<std::u16string>{
                                     u"COM31=USB-SERIAL CH340 (COM31)",
                                     u"COM32=  USB Serial Port (COM32)",
                                     u"COM34=" + longName,
                                     u"COM35=USB-SERIAL CH340 (COM35)",
                                 }));
  EXPECT_EQ(listed(false, true),
            (std::vector<std::u16string>{u"COM33=Communications Port (COM33)"}));
  EXPECT_EQ(listed(true, true).size(), 5u) << "the printer port is never a COM port";
}

}  // namespace
}  // namespace kelvane::test
