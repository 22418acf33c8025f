#pragma once

#include <map>
#include <vector>

#include "window/KeptWindow.h"

namespace kelvane::test {

// A window and screen for the window-state keeper, without either.
class TFakeKeptWindow final : public TKeptWindow {
 public:
  struct TControl {
    std::u16string Property;
    TKeptProperty::TKind Kind = TKeptProperty::Text;
    std::u16string Text;
    bool Tick = false;
  };

  TFakeKeptWindow();

  std::u16string ObjectName() const override { return u"fmMain"; }
  std::optional<TKeptProperty> FindProperty(std::u16string_view AControl,
                                            std::u16string_view AProperty) const override;
  std::u16string ReadText(const TKeptProperty& AProperty) const override;
  bool ReadTick(const TKeptProperty& AProperty) const override;
  bool WriteText(const TKeptProperty& AProperty, const std::u16string& AValue) override;
  bool WriteTick(const TKeptProperty& AProperty, bool AValue) override;
  TWindowPlacement Placement() const override { return FPlacement; }
  void SetPlacement(const TWindowPlacement& APlacement) override;
  std::int32_t ShowState() const override { return FPlacement.ShowCmd; }
  void SetShowState(std::int32_t AShowCmd) override { FPlacement.ShowCmd = AShowCmd; }
  void RequestMinimise() override { ++MinimiseRequests; }
  bool ApplicationMinimised() const override { return Minimised; }
  void PlaceMaximisedBorderOutsideScreen() override { FPlacement.MaxPosition = {-4, -4}; }
  std::int32_t DesktopWidth() const override { return Width; }
  std::int32_t DesktopHeight() const override { return Height; }
  std::int32_t PixelsPerInch() const override { return Ppi; }
  bool OnMonitor(TPlacementPoint APoint) const override;

  std::map<std::u16string, TControl> Controls;
  TWindowPlacement FPlacement;
  int PlacementsApplied = 0;
  int MinimiseRequests = 0;
  bool Minimised = false;
  std::int32_t Width = 1280;
  std::int32_t Height = 1024;
  std::int32_t Ppi = 96;
  std::vector<TPlacementRect> Monitors{{0, 0, 1280, 1024}};
};

}  // namespace kelvane::test
