#include "window/win32/Win32KeptWindow.h"

#include "platform/Text.h"
#include "platform/WindowPlacement.h"
#include "window/MainForm.h"

namespace kelvane {

TWin32KeptWindow::TWin32KeptWindow(HWND AWindow, std::function<HWND(std::u16string_view)> AControl)
    : FWindow(AWindow), FControl(std::move(AControl)) {
}

std::optional<TKeptProperty> TWin32KeptWindow::FindProperty(std::u16string_view AControl,
                                                            std::u16string_view AProperty) const {
  // The kept properties the window's controls have: the fields' text and the box's tick.
  for (const form::TKeptPropertyDesc& property : form::KeptProperties()) {
    if (SameName(property.Control, AControl) && SameName(property.Name, AProperty) &&
        FControl(property.Control) != nullptr) {
      return TKeptProperty{std::u16string(property.Control), std::u16string(property.Name),
                           property.Kind};
    }
  }
  return std::nullopt;
}

std::u16string TWin32KeptWindow::ReadText(const TKeptProperty& AProperty) const {
  const HWND control = FControl(AProperty.Control);
  return control != nullptr ? WindowText(control) : std::u16string();
}

bool TWin32KeptWindow::ReadTick(const TKeptProperty& AProperty) const {
  const HWND control = FControl(AProperty.Control);
  return control != nullptr && SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool TWin32KeptWindow::WriteText(const TKeptProperty& AProperty, const std::u16string& AValue) {
  const HWND control = FControl(AProperty.Control);
  return control != nullptr &&
         SetWindowTextW(control, reinterpret_cast<LPCWSTR>(AValue.c_str())) != 0;
}

bool TWin32KeptWindow::WriteTick(const TKeptProperty& AProperty, bool AValue) {
  const HWND control = FControl(AProperty.Control);
  if (control == nullptr) {
    return false;
  }
  SendMessageW(control, BM_SETCHECK, AValue ? BST_CHECKED : BST_UNCHECKED, 0);
  return true;
}

TWindowPlacement TWin32KeptWindow::Placement() const {
  TWindowPlacement placement = GetNativePlacement(FWindow);
  if (!IsWindowVisible(FWindow)) {
    placement.ShowCmd = FShowCmd;
  }
  return placement;
}

void TWin32KeptWindow::SetPlacement(const TWindowPlacement& APlacement) {
  SetNativePlacement(FWindow, APlacement);
}

std::int32_t TWin32KeptWindow::ShowState() const {
  if (!IsWindowVisible(FWindow)) {
    return FShowCmd;
  }
  if (IsIconic(FWindow)) {
    return kShowMinimised;
  }
  return IsZoomed(FWindow) ? kShowMaximised : kShowNormal;
}

void TWin32KeptWindow::SetShowState(std::int32_t AShowCmd) {
  // Before the first showing the state waits for it; afterwards it applies at once.
  FShowCmd = AShowCmd == kShowMaximised ? kShowMaximised : kShowNormal;
  if (IsWindowVisible(FWindow)) {
    ShowWindow(FWindow, FirstShowCommand());
  }
}

void TWin32KeptWindow::RequestMinimise() {
  PostMessageW(FWindow, WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

bool TWin32KeptWindow::ApplicationMinimised() const {
  return IsIconic(FWindow) != 0;
}

void TWin32KeptWindow::PlaceMaximisedBorderOutsideScreen() {
  PlaceNativeMaximisedBorderOutsideScreen(FWindow);
}

std::int32_t TWin32KeptWindow::DesktopWidth() const {
  return NativeDesktopWidth();
}

std::int32_t TWin32KeptWindow::DesktopHeight() const {
  return NativeDesktopHeight();
}

std::int32_t TWin32KeptWindow::PixelsPerInch() const {
  return NativePixelsPerInch();
}

bool TWin32KeptWindow::OnMonitor(TPlacementPoint APoint) const {
  return NativeOnMonitor(APoint);
}

}  // namespace kelvane
