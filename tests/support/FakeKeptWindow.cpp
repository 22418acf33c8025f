#include "support/FakeKeptWindow.h"

#include "platform/Text.h"

namespace kelvane::test {

TFakeKeptWindow::TFakeKeptWindow() {
  Controls[u"edtFileName"] = {u"Text", TKeptProperty::Text};
  Controls[u"chkWriteTables"] = {u"Checked", TKeptProperty::Tick};
  Controls[u"edtTablesFileName"] = {u"Text", TKeptProperty::Text};
  // A window of 654 x 416 in the middle of the screen.
  FPlacement.NormalPosition = {313, 304, 967, 720};
}

std::optional<TKeptProperty> TFakeKeptWindow::FindProperty(std::u16string_view AControl,
                                                           std::u16string_view AProperty) const {
  for (const auto& [name, control] : Controls) {
    if (SameName(name, AControl) && SameName(control.Property, AProperty)) {
      return TKeptProperty{name, control.Property, control.Kind};
    }
  }
  return std::nullopt;
}

std::u16string TFakeKeptWindow::ReadText(const TKeptProperty& AProperty) const {
  return Controls.at(AProperty.Control).Text;
}

bool TFakeKeptWindow::ReadTick(const TKeptProperty& AProperty) const {
  return Controls.at(AProperty.Control).Tick;
}

bool TFakeKeptWindow::WriteText(const TKeptProperty& AProperty, const std::u16string& AValue) {
  Controls.at(AProperty.Control).Text = AValue;
  return true;
}

bool TFakeKeptWindow::WriteTick(const TKeptProperty& AProperty, bool AValue) {
  Controls.at(AProperty.Control).Tick = AValue;
  return true;
}

void TFakeKeptWindow::SetPlacement(const TWindowPlacement& APlacement) {
  const std::int32_t showCmd = FPlacement.ShowCmd;
  FPlacement = APlacement;
  FPlacement.ShowCmd = showCmd;
  ++PlacementsApplied;
}

bool TFakeKeptWindow::OnMonitor(TPlacementPoint APoint) const {
  for (const TPlacementRect& monitor : Monitors) {
    if (APoint.X >= monitor.Left && APoint.X < monitor.Right && APoint.Y >= monitor.Top &&
        APoint.Y < monitor.Bottom) {
      return true;
    }
  }
  return false;
}

}  // namespace kelvane::test
