#include "window/FormStorage.h"

#include <algorithm>
#include <climits>

#include "platform/Text.h"

namespace kelvane {

namespace {

// The items of a position text, separated by commas or blanks; empty items do not count.
std::vector<std::u16string_view> Items(std::u16string_view AText) {
  std::vector<std::u16string_view> items;
  size_t start = 0;
  while (start < AText.size()) {
    const size_t end = std::min(AText.find_first_of(u", ", start), AText.size());
    if (end > start) {
      items.push_back(AText.substr(start, end - start));
    }
    start = end + 1;
  }
  return items;
}

std::optional<std::int32_t> Item(const std::vector<std::u16string_view>& AItems, size_t AIndex) {
  return AIndex < AItems.size() ? StrToInt(AItems[AIndex]) : std::nullopt;
}

std::u16string FourNumbers(std::int32_t A, std::int32_t B, std::int32_t C, std::int32_t D) {
  return IntToStr(A) + u"," + IntToStr(B) + u"," + IntToStr(C) + u"," + IntToStr(D);
}

}  // namespace

TFormStorage::TFormStorage(TXmlStorage& AStorage, TKeptWindow& AWindow,
                           const std::vector<std::u16string>& AStoredProps)
    : FStorage(AStorage), FWindow(AWindow), FAppStoragePath(AWindow.ObjectName() + u"\\") {
  for (const std::u16string& entry : AStoredProps) {
    const size_t dot = entry.find(u'.');
    if (dot == std::u16string::npos) {
      continue;
    }
    if (auto property =
            FWindow.FindProperty(Trimmed(std::u16string_view(entry).substr(0, dot), u" "),
                                 Trimmed(std::u16string_view(entry).substr(dot + 1), u" "))) {
      FStoredProps.push_back(std::move(*property));
    }
  }
}

std::u16string TFormStorage::Path(std::u16string_view AName) const {
  return FAppStoragePath + std::u16string(AName);
}

std::u16string TFormStorage::DesktopName(std::u16string_view AName) const {
  return std::u16string(AName) + u"(" + IntToStr(FWindow.DesktopWidth()) + u"x" +
         IntToStr(FWindow.DesktopHeight()) + u")";
}

std::u16string TFormStorage::ReadPreferringDesktop(std::u16string_view AName) const {
  const std::u16string qualified = Path(DesktopName(AName));
  if (FStorage.ValueStored(qualified)) {
    return FStorage.ReadString(qualified, u"");
  }
  return FStorage.ReadString(Path(AName), u"");
}

void TFormStorage::RestoreFormPlacement() {
  FSaved = false;
  if (FStorage.ReadInteger(Path(u"FormVersion"), 0) >= kVersion) {
    RestorePlacement();
    RestoreState();
    RestoreControls();
  }
  FRestored = true;
  FWindow.PlaceMaximisedBorderOutsideScreen();
}

void TFormStorage::RestorePlacement() {
  TWindowPlacement placement = FWindow.Placement();
  if (FStorage.ValueStored(Path(u"Flags"))) {
    placement.Flags = FStorage.ReadInteger(Path(u"Flags"), placement.Flags);
  }
  const std::u16string minMax = ReadPreferringDesktop(u"MinMaxPos");
  if (!minMax.empty()) {
    const auto items = Items(minMax);
    placement.MinPosition = {Item(items, 0).value_or(0), Item(items, 1).value_or(0)};
    placement.MaxPosition = {Item(items, 2).value_or(0), Item(items, 3).value_or(0)};
  }
  const std::u16string normal = ReadPreferringDesktop(u"NormPos");
  if (!normal.empty()) {
    const TPlacementRect current = placement.NormalPosition;
    const auto items = Items(normal);
    // The current width and height, computed where no 32-bit value can overflow.
    const auto span = [](std::int32_t AFrom, std::int32_t ATo) {
      return static_cast<std::int32_t>(
          std::clamp<std::int64_t>(std::int64_t{ATo} - AFrom, INT32_MIN, INT32_MAX));
    };
    placement.NormalPosition = {Item(items, 0).value_or(current.Left),
                                Item(items, 1).value_or(current.Top),
                                Item(items, 2).value_or(span(current.Left, current.Right)),
                                Item(items, 3).value_or(span(current.Top, current.Bottom))};
  }
  if (minMax.empty() && normal.empty()) {
    return;
  }
  // Only on the same resolution, and only where the window can be seen.
  if (FStorage.ReadInteger(Path(u"PixelsPerInch"), FWindow.PixelsPerInch()) !=
      FWindow.PixelsPerInch()) {
    return;
  }
  const TPlacementRect& rect = placement.NormalPosition;
  // An inverted or empty rectangle is not applied; checked first, so that Right - 1 and
  // Bottom - 1 below never leave the 32-bit range.
  if (rect.Left >= rect.Right || rect.Top >= rect.Bottom ||
      !FWindow.OnMonitor({rect.Left, rect.Top}) ||
      !FWindow.OnMonitor({rect.Right - 1, rect.Bottom - 1})) {
    return;
  }
  FWindow.SetPlacement(placement);
  FPlacementApplied = true;
}

void TFormStorage::RestoreState() {
  switch (FStorage.ReadInteger(Path(u"ShowCmd"), FWindow.ShowState())) {
    case kShowMinimised:
    case kShowMinimise:
    case kShowMinimisedInactive:
      // The tool shows its window and then minimises itself.
      FWindow.SetShowState(kShowNormal);
      FWindow.RequestMinimise();
      break;
    case kShowMaximised:
      FWindow.SetShowState(kShowMaximised);
      break;
    default:
      FWindow.SetShowState(kShowNormal);
      break;
  }
}

void TFormStorage::RestoreControls() {
  for (const TKeptProperty& property : FStoredProps) {
    const std::u16string path = Path(property.Control + u"_" + property.Name);
    if (!FStorage.ValueStored(path)) {
      continue;
    }
    // A value that cannot be applied is skipped; the others still apply.
    if (property.Kind == TKeptProperty::Text) {
      FWindow.WriteText(property, FStorage.ReadString(path, u""));
    } else {
      FWindow.WriteTick(property, FStorage.ReadBoolean(path, FWindow.ReadTick(property)));
    }
  }
}

void TFormStorage::SaveFormPlacement() {
  FStorage.WriteInteger(Path(u"FormVersion"), kVersion);
  if (!FRestored) {
    return;
  }
  TWindowPlacement placement = FWindow.Placement();
  if (FWindow.ApplicationMinimised()) {
    placement.ShowCmd = 2;
  }
  FStorage.WriteInteger(Path(u"ShowCmd"), placement.ShowCmd);
  FStorage.WriteInteger(Path(u"Flags"), placement.Flags);
  FStorage.WriteInteger(Path(u"PixelsPerInch"), FWindow.PixelsPerInch());
  const std::u16string minMax = FourNumbers(placement.MinPosition.X, placement.MinPosition.Y,
                                            placement.MaxPosition.X, placement.MaxPosition.Y);
  FStorage.WriteString(Path(DesktopName(u"MinMaxPos")), minMax);
  FStorage.WriteString(Path(u"MinMaxPos"), minMax);
  const TPlacementRect& rect = placement.NormalPosition;
  const std::u16string normal = FourNumbers(rect.Left, rect.Top, rect.Right, rect.Bottom);
  FStorage.WriteString(Path(DesktopName(u"NormPos")), normal);
  FStorage.WriteString(Path(u"NormPos"), normal);
  for (const TKeptProperty& property : FStoredProps) {
    const std::u16string path = Path(property.Control + u"_" + property.Name);
    if (property.Kind == TKeptProperty::Text) {
      FStorage.WriteString(path, FWindow.ReadText(property));
    } else {
      FStorage.WriteBoolean(path, FWindow.ReadTick(property));
    }
  }
  FSaved = true;
}

}  // namespace kelvane
