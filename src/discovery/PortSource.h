#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kelvane {

// Where the present serial ports come from: for each present device of the class "Ports", in
// enumeration order, its friendly name, or nothing when it cannot be read. Never raises: what
// cannot be enumerated is simply not listed.
class TPortSource {
 public:
  virtual ~TPortSource() = default;
  virtual std::vector<std::optional<std::u16string>> PresentPortNames() = 0;
};

std::shared_ptr<TPortSource> PortSource();
// Replaces the port source (tests); null restores the platform's. Returns the previous one.
std::shared_ptr<TPortSource> SetPortSource(std::shared_ptr<TPortSource> ASource);

// The build's source: SetupAPI (KELVANE_DRIVER=com) or the simulated bench's ports (sim).
std::shared_ptr<TPortSource> CreatePlatformPortSource();

}  // namespace kelvane
