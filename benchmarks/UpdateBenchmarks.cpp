// How fast blocks are decoded, how long a whole update takes on a register that answers at once,
// and how the time of simultaneous updates grows with their number (the scaling harness).
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "driver/TarvikFactory.h"
#include "driver/sim/BenchFile.h"
#include "driver/sim/SimFirmware.h"
#include "driver/sim/SimTarvik.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "procedures/UpdateTask.h"
#include "tasks/MainThread.h"

namespace kelvane {
namespace {

// The install pause would dwarf everything measured here; it passes at once.
class TNoPauseClock final : public TClock {
 public:
  TDateTime LocalNow() override { return SystemLocalNow(); }
  std::chrono::milliseconds SteadyNow() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
  }
  void Sleep(std::chrono::milliseconds) override {}
};

std::u16string WriteFirmware(size_t APayload) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("kelvane-bench_" + std::to_string(APayload) + "_3105.bin");
  const std::string image = MakeSimFirmware({3105, u"A.5", EncodeDate(2026, 12, 1)}, APayload);
  std::ofstream(path, std::ios::binary)
      .write(image.data(), static_cast<std::streamsize>(image.size()));
  return path.u16string();
}

// Registers on ports 1..ACount; ABlockMs per block as a real register would take.
void UseBench(int ACount, int ABlockMs) {
  std::string xml = "<bench no-answer-ms='0'>";
  for (int port = 1; port <= ACount; ++port) {
    xml += "<port number='" + std::to_string(port) + "' name='USB (COM" + std::to_string(port) +
           ")'><register model='154' serial='S' block-ms='" + std::to_string(ABlockMs) +
           "'/></port>";
  }
  const auto bench = ParseBench(xml + "</bench>", "benchmark");
  SetCurrentBench(bench);
  SetTarvikFactory([bench] { return std::make_unique<TSimTarvik>(bench); });
}

void RunUpdates(int ACount, const std::u16string& AFile) {
  std::vector<std::unique_ptr<TUpdateTask>> tasks;
  for (int port = 1; port <= ACount; ++port) {
    auto task = std::make_unique<TUpdateTask>();
    task->SetComNumber(port);
    task->SetProtocolType(1);
    task->SetFileName(AFile);
    task->Start();
    tasks.push_back(std::move(task));
  }
  TMainThread::Instance().WaitWhileDraining([&] {
    for (const auto& task : tasks) {
      if (!task->WorkerEnded()) {
        return false;
      }
    }
    return true;
  });
}

void BM_DecodeBlock(benchmark::State& AState) {
  std::string block(128, '\0');
  for (size_t i = 0; i < block.size(); ++i) {
    block[i] = static_cast<char>(i * 2 + 1);
  }
  for (auto _ : AState) {
    benchmark::DoNotOptimize(AnsiToUnicode(block));
  }
  AState.SetBytesProcessed(static_cast<std::int64_t>(AState.iterations()) * 128);
}
BENCHMARK(BM_DecodeBlock);

// A whole update of one register that answers at once: the tool's own share of an update.
void BM_UpdateImage(benchmark::State& AState) {
  SetClock(std::make_shared<TNoPauseClock>());
  const std::u16string file = WriteFirmware(static_cast<size_t>(AState.range(0)));
  UseBench(1, 0);
  for (auto _ : AState) {
    RunUpdates(1, file);
  }
  AState.SetBytesProcessed(static_cast<std::int64_t>(AState.iterations()) * AState.range(0));
  SetClock(nullptr);
}
BENCHMARK(BM_UpdateImage)
    ->Arg(64 << 10)
    ->Arg(1 << 20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Simultaneous updates of registers that take 1 ms per block: with one thread per register the
// time should stay near that of one update as their number grows.
void BM_ParallelUpdates(benchmark::State& AState) {
  SetClock(std::make_shared<TNoPauseClock>());
  const std::u16string file = WriteFirmware(16 << 10);
  const int count = static_cast<int>(AState.range(0));
  UseBench(count, 1);
  for (auto _ : AState) {
    RunUpdates(count, file);
  }
  AState.counters["registers"] = count;
  SetClock(nullptr);
}
BENCHMARK(BM_ParallelUpdates)
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Arg(8)
    ->Arg(16)
    ->Arg(32)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace kelvane
