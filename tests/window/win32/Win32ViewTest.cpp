// The Win32 window, created for real and read back through its controls.
#include <windows.h>

#include <chrono>
#include <cstring>
#include <commctrl.h>
#include <oleacc.h>
#include <shlobj.h>
#include <filesystem>
#include <functional>
#include <iostream>
#include <thread>

#include <gtest/gtest.h>

#include "driver/sim/SimFirmware.h"
#include "platform/AppDataFolder.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "platform/WindowPlacement.h"
#include "session/Journal.h"
#include "support/BenchScope.h"
#include "support/GatedDriver.h"
#include "support/LocaleFormatsScope.h"
#include "support/MessagePump.h"
#include "support/SteppingClock.h"
#include "support/TempDir.h"
#include "window/MainForm.h"
#include "window/XmlStorage.h"
#include "window/win32/Win32KeptWindow.h"
#include "window/win32/Win32MainWindow.h"

namespace kelvane::test {
namespace {

class TRecordingDialogs final : public TWin32Dialogs {
 public:
  std::optional<std::u16string> ChooseFile(HWND, const TFileChooser& AChooser) override {
    Choosers.push_back(AChooser.Name);
    return Answer;
  }
  void ShowError(HWND, const std::u16string& ATitle, const std::u16string& AText) override {
    Errors.push_back(ATitle + u": " + AText);
  }
  std::optional<std::u16string> Answer;
  std::vector<std::u16string> Choosers;
  std::vector<std::u16string> Errors;
};

std::u16string ItemText(HWND AList, int ARow, int AColumn) {
  wchar_t text[1024] = {};
  ListView_GetItemText(AList, ARow, AColumn, text, 1024);
  return reinterpret_cast<const char16_t*>(text);
}

std::string Port(int ANumber) {
  const std::string n = std::to_string(ANumber);
  return "<port number='" + n + "' name='USB-SERIAL CH340 (COM" + n +
         ")'><register model='154' name='Тарвик' serial='S" + n +
         "' version='A.4' build='3021' soft-date='2025-06-16'/></port>";
}

class Win32View : public testing::Test {
 protected:
  Win32View() { FClock.Clock().SetFreeRunning(true); }
  ~Win32View() override {
    FGates->OpenAll();
    FWindow.reset();
  }

  void Create(std::u16string ASettingsFile) {
    FWindow = std::make_unique<TWin32MainWindow>(
        TWin32MainWindow::MainWindowBehaviour(std::move(ASettingsFile)), FDialogs);
  }
  void Create() { Create((FDir.Path() / "Kelvane.xml").u16string()); }

  HWND Control(const char16_t* AName) const {
    const HWND control = FWindow->Control(AName);
    EXPECT_NE(control, nullptr) << ToUtf8(AName);
    return control;
  }
  void Click(const char16_t* AButton) { SendMessageW(Control(AButton), BM_CLICK, 0, 0); }
  bool Enabled(const char16_t* AName) const { return IsWindowEnabled(Control(AName)) != 0; }
  HWND List() const { return Control(u"listView"); }
  int Rows() const { return ListView_GetItemCount(List()); }

  // A search, until its registers stand in the list and the window is idle again.
  void Search(int ARows) {
    Click(u"btnSearch");
    ASSERT_TRUE(PumpUntil([&] { return Rows() == ARows && Enabled(u"btnSearch"); }));
  }

