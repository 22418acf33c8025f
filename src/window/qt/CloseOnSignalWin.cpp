#include "window/qt/CloseOnSignal.h"

namespace kelvane {

void CloseOnTerminationSignals(QWidget&) {
  // Windows ends a window's program by the session's messages, not by signals.
}

}  // namespace kelvane
