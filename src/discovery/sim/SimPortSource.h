#pragma once

#include "discovery/PortSource.h"

namespace kelvane {

// The ports of the current simulated bench, in bench order.
class TSimPortSource final : public TPortSource {
 public:
  std::vector<std::optional<std::u16string>> PresentPortNames() override;
};

}  // namespace kelvane