  // The control's rectangle in the window's client area.
  RECT Place(const char16_t* AName) const {
    RECT rect{};
    GetWindowRect(Control(AName), &rect);
    MapWindowPoints(nullptr, FWindow->Handle(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }

  TLocaleFormatsScope FFormats;
  TTempDir FDir;
  TBenchScope FBench{"<bench no-answer-ms='0'>" + Port(3) + Port(10) + Port(4) + "</bench>"};
  std::shared_ptr<TPortGates> FGates = std::make_shared<TPortGates>();
  TGatedDriverScope FDriver{FBench.Bench(), FGates};
  TSteppingClockScope FClock;
  std::shared_ptr<TRecordingDialogs> FDialogs = std::make_shared<TRecordingDialogs>();
  std::unique_ptr<TWin32MainWindow> FWindow;
};

TEST_F(Win32View, ControlsStandAtTheirPlacesWithTheirTextsInTheTabOrder) {
  Create();
  ASSERT_EQ(FWindow->Dpi(), 96) << "the description's places are those at 96 dpi";
  std::vector<std::u16string> tabOrder;
  for (const form::TControlDesc& entry : form::Controls()) {
    const std::u16string name(entry.Name);
    SCOPED_TRACE(ToUtf8(name));
    const RECT rect = Place(name.c_str());
    if (entry.Kind == form::TKind::StatusBar) {
      RECT client{};
      GetClientRect(FWindow->Handle(), &client);
      EXPECT_EQ(rect.bottom, client.bottom);
    } else if (entry.Place.Width == form::kAutoSize) {
      EXPECT_EQ(std::vector<LONG>({rect.left, rect.top}),
                std::vector<LONG>({entry.Place.Left, entry.Place.Top}));
    } else {
      EXPECT_EQ(
          std::vector<LONG>({rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top}),
          std::vector<LONG>(
              {entry.Place.Left, entry.Place.Top, entry.Place.Width, entry.Place.Height}));
    }
    if (entry.Kind != form::TKind::StatusBar) {
      EXPECT_EQ(WindowText(Control(name.c_str())), entry.Text);
    }
    if (form::TakesFocus(entry.Kind)) {
      tabOrder.push_back(name);
    }
    if (entry.Picture != form::TPicture::None) {
      BUTTON_IMAGELIST images{};
      SendMessageW(Control(name.c_str()), BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&images));
      int width = 0;
      int height = 0;
      ASSERT_TRUE(ImageList_GetIconSize(images.himl, &width, &height)) << "from the resources";
      EXPECT_EQ(width, 16);
      EXPECT_EQ(ImageList_GetImageCount(images.himl), 6) << "one for each button state";
    }
  }
  // No smaller than the description's smallest client area.
  MINMAXINFO limits{};
  SendMessageW(FWindow->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  const form::TSize least = form::MinimumClientSize();
  RECT outer{0, 0, least.Width, least.Height};
  AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongW(FWindow->Handle(), GWL_STYLE)),
                     FALSE, static_cast<DWORD>(GetWindowLongW(FWindow->Handle(), GWL_EXSTYLE)));
  EXPECT_EQ(limits.ptMinTrackSize.x, outer.right - outer.left);
  EXPECT_EQ(limits.ptMinTrackSize.y, outer.bottom - outer.top);
  EXPECT_NE(SendMessageW(FWindow->Handle(), WM_GETICON, ICON_SMALL, 0), 0);
  EXPECT_NE(SendMessageW(FWindow->Handle(), WM_GETICON, ICON_BIG, 0), 0);

  // Tab goes through the controls in the description's order, and round again; Tab passes over
  // disabled controls, so all are enabled for the walk.
  for (const std::u16string& name : tabOrder) {
    EnableWindow(Control(name.c_str()), TRUE);
  }
  std::vector<std::u16string> order;
  HWND control = Control(tabOrder.front().c_str());
  for (size_t i = 0; i <= tabOrder.size(); ++i) {
    for (const std::u16string& name : tabOrder) {
      if (FWindow->Control(name) == control) {
        order.push_back(name);
      }
    }
    control = GetNextDlgTabItem(FWindow->Handle(), control, FALSE);
  }
  std::vector<std::u16string> expectedOrder = tabOrder;
  expectedOrder.push_back(tabOrder.front());
  EXPECT_EQ(order, expectedOrder);

