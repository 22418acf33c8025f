#include <windows.h>

#include "platform/SystemAwake.h"

namespace kelvane {

void SetSystemAwakeRequired(bool AValue) {
  SetThreadExecutionState(AValue ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
}

}  // namespace kelvane
