#include "driver/TarvikFactory.h"
#include "driver/win/ComTarvik.h"

namespace kelvane {

std::unique_ptr<TTarvik> CreatePlatformTarvik() {
  return TComTarvik::Create();
}

}  // namespace kelvane
