#include <windows.h>

#include "platform/SystemAwake.h"

#include <atomic>

namespace kelvane {

namespace {

std::atomic<bool> Requested{false};

}  // namespace

void SetSystemAwakeRequired(bool AValue) {
  SetThreadExecutionState(AValue ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
  Requested.store(AValue);
}

bool SystemAwakeRequested() {
  return Requested.load();
}

}  // namespace kelvane
