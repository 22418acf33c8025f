#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "driver/sim/SimRegister.h"

namespace kelvane {

// One port of the simulated workstation: its number, the friendly name Windows would show, and
// the register attached to it, if any.
struct TSimPort {
  std::int32_t Number = 0;
  std::u16string FriendlyName;
  std::shared_ptr<TSimRegister> Register;
};

// A simulated workstation: the Linux stand-in for the driver and the ports, and the demo bench.
class TSimBench {
 public:
  TSimBench(std::vector<TSimPort> APorts, std::chrono::milliseconds ANoAnswerDelay);

  const std::vector<TSimPort>& Ports() const { return FPorts; }
  // The port of that number, or null.
  const TSimPort* Port(std::int32_t ANumber) const;
  // The register on that port, or null.
  std::shared_ptr<TSimRegister> RegisterAt(std::int32_t ANumber) const;
  // How long the driver waits for an answer that does not come.
  std::chrono::milliseconds NoAnswerDelay() const { return FNoAnswerDelay; }

 private:
  const std::vector<TSimPort> FPorts;
  const std::chrono::milliseconds FNoAnswerDelay;
};

// The bench the simulated driver and port source work on: the one set last, else the built-in
// default bench. Setting null returns to the default bench.
std::shared_ptr<TSimBench> CurrentBench();
std::shared_ptr<TSimBench> SetCurrentBench(std::shared_ptr<TSimBench> ABench);

// Loads the bench named by the environment variable KELVANE_BENCH, or the built-in default bench
// when it is not set, and makes it the current one. Raises EError, naming the file, the line and
// the problem, when the file cannot be read or holds a wrong value.
void UseBenchFromEnvironment();

}  // namespace kelvane
