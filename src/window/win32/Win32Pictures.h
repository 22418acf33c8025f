#pragma once

#include <windows.h>

#include <commctrl.h>

#include "window/MainForm.h"

namespace kelvane {

// The window's pictures at ASize pixels (16 at 96 dpi), from the program's resources.

// An image list for BCM_SETIMAGELIST: a button's picture for every button state, faded and grey
// for the disabled one. The caller destroys it.
HIMAGELIST CreateButtonImages(form::TPicture APicture, int ASize);
// The window's icon: a register with its paper strip and display. The caller destroys it.
HICON CreateWindowIcon(int ASize);
// Frame AFrame (0 to 7) of the busy animation, drawn here into ARect on the background
// ABackground.
void DrawBusyFrame(HDC ADc, const RECT& ARect, int AFrame, COLORREF ABackground);

}  // namespace kelvane
