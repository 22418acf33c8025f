#include "platform/SystemAwake.h"

#include <atomic>

namespace kelvane {

namespace {

std::atomic<bool> Requested{false};

}  // namespace

// The development platform runs the bench only: no register can be left half-written, and the
// request is only kept.
void SetSystemAwakeRequired(bool AValue) {
  Requested.store(AValue);
}

bool SystemAwakeRequested() {
  return Requested.load();
}

}  // namespace kelvane
