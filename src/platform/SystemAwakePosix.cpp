#include "platform/SystemAwake.h"

namespace kelvane {

// The development platform runs the bench only: no register can be left half-written.
void SetSystemAwakeRequired(bool) {
}

}  // namespace kelvane
