#pragma once

#include <QWidget>

namespace kelvane {

// SIGTERM, SIGHUP and SIGINT close the window as the operator's close does, from the window's
// own thread: its rows are stopped and waited for in the open, and the settings and the journal
// are written. Where the system has no such signals, nothing.
void CloseOnTerminationSignals(QWidget& AWindow);

}  // namespace kelvane
