#include "support/BenchScope.h"

#include <stdexcept>

#include "discovery/sim/SimPortSource.h"
#include "driver/sim/BenchFile.h"
#include "driver/sim/SimTarvik.h"

namespace kelvane::test {

// Windows builds use the COM control and SetupAPI by default; the tests want the bench
// everywhere.
TBenchScope::TBenchScope(const std::string& AXml)
    : FBench(ParseBench(AXml, "test bench")),
      FCurrent(SetCurrentBench, FBench),
      FFactory(SetTarvikFactory, [bench = FBench] { return std::make_unique<TSimTarvik>(bench); }),
      FPorts(SetPortSource, std::make_shared<TSimPortSource>()) {
}

TSimRegister& TBenchScope::Register(std::int32_t AComNumber) {
  const auto found = FBench->RegisterAt(AComNumber);
  if (!found) {
    throw std::logic_error("no register on that port");
  }
  return *found;
}

}  // namespace kelvane::test