  const HWND list = List();
  const LONG_PTR style = GetWindowLongPtrW(list, GWL_STYLE);
  EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_EQ(style & (LVS_SORTASCENDING | LVS_SORTDESCENDING | LVS_EDITLABELS), 0);
  EXPECT_TRUE(style & LVS_SINGLESEL);
  const DWORD extended = ListView_GetExtendedListViewStyle(list);
  EXPECT_TRUE(extended & LVS_EX_CHECKBOXES);
  EXPECT_TRUE(extended & LVS_EX_FULLROWSELECT);
  const std::span<const form::TColumnDesc> columns = form::Columns();
  for (size_t i = 0; i < columns.size(); ++i) {
    wchar_t caption[64] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = caption;
    column.cchTextMax = 64;
    ASSERT_TRUE(ListView_GetColumn(list, static_cast<int>(i), &column));
    EXPECT_EQ(reinterpret_cast<const char16_t*>(caption), columns[i].Caption);
    if (columns[i].Width > 0) {
      EXPECT_EQ(ListView_GetColumnWidth(list, static_cast<int>(i)), columns[i].Width);
    } else {
      EXPECT_GT(ListView_GetColumnWidth(list, static_cast<int>(i)), 300) << "the rest";
    }
  }
}

// A cell its column cuts shows its whole text as the list's tip where the pointer rests.
TEST_F(Win32View, ACutCellShowsItsWholeTextWhereThePointerRests) {
  Create();
  FWindow->Show();
  const std::u16string whole =
      u"Успешно завершено: A.5.3105 (30.11.2026) Ошибка печати: Нет бумаги в принтере чеков";
  FWindow->InsertRow(0, {u"COM3", u"0154000317", u"", whole}, true);
  const HWND list = List();
  const auto at = [&](int AColumn) {
    RECT cell{};
    ListView_GetSubItemRect(list, 0, AColumn, LVIR_LABEL, &cell);
    return POINT{cell.left + 4, (cell.top + cell.bottom) / 2};
  };
  const win32::TCellTips& tips = FWindow->CellTips();
  EXPECT_EQ(tips.TipAt(at(3)), whole);
  EXPECT_EQ(tips.TipAt(at(0)), u"") << "whole in its column";
  EXPECT_EQ(tips.TipAt(at(1)), u"");
  EXPECT_EQ(tips.TipAt({-5, -5}), u"") << "no cell";

  // The pointer on the cell: what the list's tooltips are told to show.
  POINT screen = at(3);
  ClientToScreen(list, &screen);
  ASSERT_TRUE(SetCursorPos(screen.x, screen.y));
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = list;
  tool.uId = 1;
  ASSERT_TRUE(SendMessageW(tips.Tooltips(), TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool)))
      << "the list is the tooltips' tool";
  NMTTDISPINFOW info{};
  info.hdr.hwndFrom = tips.Tooltips();
  info.hdr.idFrom = 1;
  info.hdr.code = TTN_GETDISPINFOW;
  SendMessageW(list, WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&info));
  ASSERT_NE(info.lpszText, nullptr);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(info.lpszText)), whole);

  // Its column made wide enough, the text is whole.
  ListView_SetColumnWidth(list, 3, 2000);
  EXPECT_EQ(tips.TipAt(at(3)), u"");
}

// Each path field's label stands just before it among the window's controls, where a screen
// reader looks for a field's name; the controls whose text says nothing have names of their own.
TEST_F(Win32View, AScreenReaderFindsANameForEveryControl) {
  Create();
  for (const form::TControlDesc& entry : form::Controls()) {
    if (!entry.LabelFor.empty()) {
      EXPECT_EQ(GetWindow(Control(std::u16string(entry.LabelFor).c_str()), GW_HWNDPREV),
                Control(std::u16string(entry.Name).c_str()))
          << ToUtf8(entry.Name);
    }
  }
  std::vector<std::pair<std::u16string, std::u16string>> names;
  std::vector<std::pair<std::u16string, std::u16string>> given;
  for (const form::TControlDesc& entry : form::Controls()) {
    if (entry.AccessibleName.empty()) {
      continue;
    }
    IAccessible* accessible = nullptr;
    ASSERT_EQ(AccessibleObjectFromWindow(Control(std::u16string(entry.Name).c_str()),
                                         static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                         reinterpret_cast<void**>(&accessible)),
              S_OK);
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    accessible->get_accName(self, &name);
    names.emplace_back(entry.Name, name != nullptr ? reinterpret_cast<const char16_t*>(name) : u"");
    given.emplace_back(entry.Name, entry.AccessibleName);
    SysFreeString(name);
    accessible->Release();
  }
  if (names != given && GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
    std::cout << "Wine's oleacc does not give the names the window annotates ("
              << ToUtf8(names[0].first) << ": \"" << ToUtf8(names[0].second)
              << "\"): only the order of the labels is checked\n";
    return;
  }
  EXPECT_EQ(names, given);
}

