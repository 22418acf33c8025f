#pragma once

#include <QMainWindow>
#include <QMetaProperty>

#include "window/KeptWindow.h"

namespace kelvane {

// The Qt window as the window-state keeper sees it. On Windows its placement is the Win32 window
// placement; elsewhere the placement maps onto Qt's geometry: the show command onto the window
// state, the normal rectangle onto the normal geometry (left, top, right, bottom), flags and the
// minimised and maximised positions are kept as given.
class TQtKeptWindow final : public TKeptWindow {
 public:
  explicit TQtKeptWindow(QMainWindow& AWindow);

  std::u16string ObjectName() const override;
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

 private:
  QObject* Control(std::u16string_view AName) const;
  std::optional<QMetaProperty> Property(QObject& AControl, std::u16string_view AName) const;
  QVariant Read(const TKeptProperty& AProperty) const;
  bool Write(const TKeptProperty& AProperty, const QVariant& AValue);

  QMainWindow& FWindow;
  std::int32_t FFlags = 0;
  TPlacementPoint FMinPosition{-1, -1};
  TPlacementPoint FMaxPosition{-1, -1};
};

}  // namespace kelvane
