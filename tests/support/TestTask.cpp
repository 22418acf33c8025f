#include "support/TestTask.h"

namespace kelvane::test {

void TGate::Open() {
  {
    std::lock_guard lock(FMutex);
    FOpen = true;
  }
  FChanged.notify_all();
}

void TGate::Wait() const {
  std::unique_lock lock(FMutex);
  FChanged.wait(lock, [this] { return FOpen; });
}

bool TGate::WaitFor(std::chrono::milliseconds ATime) const {
  std::unique_lock lock(FMutex);
  return FChanged.wait_for(lock, ATime, [this] { return FOpen; });
}

}  // namespace kelvane::test
