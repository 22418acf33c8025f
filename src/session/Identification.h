#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kelvane {

// One USB port as an identification pass left it: a register, or why there is none.
struct TIdentifiedPort {
  std::int32_t ComNumber = 0;
  bool Found = false;
  std::u16string Serial;
  std::u16string Version;
  std::int32_t ProtocolType = 0;
  std::u16string DeviceName;
  // The search's final text for a port without a register.
  std::u16string Error;
  // Why the register asks for recovery, when it was identified without it (a dry run).
  std::u16string RecoveryNeeded;
};

// One discovery pass, the same coordinator the window runs, with every port it searched
// reported, in port-number order. The calling thread plays the main thread meanwhile and asks
// AStopRequested every 50 ms: once it holds, the pass is stopped, and nothing is returned once
// the searches in progress have ended (none is cut short). Without ARecover no register is
// changed: one that asks for recovery is identified as it is and said to need it.
std::optional<std::vector<TIdentifiedPort>> IdentifyPorts(
    const std::function<bool()>& AStopRequested, bool ARecover = true);

}  // namespace kelvane
