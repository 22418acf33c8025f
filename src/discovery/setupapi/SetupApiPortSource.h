#pragma once

#include "discovery/PortSource.h"

namespace kelvane {

// The present devices of the Windows device class "Ports" and their friendly names, through the
// Setup API, which is loaded from "SetupApi.dll" on first use and stays loaded.
class TSetupApiPortSource final : public TPortSource {
 public:
  std::vector<std::optional<std::u16string>> PresentPortNames() override;
};

}  // namespace kelvane
