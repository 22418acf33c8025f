#include "driver/TarvikFactory.h"
#include "driver/sim/SimTarvik.h"

namespace kelvane {

// A build without the driver: the simulated bench stands in for it.
std::unique_ptr<TTarvik> CreatePlatformTarvik() {
  return std::make_unique<TSimTarvik>(CurrentBench());
}

std::u16string PlatformDriverName() {
  return u"имитация стенда";
}

void PreparePlatformDriver() {
  UseBenchFromEnvironment();
}

}  // namespace kelvane
