#include "driver/TarvikFactory.h"
#include "driver/com/ComTarvik.h"

namespace kelvane {

std::unique_ptr<TTarvik> CreatePlatformTarvik() {
  return TComTarvik::Create();
}

std::u16string PlatformDriverName() {
  return TComTarvik::DriverClass();
}

void PreparePlatformDriver() {
  // The driver's control needs nothing before its first use.
}

}  // namespace kelvane
