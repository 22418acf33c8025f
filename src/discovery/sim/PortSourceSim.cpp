#include "discovery/PortSource.h"
#include "discovery/sim/SimPortSource.h"

namespace kelvane {

// A build on the bench: its ports stand in for the Windows device class.
std::shared_ptr<TPortSource> CreatePlatformPortSource() {
  return std::make_shared<TSimPortSource>();
}

}  // namespace kelvane
