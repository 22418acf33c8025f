#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Text.h"
#include "window/MainForm.h"

namespace kelvane::form {
namespace {

// The window's table, written here as its own data: the description both views build from is
// held to it, so that a slip in the description cannot pass because each view copies it.
struct TExpectedControl {
  const char16_t* Name;
  TKind Kind;
  TPlace Place;
  unsigned Anchors;
  const char16_t* Text;
  const char16_t* Hint;
  // -1: the control takes no focus.
  int TabOrder;
  TPicture Picture;
};

constexpr int kNoTab = -1;

const std::vector<TExpectedControl>& Expected() {
  static const std::vector<TExpectedControl> expected = {
      {u"btnSearch", TKind::Button, {8, 8, 155, 25}, kLeft | kTop, u"Поиск устройств...", u"", 0,
       TPicture::Search},
      {u"btnStart", TKind::Button, {169, 8, 155, 25}, kLeft | kTop, u"Запустить обновление", u"",
       1, TPicture::Start},
      {u"btnStop", TKind::Button, {330, 8, 74, 25}, kLeft | kTop, u"Стоп", u"", 2,
       TPicture::Stop},
      {u"gifProgress", TKind::BusyIndicator, {410, 13, 16, 16}, kLeft | kTop, u"", u"", kNoTab,
       TPicture::None},
      {u"lblFileName", TKind::Label, {8, 43, kAutoSize, 13}, kLeft | kTop, u"Путь к прошивке:",
       u"", kNoTab, TPicture::None},
      {u"edtFileName", TKind::Edit, {105, 39, 492, 21}, kLeft | kTop | kRight, u"", u"", 3,
       TPicture::None},
      {u"btnOpen", TKind::Button, {603, 37, 43, 25}, kTop | kRight, u"...", u"Открыть файл...", 4,
       TPicture::None},
      {u"chkWriteTables", TKind::CheckBox, {8, 64, 169, 17}, kLeft | kTop, u"Записывать таблицы",
       u"", 9, TPicture::None},
      {u"lbl1", TKind::Label, {8, 89, kAutoSize, 13}, kLeft | kTop, u"Файл таблиц:", u"", kNoTab,
       TPicture::None},
      {u"edtTablesFileName", TKind::Edit, {105, 85, 492, 21}, kLeft | kTop | kRight, u"", u"", 7,
       TPicture::None},
      {u"btnTablesOpen", TKind::Button, {603, 81, 43, 25}, kTop | kRight, u"...",
       u"Открыть файл...", 8, TPicture::None},
      {u"listView", TKind::List, {8, 112, 638, 279}, kLeft | kTop | kRight | kBottom, u"", u"", 5,
       TPicture::None},
      // Laid along the bottom edge by the toolkit.
      {u"statusBar", TKind::StatusBar, {}, 0, u"", u"", kNoTab, TPicture::None},
  };
  return expected;
}

TEST(MainForm, EveryControlStandsWhereTheWindowsTablePutsIt) {
  ASSERT_EQ(Controls().size(), Expected().size());
  for (const TExpectedControl& expected : Expected()) {
    SCOPED_TRACE(ToUtf8(expected.Name));
    const TControlDesc* control = FindControl(expected.Name);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->Kind, expected.Kind);
    EXPECT_EQ(control->Place, expected.Place);
    EXPECT_EQ(control->Anchors, expected.Anchors);
    EXPECT_EQ(control->Text, expected.Text);
    EXPECT_EQ(control->Hint, expected.Hint);
    EXPECT_EQ(control->Picture, expected.Picture);
    EXPECT_EQ(TakesFocus(control->Kind), expected.TabOrder != kNoTab);
  }
  EXPECT_EQ(kClientWidth, 654);
  EXPECT_EQ(kClientHeight, 416);
  EXPECT_EQ(kStatusBarHeight, 19);
}

TEST(MainForm, TheControlsThatTakeTheFocusComeFirstInTheTabOrder) {
  std::vector<std::u16string> byTab;
  for (int order = 0; order < 16; ++order) {
    for (const TExpectedControl& expected : Expected()) {
      if (expected.TabOrder == order) {
        byTab.push_back(expected.Name);
      }
    }
  }
  std::vector<std::u16string> described;
  for (const TControlDesc& control : Controls()) {
    if (TakesFocus(control.Kind)) {
      described.emplace_back(control.Name);
    }
  }
  EXPECT_EQ(described, byTab);
}

// A screen reader names a control by its own text, by the label just before it in the order of
// creation, or by the name given for it.
TEST(MainForm, AssistiveTechnologyCanNameEveryControlThatTakesTheFocus) {
  const std::map<std::u16string, std::u16string> named = {
      {u"btnOpen", u"Открыть файл прошивки..."},
      {u"btnTablesOpen", u"Открыть файл таблиц..."},
      {u"listView", u"Найденные устройства"},
      {u"gifProgress", u"Идёт работа"}};
  const std::map<std::u16string, std::u16string> labels = {{u"lblFileName", u"edtFileName"},
                                                           {u"lbl1", u"edtTablesFileName"}};
  const std::span<const TControlDesc> controls = Controls();
  for (size_t i = 0; i < controls.size(); ++i) {
    const TControlDesc& control = controls[i];
    const std::u16string name(control.Name);
    SCOPED_TRACE(ToUtf8(name));
    EXPECT_EQ(control.AccessibleName, named.contains(name) ? named.at(name) : u"");
    EXPECT_EQ(control.LabelFor, labels.contains(name) ? labels.at(name) : u"");
    if (!control.LabelFor.empty()) {
      ASSERT_LT(i + 1, controls.size());
      EXPECT_EQ(controls[i + 1].Name, control.LabelFor);
    }
    const bool labelled = i > 0 && controls[i - 1].LabelFor == control.Name;
    if (TakesFocus(control.Kind)) {
      const bool saysWhatItIs = !control.Text.empty() && control.Text != u"...";
      EXPECT_TRUE(saysWhatItIs || labelled || !control.AccessibleName.empty());
    }
  }
}

TEST(MainForm, TheListsColumnsTheMenuAndTheTimersAreTheTables) {
  std::vector<std::pair<std::u16string, int>> columns;
  for (const TColumnDesc& column : Columns()) {
    columns.emplace_back(column.Caption, column.Width);
  }
  EXPECT_EQ(columns, (std::vector<std::pair<std::u16string, int>>{
                         {u"COM", 70}, {u"Serial", 120}, {u"%", 50}, {u"Состояние", 0}}));

  std::vector<std::pair<std::u16string, std::u16string>> menu;
  std::vector<std::optional<TCommand>> clicks;
  for (const TMenuItemDesc& item : MenuItems()) {
    menu.emplace_back(item.Name, item.Caption);
    clicks.push_back(item.Click);
  }
  EXPECT_EQ(menu, (std::vector<std::pair<std::u16string, std::u16string>>{
                      {u"ResetTaskPopup", u"Запустить"},
                      {u"StopTaskPopup", u"Остановить"},
                      {u"N1", u""},
                      {u"WriteCustomFirmware", u"Запустить с другой прошивкой..."}}));
  EXPECT_EQ(clicks, (std::vector<std::optional<TCommand>>{
                        TCommand::ResetTaskPopupClick, TCommand::StopTaskPopupClick, std::nullopt,
                        TCommand::WriteCustomFirmwareClick}));

  std::vector<std::tuple<std::u16string, int, TCommand>> timers;
  for (const TTimerDesc& timer : Timers()) {
    timers.emplace_back(timer.Name, timer.IntervalMs, timer.Tick);
  }
  EXPECT_EQ(timers, (std::vector<std::tuple<std::u16string, int, TCommand>>{
                        {u"Timer", 500, TCommand::TimerTimer},
                        {u"tmrUpdateDevices", 500, TCommand::tmrUpdateDevicesTimer}}));
}

TEST(MainForm, TheButtonsRunTheirCommands) {
  const std::vector<std::pair<const char16_t*, TCommand>> clicks = {
      {u"btnSearch", TCommand::btnSearchClick},
      {u"btnStart", TCommand::btnStartClick},
      {u"btnStop", TCommand::btnStopClick},
      {u"btnOpen", TCommand::btnOpenClick},
      {u"btnTablesOpen", TCommand::btnTablesOpenClick}};
  size_t withClick = 0;
  for (const TControlDesc& control : Controls()) {
    withClick += control.Click ? 1 : 0;
  }
  EXPECT_EQ(withClick, clicks.size());
  for (const auto& [name, command] : clicks) {
    EXPECT_EQ(FindControl(name)->Click, command) << ToUtf8(name);
  }
}

// At its smallest the window still shows "Стоп" and the busy indicator whole, with the margin of
// its left edge, and the list its header and two rows above the status bar.
TEST(MainForm, TheSmallestWindowCutsNoControl) {
  EXPECT_EQ(MinimumClientSize(), (TSize{410 + 16 + 8, 112 + 60 + (416 - 112 - 279)}));
}

TEST(MainForm, TheControlsTheBehaviourSetsAreNamedByTheirPlaces) {
  const std::vector<std::pair<TControl, const char16_t*>> names = {
      {TControl::btnSearch, u"btnSearch"},
      {TControl::btnStart, u"btnStart"},
      {TControl::btnStop, u"btnStop"},
      {TControl::btnOpen, u"btnOpen"},
      {TControl::edtFileName, u"edtFileName"},
      {TControl::chkWriteTables, u"chkWriteTables"},
      {TControl::edtTablesFileName, u"edtTablesFileName"},
      {TControl::btnTablesOpen, u"btnTablesOpen"}};
  ASSERT_EQ(names.size(), kControlCount);
  for (const auto& [control, name] : names) {
    EXPECT_EQ(ControlName(control), name);
  }
  EXPECT_EQ(FieldName(TField::edtTablesFileName), u"edtTablesFileName");
}

}  // namespace
}  // namespace kelvane::form
