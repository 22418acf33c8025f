#include <windows.h>

#include "platform/WinOwners.h"

#include "platform/WindowPlacement.h"

namespace kelvane {

namespace {

HWND Hwnd(void* AWindow) {
  return static_cast<HWND>(AWindow);
}

WINDOWPLACEMENT Current(void* AWindow) {
  WINDOWPLACEMENT native{};
  native.length = sizeof native;
  if (!GetWindowPlacement(Hwnd(AWindow), &native)) {
    // Never a record of zeros: a normal window where it stands now, or nothing at all.
    native = WINDOWPLACEMENT{};
    native.length = sizeof native;
    native.showCmd = SW_SHOWNORMAL;
    native.ptMinPosition = {-1, -1};
    native.ptMaxPosition = {-1, -1};
    GetWindowRect(Hwnd(AWindow), &native.rcNormalPosition);
  }
  return native;
}

}  // namespace

TWindowPlacement GetNativePlacement(void* AWindow) {
  const WINDOWPLACEMENT native = Current(AWindow);
  TWindowPlacement placement;
  placement.Flags = static_cast<std::int32_t>(native.flags);
  placement.ShowCmd = static_cast<std::int32_t>(native.showCmd);
  placement.MinPosition = {native.ptMinPosition.x, native.ptMinPosition.y};
  placement.MaxPosition = {native.ptMaxPosition.x, native.ptMaxPosition.y};
  placement.NormalPosition = {native.rcNormalPosition.left, native.rcNormalPosition.top,
                              native.rcNormalPosition.right, native.rcNormalPosition.bottom};
  return placement;
}

void SetNativePlacement(void* AWindow, const TWindowPlacement& APlacement) {
  WINDOWPLACEMENT native{};
  native.length = sizeof native;
  native.flags = static_cast<UINT>(APlacement.Flags);
  // The window is not visible yet and stays so; its show state is set on its own.
  native.showCmd = IsWindowVisible(Hwnd(AWindow)) ? SW_SHOWNA : SW_HIDE;
  native.ptMinPosition = {APlacement.MinPosition.X, APlacement.MinPosition.Y};
  native.ptMaxPosition = {APlacement.MaxPosition.X, APlacement.MaxPosition.Y};
  native.rcNormalPosition = {APlacement.NormalPosition.Left, APlacement.NormalPosition.Top,
                             APlacement.NormalPosition.Right, APlacement.NormalPosition.Bottom};
  SetWindowPlacement(Hwnd(AWindow), &native);
}

void PlaceNativeMaximisedBorderOutsideScreen(void* AWindow) {
  WINDOWPLACEMENT native = Current(AWindow);
  native.ptMaxPosition = {-GetSystemMetrics(SM_CXFRAME), -GetSystemMetrics(SM_CYFRAME)};
  native.showCmd = IsWindowVisible(Hwnd(AWindow)) ? SW_SHOWNA : SW_HIDE;
  SetWindowPlacement(Hwnd(AWindow), &native);
}

std::int32_t NativeDesktopWidth() {
  return GetSystemMetrics(SM_CXVIRTUALSCREEN);
}

std::int32_t NativeDesktopHeight() {
  return GetSystemMetrics(SM_CYVIRTUALSCREEN);
}

std::int32_t NativePixelsPerInch() {
  const win32::TWindowDc screen(nullptr);
  return GetDeviceCaps(screen.Get(), LOGPIXELSY);
}

bool NativeOnMonitor(TPlacementPoint APoint) {
  return MonitorFromPoint(POINT{APoint.X, APoint.Y}, MONITOR_DEFAULTTONULL) != nullptr;
}

}  // namespace kelvane
