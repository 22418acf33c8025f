#pragma once

#include <memory>
#include <string>

#include "driver/sim/SimBench.h"

namespace kelvane::test {

// Makes a bench, given as XML, the current one, and its driver and ports those of every task, for
// the life of the scope.
class TBenchScope {
 public:
  explicit TBenchScope(const std::string& AXml);
  ~TBenchScope();
  TBenchScope(const TBenchScope&) = delete;
  TBenchScope& operator=(const TBenchScope&) = delete;

  const std::shared_ptr<TSimBench>& Bench() const { return FBench; }
  TSimRegister& Register(std::int32_t AComNumber);

 private:
  std::shared_ptr<TSimBench> FBench;
};

}  // namespace kelvane::test
