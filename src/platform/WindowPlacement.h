#pragma once

#include <cstdint>

#include "platform/Placement.h"

namespace kelvane {

// The Win32 placement of a window, by its native handle (HWND).
TWindowPlacement GetNativePlacement(void* AWindow);
// Applies the placement without showing the window.
void SetNativePlacement(void* AWindow, const TWindowPlacement& APlacement);
// The maximised position moved by minus the sizing border (SM_CXFRAME, SM_CYFRAME).
void PlaceNativeMaximisedBorderOutsideScreen(void* AWindow);
// The virtual screen's size, the screen's logical resolution, and whether a point lies on a
// connected monitor.
std::int32_t NativeDesktopWidth();
std::int32_t NativeDesktopHeight();
std::int32_t NativePixelsPerInch();
bool NativeOnMonitor(TPlacementPoint APoint);

}  // namespace kelvane
