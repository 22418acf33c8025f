#include "support/MessagePump.h"
#include <windows.h>

#include <chrono>

#include "support/Waiting.h"

namespace kelvane::test {

bool PumpUntil(const std::function<bool()>& ACondition) {
  const auto limit = std::chrono::steady_clock::now() + kWaitLimit;
  while (!ACondition()) {
    if (std::chrono::steady_clock::now() > limit) {
      return false;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      // A closed window posts its quit; the tests go on.
      if (message.message != WM_QUIT) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
  }
  return true;
}

}  // namespace kelvane::test
