#include <gtest/gtest.h>

#include "discovery/SetupApiPortSource.h"
#include "discovery/USBUtils.h"
#include "support/PortSourceScope.h"

namespace kelvane::test {
namespace {

TEST(SetupApiPortSource, EnumeratesWhateverIsPresentWithoutRaising) {
  TSetupApiPortSource source;
  EXPECT_NO_THROW(source.PresentPortNames());
  EXPECT_NO_THROW(source.PresentPortNames()) << "the library stays loaded";
  SetPortSource(nullptr);
  TSerialPorts ports;
  EXPECT_NO_THROW(ports.Refresh(true, true));
  for (const TSerialPortRec& port : ports) {
    EXPECT_GE(port.ComNumber, 0);
  }
}

}  // namespace
}  // namespace kelvane::test
