// On Windows the Qt window's placement is the Win32 window placement of its native window.
#include "platform/WindowPlacement.h"
#include "window/qt/QtKeptWindow.h"

namespace kelvane {

namespace {

void* Handle(const QMainWindow& AWindow) {
  return reinterpret_cast<void*>(AWindow.winId());
}

}  // namespace

TWindowPlacement TQtKeptWindow::Placement() const {
  return GetNativePlacement(Handle(FWindow));
}

void TQtKeptWindow::SetPlacement(const TWindowPlacement& APlacement) {
  SetNativePlacement(Handle(FWindow), APlacement);
}

void TQtKeptWindow::PlaceMaximisedBorderOutsideScreen() {
  PlaceNativeMaximisedBorderOutsideScreen(Handle(FWindow));
}

std::int32_t TQtKeptWindow::DesktopWidth() const {
  return NativeDesktopWidth();
}

std::int32_t TQtKeptWindow::DesktopHeight() const {
  return NativeDesktopHeight();
}

std::int32_t TQtKeptWindow::PixelsPerInch() const {
  return NativePixelsPerInch();
}

bool TQtKeptWindow::OnMonitor(TPlacementPoint APoint) const {
  return NativeOnMonitor(APoint);
}

}  // namespace kelvane
