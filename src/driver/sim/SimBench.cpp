#include "driver/sim/SimBench.h"

#include <filesystem>

#include "driver/sim/BenchFile.h"
#include "platform/Environment.h"
#include "platform/GlobalSlot.h"

namespace kelvane {

namespace {

TGlobalSlot<TSimBench>& BenchSlot() {
  static TGlobalSlot<TSimBench> slot;
  return slot;
}

}  // namespace

TSimBench::TSimBench(std::vector<TSimPort> APorts, std::chrono::milliseconds ANoAnswerDelay)
    : FPorts(std::move(APorts)), FNoAnswerDelay(ANoAnswerDelay) {
}

const TSimPort* TSimBench::Port(std::int32_t ANumber) const {
  for (const TSimPort& port : FPorts) {
    if (port.Number == ANumber) {
      return &port;
    }
  }
  return nullptr;
}

std::shared_ptr<TSimRegister> TSimBench::RegisterAt(std::int32_t ANumber) const {
  const TSimPort* port = Port(ANumber);
  return port ? port->Register : nullptr;
}

std::shared_ptr<TSimBench> CurrentBench() {
  if (auto bench = BenchSlot().Get()) {
    return bench;
  }
  static const std::shared_ptr<TSimBench> defaultBench = LoadDefaultBench();
  return defaultBench;
}

std::shared_ptr<TSimBench> SetCurrentBench(std::shared_ptr<TSimBench> ABench) {
  return BenchSlot().Exchange(std::move(ABench));
}

void UseBenchFromEnvironment() {
  const std::filesystem::path path = EnvironmentPath("KELVANE_BENCH");
  SetCurrentBench(!path.empty() ? LoadBenchFile(path) : LoadDefaultBench());
}

}  // namespace kelvane
