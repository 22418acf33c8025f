#pragma once

#include <windows.h>

#include <functional>

#include "window/KeptWindow.h"
#include "window/MainForm.h"
#include "window/win32/Win32Controls.h"

namespace kelvane {

// The Win32 window as the window-state keeper sees it: the real window placement, the real
// monitors, and the fields and the tick box by their names.
class TWin32KeptWindow final : public TKeptWindow {
 public:
  // AControl: a control of the window by its name (letter case ignored), or null.
  TWin32KeptWindow(HWND AWindow, std::function<HWND(std::u16string_view)> AControl);

  std::u16string ObjectName() const override { return std::u16string(form::kWindowName); }
  std::optional<TKeptProperty> FindProperty(std::u16string_view AControl,
                                            std::u16string_view AProperty) const override;
  std::u16string ReadText(const TKeptProperty& AProperty) const override;
  bool ReadTick(const TKeptProperty& AProperty) const override;
  bool WriteText(const TKeptProperty& AProperty, const std::u16string& AValue) override;
  bool WriteTick(const TKeptProperty& AProperty, bool AValue) override;

  TWindowPlacement Placement() const override;
  void SetPlacement(const TWindowPlacement& APlacement) override;
  std::int32_t ShowState() const override;
  void SetShowState(std::int32_t AShowCmd) override;
  void RequestMinimise() override;
  bool ApplicationMinimised() const override;
  void PlaceMaximisedBorderOutsideScreen() override;
  std::int32_t DesktopWidth() const override;
  std::int32_t DesktopHeight() const override;
  std::int32_t PixelsPerInch() const override;
  bool OnMonitor(TPlacementPoint APoint) const override;

  // The show command for the first showing: SW_SHOWMAXIMIZED or SW_SHOWNORMAL.
  int FirstShowCommand() const {
    return FShowCmd == kShowMaximised ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
  }

 private:
  HWND FWindow;
  std::function<HWND(std::u16string_view)> FControl;
  std::int32_t FShowCmd = kShowNormal;
};

}  // namespace kelvane
