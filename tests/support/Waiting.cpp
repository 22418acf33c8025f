#include "support/Waiting.h"

#include "tasks/MainThread.h"

namespace kelvane::test {

bool WaitUntil(const std::function<bool()>& ACondition, std::chrono::milliseconds ALimit) {
  TMainThread& mainThread = TMainThread::Instance();
  const auto deadline = std::chrono::steady_clock::now() + ALimit;
  // Conditions set by a worker without a notice are looked at again every few milliseconds.
  while (!mainThread.WaitWhileDraining(ACondition, std::chrono::milliseconds(2))) {
    if (std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
  }
  return true;
}

bool WaitForEnd(const TCustomTask& ATask, std::chrono::milliseconds ALimit) {
  return WaitUntil([&] { return ATask.State().Finished.load() && !ATask.State().Started.load(); },
                   ALimit);
}

}  // namespace kelvane::test
