#include "discovery/sim/SimPortSource.h"

#include "driver/sim/SimBench.h"

namespace kelvane {

std::vector<std::optional<std::u16string>> TSimPortSource::PresentPortNames() {
  std::vector<std::optional<std::u16string>> names;
  for (const TSimPort& port : CurrentBench()->Ports()) {
    names.emplace_back(port.FriendlyName);
  }
  return names;
}

}  // namespace kelvane