TEST_F(Win32View, StartsIdleAndFollowsTheBusyStateOfASearch) {
  Create();
  EXPECT_EQ(WindowText(FWindow->Handle()), u"Kelvane v.1.0.0.6");
  EXPECT_TRUE(Enabled(u"btnSearch"));
  EXPECT_FALSE(Enabled(u"btnStart"));
  EXPECT_FALSE(Enabled(u"btnStop"));
  EXPECT_FALSE(IsWindowVisible(Control(u"gifProgress")));

  FWindow->Show();
  FGates->Close(3);
  Click(u"btnSearch");
  ASSERT_TRUE(PumpUntil([&] { return !Enabled(u"btnSearch"); }));
  EXPECT_TRUE(Enabled(u"btnStop"));
  EXPECT_FALSE(Enabled(u"edtFileName"));
  EXPECT_FALSE(Enabled(u"chkWriteTables"));
  EXPECT_TRUE(IsWindowVisible(Control(u"gifProgress")));
  FGates->Open(3);
  ASSERT_TRUE(PumpUntil([&] { return Rows() == 3 && Enabled(u"btnSearch"); }));
  EXPECT_TRUE(Enabled(u"btnStart"));
  EXPECT_FALSE(IsWindowVisible(Control(u"gifProgress")));
}

// Tab and Space reach a button that the next refresh disables; the keys must still reach the
// window afterwards.
TEST_F(Win32View, TheFocusStaysOnAControlThatCanTakeIt) {
  Create();
  FWindow->Show();
  EXPECT_EQ(GetFocus(), List()) << "at start";
  SetFocus(Control(u"btnSearch"));
  FGates->Close(3);
  Click(u"btnSearch");
  ASSERT_TRUE(PumpUntil([&] { return !Enabled(u"btnSearch"); }));
  EXPECT_NE(GetFocus(), nullptr);
  EXPECT_TRUE(IsChild(FWindow->Handle(), GetFocus()) && IsWindowEnabled(GetFocus()));
  // "Стоп", focused while it may be pressed, is disabled when the search ends.
  SetFocus(Control(u"btnStop"));
  FGates->Open(3);
  ASSERT_TRUE(PumpUntil([&] { return Rows() == 3 && Enabled(u"btnSearch"); }));
  EXPECT_NE(GetFocus(), nullptr);
  EXPECT_TRUE(IsChild(FWindow->Handle(), GetFocus()) && IsWindowEnabled(GetFocus()));
  // Activated again, the window gives the focus back where it was.
  SetFocus(Control(u"btnStart"));
  SendMessageW(FWindow->Handle(), WM_ACTIVATE, WA_INACTIVE, 0);
  SetFocus(nullptr);
  SendMessageW(FWindow->Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(GetFocus(), Control(u"btnStart"));
}

TEST_F(Win32View, SearchListsTheRegistersInCaptionOrderThenUpdatesShowInTheCells) {
  Create();
  Search(3);
  const HWND list = List();
  const std::vector<std::u16string> captions = {u"COM10", u"COM3", u"COM4"};
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(ItemText(list, row, 0), captions[row]);
    EXPECT_EQ(ItemText(list, row, 1), u"S" + captions[row].substr(3));
    EXPECT_EQ(ItemText(list, row, 3), u"A.4.3021 (16.06.2025) [Тарвик]");
    EXPECT_TRUE(ListView_GetCheckState(list, row));
  }
  wchar_t status[128] = {};
  SendMessageW(Control(u"statusBar"), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(status));
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(status)), u"Найдено устройств: 3");

  ListView_SetCheckState(list, 2, FALSE);
  const std::u16string firmware =
      FDir.Write("fw_3105.bin", MakeSimFirmware({3105, u"A.5", EncodeDate(2026, 12, 1)}, 300));
  SetWindowTextW(Control(u"edtFileName"), reinterpret_cast<LPCWSTR>(firmware.c_str()));
  FGates->Close(10);
  Click(u"btnStart");
  ASSERT_TRUE(PumpUntil([&] { return ItemText(list, 0, 3) == u"Отключение СКоК"; }));
  EXPECT_EQ(ItemText(list, 0, 2), u"0%");
  FGates->Open(10);
  ASSERT_TRUE(PumpUntil([&] { return Enabled(u"btnSearch"); }));
  for (const int row : {0, 1}) {
    EXPECT_EQ(ItemText(list, row, 2), u"100%");
    EXPECT_EQ(ItemText(list, row, 3).rfind(u"Успешно завершено: A.5.3105 (01.12.2026)", 0), 0u)
        << ToUtf8(ItemText(list, row, 3));
  }
  EXPECT_EQ(ItemText(list, 2, 2), u"");
  EXPECT_EQ(FBench.Register(4).InstallCount(), 0);
}

