#include "driver/sim/SimBench.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdlib>
#include <filesystem>

#include "driver/sim/BenchFile.h"
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

namespace {

// KELVANE_BENCH as the process has it now; on Windows in UTF-16 from the process's own block,
// which a library's runtime may have copied before the variable was set.
std::filesystem::path BenchFileFromEnvironment() {
#ifdef _WIN32
  wchar_t path[32768] = {};
  const DWORD length = GetEnvironmentVariableW(L"KELVANE_BENCH", path, 32768);
  return length > 0 && length < 32768 ? std::filesystem::path(path) : std::filesystem::path();
#else
  const char* path = std::getenv("KELVANE_BENCH");
  return path != nullptr ? std::filesystem::path(path) : std::filesystem::path();
#endif
}

}  // namespace

void UseBenchFromEnvironment() {
  const std::filesystem::path path = BenchFileFromEnvironment();
  SetCurrentBench(!path.empty() ? LoadBenchFile(path) : LoadDefaultBench());
}

}  // namespace kelvane
