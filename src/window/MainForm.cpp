#include "window/MainForm.h"

#include <algorithm>
#include <array>

namespace kelvane::form {

namespace {

constexpr std::u16string_view kOpenHint = u"Открыть файл...";

// The check box comes last in the tab order although it stands between the two file fields.
constexpr std::array<TControlDesc, 13> kControls = {{
    {u"btnSearch",
     TKind::Button,
     {8, 8, 155, 25},
     kLeft | kTop,
     u"Поиск устройств...",
     {},
     TPicture::Search,
     TCommand::btnSearchClick,
     TControl::btnSearch},
    {u"btnStart",
     TKind::Button,
     {169, 8, 155, 25},
     kLeft | kTop,
     u"Запустить обновление",
     {},
     TPicture::Start,
     TCommand::btnStartClick,
     TControl::btnStart},
    {u"btnStop",
     TKind::Button,
     {330, 8, 74, 25},
     kLeft | kTop,
     u"Стоп",
     {},
     TPicture::Stop,
     TCommand::btnStopClick,
     TControl::btnStop},
    // Each label stands just before the field it names: a screen reader names the field by it.
    {u"lblFileName", TKind::Label, {8, 43, kAutoSize, 13}, kLeft | kTop, u"Путь к прошивке:", {},
     TPicture::None, std::nullopt, std::nullopt, {}, u"edtFileName"},
    {u"edtFileName", TKind::Edit, {105, 39, 492, 21}, kLeft | kTop | kRight, u"", {},
     TPicture::None, std::nullopt, TControl::edtFileName},
    {u"btnOpen",
     TKind::Button,
     {603, 37, 43, 25},
     kTop | kRight,
     u"...",
     kOpenHint,
     TPicture::None,
     TCommand::btnOpenClick,
     TControl::btnOpen,
     u"Открыть файл прошивки..."},
    {u"listView", TKind::List, {8, 112, 638, 279}, kLeft | kTop | kRight | kBottom, u"", {},
     TPicture::None, std::nullopt, std::nullopt, u"Найденные устройства"},
    {u"lbl1", TKind::Label, {8, 89, kAutoSize, 13}, kLeft | kTop, u"Файл таблиц:", {},
     TPicture::None, std::nullopt, std::nullopt, {}, u"edtTablesFileName"},
    {u"edtTablesFileName", TKind::Edit, {105, 85, 492, 21}, kLeft | kTop | kRight, u"", {},
     TPicture::None, std::nullopt, TControl::edtTablesFileName},
    {u"btnTablesOpen",
     TKind::Button,
     {603, 81, 43, 25},
     kTop | kRight,
     u"...",
     kOpenHint,
     TPicture::None,
     TCommand::btnTablesOpenClick,
     TControl::btnTablesOpen,
     u"Открыть файл таблиц..."},
    {u"chkWriteTables", TKind::CheckBox, {8, 64, 169, 17}, kLeft | kTop, u"Записывать таблицы",
     {}, TPicture::None, std::nullopt, TControl::chkWriteTables},
    {u"gifProgress", TKind::BusyIndicator, {410, 13, 16, 16}, kLeft | kTop, u"", {},
     TPicture::None, std::nullopt, std::nullopt, u"Идёт работа"},
    // The toolkit lays the status bar along the bottom edge, kStatusBarHeight high.
    {u"statusBar", TKind::StatusBar, {}, 0, u""},
}};

constexpr std::array<TColumnDesc, 4> kColumns = {{
    {u"COM", 70},
    {u"Serial", 120},
    {u"%", 50},
    {u"Состояние", 0},
}};

constexpr std::array<TMenuItemDesc, 4> kMenuItems = {{
    {u"ResetTaskPopup", u"Запустить", TCommand::ResetTaskPopupClick},
    {u"StopTaskPopup", u"Остановить", TCommand::StopTaskPopupClick},
    {u"N1", u"", std::nullopt},
    {u"WriteCustomFirmware", u"Запустить с другой прошивкой...",
     TCommand::WriteCustomFirmwareClick},
}};

constexpr std::array<TTimerDesc, 2> kTimers = {{
    {u"Timer", 500, TCommand::TimerTimer},
    {u"tmrUpdateDevices", 500, TCommand::tmrUpdateDevicesTimer},
}};

constexpr std::array<TKeptPropertyDesc, 3> kKeptProperties = {{
    {u"edtFileName", u"Text", TKeptProperty::Text},
    {u"chkWriteTables", u"Checked", TKeptProperty::Tick},
    {u"edtTablesFileName", u"Text", TKeptProperty::Text},
}};

}  // namespace

std::span<const TControlDesc> Controls() {
  return kControls;
}

const TControlDesc* FindControl(std::u16string_view AName) {
  for (const TControlDesc& control : kControls) {
    if (control.Name == AName) {
      return &control;
    }
  }
  return nullptr;
}

TSize MinimumClientSize() {
  // The margin at the window's left edge, kept at its right too.
  constexpr int kMargin = 8;
  TSize size;
  for (const TControlDesc& control : kControls) {
    const TPlace& place = control.Place;
    if (control.Kind == TKind::StatusBar) {
      continue;
    }
    if (!(control.Anchors & kRight) && place.Width != kAutoSize) {
      size.Width = std::max(size.Width, place.Left + place.Width + kMargin);
    }
    // A control that grows with the window's height keeps its distance to the bottom edge.
    const int below = kClientHeight - place.Top - place.Height;
    size.Height = std::max(size.Height, control.Anchors & kBottom
                                            ? place.Top + kMinimumListHeight + below
                                            : place.Top + place.Height + kStatusBarHeight);
  }
  return size;
}

std::span<const TColumnDesc> Columns() {
  return kColumns;
}

std::span<const TMenuItemDesc> MenuItems() {
  return kMenuItems;
}

std::span<const TTimerDesc> Timers() {
  return kTimers;
}

std::span<const TKeptPropertyDesc> KeptProperties() {
  return kKeptProperties;
}

}  // namespace kelvane::form

namespace kelvane {

std::u16string_view ControlName(TControl AControl) {
  for (const form::TControlDesc& control : form::Controls()) {
    if (control.Control == AControl) {
      return control.Name;
    }
  }
  // Every control the behaviour sets is in the description; its test holds it there.
  return {};
}

}  // namespace kelvane
