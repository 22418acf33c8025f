#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "driver/TarvikFactory.h"
#include "driver/sim/SimBench.h"
#include "support/SlotValue.h"
#include "support/TestTask.h"

namespace kelvane::test {

// Holds the driver calls on chosen ports until the test opens their gate, so that a test decides
// when a search on that port can go on. Calls on other ports pass to the bench at once.
class TPortGates {
 public:
  void Close(std::int32_t APort);
  void Open(std::int32_t APort);
  void OpenAll();
  void Pass(std::int32_t APort);

 private:
  std::mutex FMutex;
  std::map<std::int32_t, std::shared_ptr<TGate>> FGates;
};

// Makes every task body get a bench control whose calls pass the gates, for the life of the scope.
class TGatedDriverScope {
 public:
  TGatedDriverScope(std::shared_ptr<TSimBench> ABench, std::shared_ptr<TPortGates> AGates);

 private:
  TSlotValue<TTarvikFactory> FSlot;
};

}  // namespace kelvane::test
