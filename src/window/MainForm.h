#pragma once

#include <algorithm>
#include <optional>
#include <span>
#include <string_view>

#include "window/KeptWindow.h"
#include "window/MainView.h"

namespace kelvane::form {

// The window as both views build it: every control, place, text, column, menu item, timer and
// kept property is written here once. Places are at 96 dpi, in the client area.

// The client area, status bar included.
constexpr int kClientWidth = 654;
constexpr int kClientHeight = 416;
constexpr int kStatusBarHeight = 19;

// The window's name: its settings are kept under it.
constexpr std::u16string_view kWindowName = u"fmMain";

// The window's font.
constexpr std::u16string_view kFontFace = u"Tahoma";
constexpr int kFontPoints = 8;

// The command buttons' pictures: their size, their distance from the button's left edge, and
// their look while the button is disabled: the same shape in this grey, half as opaque.
constexpr int kPictureSize = 16;
constexpr int kPictureMargin = 10;
constexpr int kFadedGrey = 160;
constexpr int FadedAlpha(int AAlpha) {
  return AAlpha / 2;
}

// The busy indicator: a ring of dots on a kPictureSize square, going round one dot every
// kBusyFrameMs; the leading dot is darkest and those behind it fade out.
constexpr int kBusyDots = 8;
constexpr int kBusyFrameMs = 100;
constexpr double kBusyRingRadius = 5.5;
constexpr double kBusyDotRadius = 1.7;
// The grey (0 to 255) of a dot in a frame.
constexpr int BusyDotGrey(int AFrame, int ADot) {
  const int behind = ((AFrame - ADot) % kBusyDots + kBusyDots) % kBusyDots;
  return std::min(64 + behind * 24, 230);
}

// The edges of the client area a control keeps its distance to while the window is resized.
enum TAnchor : unsigned { kLeft = 1, kTop = 2, kRight = 4, kBottom = 8 };

// A place whose width and height follow the control's text in the window's font.
constexpr int kAutoSize = -1;

struct TPlace {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  bool operator==(const TPlace&) const = default;
};

enum class TKind { Button, Edit, CheckBox, List, BusyIndicator, Label, StatusBar };

// The pictures the window shows: its icon and those of three buttons. Their files are in
// src/resources/pictures; the numbers are also their resource numbers on Windows.
enum class TPicture { None = 0, Window = 1, Search = 2, Start = 3, Stop = 4 };

struct TControlDesc {
  std::u16string_view Name;
  TKind Kind;
  TPlace Place;
  unsigned Anchors;
  std::u16string_view Text;
  // The tooltip.
  std::u16string_view Hint = {};
  TPicture Picture = TPicture::None;
  std::optional<TCommand> Click = std::nullopt;
  // The control as the window's behaviour names it, for those whose state it sets.
  std::optional<TControl> Control = std::nullopt;
  // What assistive technology calls a control whose text does not say what it is.
  std::u16string_view AccessibleName = {};
  // A label's field: the control it names for assistive technology.
  std::u16string_view LabelFor = {};
};

// Buttons, fields, the list and the box take the focus with Tab; labels, the busy picture and the
// status bar do not.
constexpr bool TakesFocus(TKind AKind) {
  return AKind == TKind::Button || AKind == TKind::Edit || AKind == TKind::CheckBox ||
         AKind == TKind::List;
}

// The smallest client area, status bar included, at which every control is whole: the controls
// that stay where they are fit with the margin the window keeps at its left, and the list keeps
// kMinimumListHeight (its header and two rows).
struct TSize {
  int Width = 0;
  int Height = 0;
  bool operator==(const TSize&) const = default;
};
constexpr int kMinimumListHeight = 60;
TSize MinimumClientSize();

// The controls in the order of their creation: those that take the focus in the tab order, each
// label just before the field it names.
std::span<const TControlDesc> Controls();
// The control of that name, matched exactly; nothing for a name the window does not have.
const TControlDesc* FindControl(std::u16string_view AName);

struct TColumnDesc {
  std::u16string_view Caption;
  // 0: the column takes what is left of the list's width.
  int Width;
};
// The list's columns, in TColumn order.
std::span<const TColumnDesc> Columns();

// An item of the list's context menu; a separator has no caption and no command.
struct TMenuItemDesc {
  std::u16string_view Name;
  std::u16string_view Caption;
  std::optional<TCommand> Click;
};
std::span<const TMenuItemDesc> MenuItems();

struct TTimerDesc {
  std::u16string_view Name;
  int IntervalMs;
  TCommand Tick;
};
std::span<const TTimerDesc> Timers();

// The controls' properties the window keeps in its settings file.
struct TKeptPropertyDesc {
  std::u16string_view Control;
  std::u16string_view Name;
  TKeptProperty::TKind Kind;
};
std::span<const TKeptPropertyDesc> KeptProperties();

}  // namespace kelvane::form
