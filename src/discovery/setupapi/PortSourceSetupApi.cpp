#include "discovery/PortSource.h"
#include "discovery/setupapi/SetupApiPortSource.h"

namespace kelvane {

std::shared_ptr<TPortSource> CreatePlatformPortSource() {
  return std::make_shared<TSetupApiPortSource>();
}

}  // namespace kelvane
