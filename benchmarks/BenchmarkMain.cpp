#include <benchmark/benchmark.h>

#include "tasks/MainThread.h"

int main(int argc, char** argv) {
  // The benchmarks play the main thread, serving the workers' end-of-run hand-over.
  kelvane::TMainThread::Instance().BindToCurrentThread();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
