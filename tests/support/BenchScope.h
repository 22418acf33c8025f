#pragma once

#include <memory>
#include <string>

#include "discovery/PortSource.h"
#include "driver/TarvikFactory.h"
#include "driver/sim/SimBench.h"
#include "support/SlotValue.h"

namespace kelvane::test {

// Makes a bench, given as XML, the current one, and its driver and ports those of every task, for
// the life of the scope.
class TBenchScope {
 public:
  explicit TBenchScope(const std::string& AXml);

  const std::shared_ptr<TSimBench>& Bench() const { return FBench; }
  TSimRegister& Register(std::int32_t AComNumber);

 private:
  std::shared_ptr<TSimBench> FBench;
  TSlotValue<std::shared_ptr<TSimBench>> FCurrent;
  TSlotValue<TTarvikFactory> FFactory;
  TSlotValue<std::shared_ptr<TPortSource>> FPorts;
};

}  // namespace kelvane::test
