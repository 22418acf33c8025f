// How fast blocks are decoded, how long a whole update takes on a register that answers at once,
// and how the time of simultaneous updates grows with their number (the scaling harness).
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "platform/CodePage.h"

namespace kelvane {
namespace {

using bench::RunUpdates;
using bench::TNoPauseClock;
using bench::UseBench;
using bench::WriteFirmware;

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
  UseBench(1);
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
  UseBench(count, "block-ms='1'");
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
