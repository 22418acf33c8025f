#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Placement.h"

namespace kelvane {

// A control property that the keeper saves and restores.
struct TKeptProperty {
  enum TKind { Text, Tick };
  std::u16string Control;
  // The property's name as the control declares it: "Text", "Checked".
  std::u16string Name;
  TKind Kind = Text;
};

// What the window-state keeper needs of the window and its screen.
class TKeptWindow {
 public:
  virtual ~TKeptWindow() = default;

  virtual std::u16string ObjectName() const = 0;
  // A writable property of a control, by the control's name and the property's name (letter case
  // ignored); nothing when either does not exist.
  virtual std::optional<TKeptProperty> FindProperty(std::u16string_view AControl,
                                                    std::u16string_view AProperty) const = 0;
  virtual std::u16string ReadText(const TKeptProperty& AProperty) const = 0;
  virtual bool ReadTick(const TKeptProperty& AProperty) const = 0;
  // False when the value could not be applied.
  virtual bool WriteText(const TKeptProperty& AProperty, const std::u16string& AValue) = 0;
  virtual bool WriteTick(const TKeptProperty& AProperty, bool AValue) = 0;

  virtual TWindowPlacement Placement() const = 0;
  // Applies the placement without showing the window.
  virtual void SetPlacement(const TWindowPlacement& APlacement) = 0;
  // kShowNormal, kShowMinimised or kShowMaximised.
  virtual std::int32_t ShowState() const = 0;
  virtual void SetShowState(std::int32_t AShowCmd) = 0;
  // Queues a request to minimise the application, so that it shows and then minimises itself.
  virtual void RequestMinimise() = 0;
  virtual bool ApplicationMinimised() const = 0;
  // Moves the maximised position by the sizing border, so that a maximised window's border lies
  // just outside the screen.
  virtual void PlaceMaximisedBorderOutsideScreen() = 0;

  // The rectangle that spans all monitors, its size; the screen's logical resolution.
  virtual std::int32_t DesktopWidth() const = 0;
  virtual std::int32_t DesktopHeight() const = 0;
  virtual std::int32_t PixelsPerInch() const = 0;
  virtual bool OnMonitor(TPlacementPoint APoint) const = 0;
};

}  // namespace kelvane