std::u16string StatusText(HWND AStatusBar) {
  wchar_t status[256] = {};
  SendMessageW(AStatusBar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(status));
  return reinterpret_cast<const char16_t*>(status);
}

// What a logoff or a restart sends (wineboot --end-session sends the same two messages): while a
// row runs, the session's end is held with a reason; when it ends anyway, the settings and the
// journal are on the disk before WM_ENDSESSION returns.
TEST_F(Win32View, TheSessionsEndIsHeldWhileRowsRunAndFindsEverythingWrittenWhenItComes) {
  Create();
  FWindow->Show();
  Search(3);
  EXPECT_EQ(SendMessageW(FWindow->Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  const std::u16string firmware =
      FDir.Write("fw_3105.bin", MakeSimFirmware({3105, u"A.5", EncodeDate(2026, 12, 1)}, 300));
  SetWindowTextW(Control(u"edtFileName"), reinterpret_cast<LPCWSTR>(firmware.c_str()));
  FGates->Close(3);
  Click(u"btnStart");
  EXPECT_TRUE(FWindow->SessionEndHeld());
  EXPECT_EQ(SendMessageW(FWindow->Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), FALSE);
  SendMessageW(FWindow->Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_NE(ReadFileBytes((FDir.Path() / "Kelvane.xml").u16string()).find(ToUtf8(firmware)),
            std::string::npos);
  bool interrupted = false;
  for (const TJournalRecord& record : TJournal(FDir.Path().u16string()).Read()) {
    interrupted |= record.ComNumber == 3 && record.Outcome.Result == TUpdateResult::Interrupted;
  }
  EXPECT_TRUE(interrupted) << "COM3's start is on record while its call hangs";
  FGates->Open(3);
  ASSERT_TRUE(PumpUntil([&] { return !FWindow->SessionEndHeld(); }));
  EXPECT_EQ(SendMessageW(FWindow->Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
}

// Closed while COM3's driver call hangs: the window stays on the screen, answers the system,
// and its status bar says what it waits for until the call returns.
TEST_F(Win32View, ClosingDuringAHungCallKeepsTheWindowAnsweringAndSayingWhatItWaitsFor) {
  Create();
  FWindow->Show();
  Search(3);
  const std::u16string firmware =
      FDir.Write("fw_3105.bin", MakeSimFirmware({3105, u"A.5", EncodeDate(2026, 12, 1)}, 300));
  SetWindowTextW(Control(u"edtFileName"), reinterpret_cast<LPCWSTR>(firmware.c_str()));
  FGates->Close(3);
  Click(u"btnStart");
  const HWND window = FWindow->Handle();
  const HWND statusBar = Control(u"statusBar");
  std::u16string seen;
  bool visible = false;
  const auto closedAt = std::chrono::steady_clock::now();
  // Another thread looks at the window while its own thread waits, as the operator would.
  std::thread watcher([&] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
      seen = StatusText(statusBar);
      if (seen.rfind(u"Ожидание завершения: COM3 (", 0) == 0) {
        // Another program's close meanwhile (taskkill without /F) changes nothing.
        SendMessageW(window, WM_CLOSE, 0, 0);
        visible = IsWindowVisible(window) != 0;
        std::cout << "the wait shown "
                  << std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now() - closedAt)
                         .count()
                  << " ms after the close\n";
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    FGates->Open(3);
  });
  SendMessageW(window, WM_CLOSE, 0, 0);
  watcher.join();
  EXPECT_EQ(seen.rfind(u"Ожидание завершения: COM3 (", 0), 0u) << ToUtf8(seen);
  EXPECT_TRUE(visible);
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(Win32View, MissingFirmwareShowsTheErrorBox) {
  Create();
  Search(3);
  Click(u"btnStart");
  ASSERT_EQ(FDialogs->Errors.size(), 1u);
  EXPECT_EQ(FDialogs->Errors[0], u"win32_view_tests: Файл прошивки не найден!");
}

TEST_F(Win32View, MenuItemsAndTheChooserReachTheirCommands) {
  Create();
  Search(3);
  ListView_SetItemState(List(), 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  // "Запустить с другой прошивкой...", cancelled.
  SendMessageW(FWindow->Handle(), WM_COMMAND,
               MAKEWPARAM(TWin32MainWindow::MenuItemId(form::MenuItems().size() - 1), 0), 0);
  ASSERT_EQ(FDialogs->Choosers, std::vector<std::u16string>{u"dlgOpen"});
  FDialogs->Answer = u"C:\\fw\\new_3200.bin";
  Click(u"btnTablesOpen");
  EXPECT_EQ(FDialogs->Choosers.back(), u"dlgOpenTables");
  EXPECT_EQ(WindowText(Control(u"edtTablesFileName")), u"C:\\fw\\new_3200.bin");
}

// What the shell hands the window for files dropped on it.
HDROP DroppedFiles(const std::vector<std::u16string>& AFiles) {
  std::u16string names;
  for (const std::u16string& file : AFiles) {
    names += file + u'\0';
  }
  names += u'\0';
  const size_t size = sizeof(DROPFILES) + names.size() * sizeof(char16_t);
  const HGLOBAL memory = GlobalAlloc(GHND, size);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(),
              names.size() * sizeof(char16_t));
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

TEST_F(Win32View, AFileDroppedOnTheWindowReachesItsField) {
  Create();
  const std::u16string firmware = FDir.Write("demo_3105.bin", "x");
  EXPECT_NE(GetWindowLongW(FWindow->Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
  SendMessageW(FWindow->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(DroppedFiles({firmware})),
               0);
  EXPECT_EQ(WindowText(Control(u"edtFileName")), firmware);
  // Two files at once are passed over.
  const std::u16string tables = FDir.Write("tables.csv", "1;1;2;45\n");
  SendMessageW(FWindow->Handle(), WM_DROPFILES,
               reinterpret_cast<WPARAM>(DroppedFiles({tables, firmware})), 0);
  EXPECT_EQ(WindowText(Control(u"edtTablesFileName")), u"");
}

TEST_F(Win32View, TheTaskbarTakesTheProgressAndTheCallForAttention) {
  Create();
  FWindow->Show();
  for (const TTaskbarProgress progress :
       {TTaskbarProgress{TTaskbarState::Normal, 40}, TTaskbarProgress{TTaskbarState::Error, 100},
        TTaskbarProgress{}}) {
    FWindow->SetTaskbarProgress(progress);
    EXPECT_EQ(FWindow->TaskbarResult(), S_OK) << static_cast<int>(progress.State);
  }
  FWindow->CallForAttention();
}

TEST_F(Win32View, TheKeyboardsMenuOpensAtTheFocusedRow) {
  Create();
  FWindow->Show();
  Search(3);
  ListView_SetItemState(List(), 1, LVIS_FOCUSED, LVIS_FOCUSED);
  RECT row{};
  ListView_GetItemRect(List(), 1, &row, LVIR_LABEL);
  POINT expected{row.left, row.bottom};
  ClientToScreen(List(), &expected);
  // -1 for both coordinates, as a 64-bit LPARAM may carry it either way.
  for (const LPARAM position : {static_cast<LPARAM>(-1), static_cast<LPARAM>(0xFFFFFFFFu)}) {
    const POINT at = TWin32MainWindow::ContextMenuPoint(List(), position);
    EXPECT_EQ(at.x, expected.x);
    EXPECT_EQ(at.y, expected.y);
  }
  const POINT mouse = TWin32MainWindow::ContextMenuPoint(List(), MAKELPARAM(200, 150));
  EXPECT_EQ(mouse.x, 200);
  EXPECT_EQ(mouse.y, 150);
}

TEST_F(Win32View, PathsTickAndPlacementSurviveARestartInTheSettingsFile) {
  const std::u16string file = TXmlStorage::DefaultFileName();
  std::filesystem::remove(std::filesystem::path(file));
  Create(std::u16string());
  FWindow->Show();
  SetWindowTextW(Control(u"edtFileName"), L"C:\\fw\\a.bin");
  SendMessageW(Control(u"chkWriteTables"), BM_SETCHECK, BST_CHECKED, 0);
  SetWindowPos(FWindow->Handle(), nullptr, 50, 60, 700, 450, SWP_NOZORDER);
  const TWindowPlacement placement = GetNativePlacement(FWindow->Handle());
  SendMessageW(FWindow->Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(FWindow->Handle()));
  FWindow.reset();

  // The first-run file, byte for byte: ANSI code page, CRLF, in the keeper's order.
  const std::string desktop =
      std::to_string(NativeDesktopWidth()) + "x" + std::to_string(NativeDesktopHeight());
  const auto four = [](int a, int b, int c, int d) {
    return std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c) + "," +
           std::to_string(d);
  };
  const std::string minMax = four(placement.MinPosition.X, placement.MinPosition.Y,
                                  placement.MaxPosition.X, placement.MaxPosition.Y);
  const TPlacementRect& r = placement.NormalPosition;
  const std::string normal = four(r.Left, r.Top, r.Right, r.Bottom);
  const std::string expected =
      "<?xml version=\"1.0\" encoding=\"windows-1251\" standalone=\"no\"?>\r\n"
      "<Configuration>\r\n"
      "  <fmMain>\r\n"
      "    <FormVersion>0</FormVersion>\r\n"
      "    <ShowCmd>1</ShowCmd>\r\n"
      "    <Flags>" +
      std::to_string(placement.Flags) +
      "</Flags>\r\n"
      "    <PixelsPerInch>" +
      std::to_string(NativePixelsPerInch()) +
      "</PixelsPerInch>\r\n"
      "    <MinMaxPos_" +
      desktop + "_>" + minMax + "</MinMaxPos_" + desktop +
      "_>\r\n"
      "    <MinMaxPos>" +
      minMax +
      "</MinMaxPos>\r\n"
      "    <NormPos_" +
      desktop + "_>" + normal + "</NormPos_" + desktop +
      "_>\r\n"
      "    <NormPos>" +
      normal +
      "</NormPos>\r\n"
      "    <edtFileName_Text>C:\\fw\\a.bin</edtFileName_Text>\r\n"
      "    <chkWriteTables_Checked>TRUE</chkWriteTables_Checked>\r\n"
      "    <edtTablesFileName_Text/>\r\n"
      "  </fmMain>\r\n"
      "</Configuration>\r\n";
  EXPECT_EQ(ReadFileBytes(file), expected);
  EXPECT_EQ(AnsiCharsetName(), "windows-1251");
  EXPECT_EQ(r.Left, 50);
  EXPECT_EQ(r.Right - r.Left, 700);

  Create(std::u16string());
  EXPECT_EQ(WindowText(Control(u"edtFileName")), u"") << "applied when first shown";
  FWindow->Show();
  EXPECT_EQ(WindowText(Control(u"edtFileName")), u"C:\\fw\\a.bin");
  EXPECT_EQ(SendMessageW(Control(u"chkWriteTables"), BM_GETCHECK, 0, 0), BST_CHECKED);
  const TPlacementRect again = GetNativePlacement(FWindow->Handle()).NormalPosition;
  EXPECT_EQ(std::vector<int>({again.Left, again.Top, again.Right, again.Bottom}),
            std::vector<int>({r.Left, r.Top, r.Right, r.Bottom}));
}

}  // namespace
}  // namespace kelvane::test
