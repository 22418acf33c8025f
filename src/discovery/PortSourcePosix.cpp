#include "discovery/PortSource.h"
#include "discovery/SimPortSource.h"

namespace kelvane {

// Linux has no Windows device classes: the simulated bench's ports stand in for them.
std::shared_ptr<TPortSource> CreatePlatformPortSource() {
  return std::make_shared<TSimPortSource>();
}

}  // namespace kelvane
