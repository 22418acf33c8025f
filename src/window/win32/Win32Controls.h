#pragma once

#include <windows.h>

namespace kelvane::win32_controls {

// Anchors: the edges of the window a control keeps its distance to.
constexpr unsigned kLeft = 1;
constexpr unsigned kTop = 2;
constexpr unsigned kRight = 4;
constexpr unsigned kBottom = 8;

// A design width that follows the control's text.
constexpr int kAutoSize = -1;

// Control and menu identifiers.
enum : int {
  kIdSearch = 101,
  kIdStart,
  kIdStop,
  kIdProgress,
  kIdFileNameLabel,
  kIdFileName,
  kIdOpen,
  kIdWriteTables,
  kIdTablesLabel,
  kIdTablesFileName,
  kIdTablesOpen,
  kIdList,
  kIdStatusBar,
  kIdResetTaskPopup = 201,
  kIdStopTaskPopup,
  kIdWriteCustomFirmware
};

// Timers: the two of the window's behaviour and the busy animation's.
enum : UINT_PTR { kTimerPage = 1, kTimerDevices = 2, kTimerBusy = 3 };

}  // namespace kelvane::win32_controls
