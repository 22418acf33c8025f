#pragma once

#include <string>
#include <vector>

#include "window/KeptWindow.h"
#include "window/XmlStorage.h"

namespace kelvane {

// The window-state keeper: saves the window's placement and the values of some of its controls
// into the settings store, and applies them again when the window is first shown.
class TFormStorage {
 public:
  static constexpr std::int32_t kVersion = 0;

  // AStoredProps: "control.Property" entries; those without a "." or naming a control or a
  // writable property the window does not have are dropped.
  TFormStorage(TXmlStorage& AStorage, TKeptWindow& AWindow,
               const std::vector<std::u16string>& AStoredProps);

  void RestoreFormPlacement();
  void SaveFormPlacement();
  bool Restored() const { return FRestored; }
  // Whether a restore applied a stored placement to the window.
  bool PlacementApplied() const { return FPlacementApplied; }
  bool Saved() const { return FSaved; }
  const std::vector<TKeptProperty>& StoredProps() const { return FStoredProps; }

 private:
  std::u16string Path(std::u16string_view AName) const;
  // "MinMaxPos" or "NormPos" qualified with the desktop's size.
  std::u16string DesktopName(std::u16string_view AName) const;
  std::u16string ReadPreferringDesktop(std::u16string_view AName) const;
  void RestorePlacement();
  void RestoreState();
  void RestoreControls();

  TXmlStorage& FStorage;
  TKeptWindow& FWindow;
  // "%FORM_NAME%\" with the window's name in place of the marker.
  std::u16string FAppStoragePath;
  std::vector<TKeptProperty> FStoredProps;
  bool FRestored = false;
  bool FSaved = false;
  bool FPlacementApplied = false;
};

}  // namespace kelvane
