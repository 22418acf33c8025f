// The window's behaviour, against a view without a toolkit.
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <thread>

#include <gtest/gtest.h>

#include "driver/TarvikFactory.h"
#include "driver/sim/SimFirmware.h"
#include "platform/Clock.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/SystemAwake.h"
#include "platform/Text.h"
#include "session/Journal.h"
#include "session/RowProgress.h"
#include "support/BenchScope.h"
#include "support/ChildProcess.h"
#include "support/JournalRuns.h"
#include "support/FakeMainView.h"
#include "support/GatedDriver.h"
#include "support/LocaleFormatsScope.h"
#include "support/SlotValue.h"
#include "support/SteppingClock.h"
#include "support/TempDir.h"
#include "support/Waiting.h"
#include "tasks/MainThread.h"
#include "window/DeviceList.h"
#include "window/fmuMain.h"

namespace kelvane::test {
namespace {

std::string Port(int ANumber, const std::string& AKind = "USB-SERIAL CH340") {
  const std::string n = std::to_string(ANumber);
  return "<port number='" + n + "' name='" + AKind + " (COM" + n +
         ")'><register model='154' name='Тарвик' serial='S" + n +
         "' version='A.4' build='3021' soft-date='2025-06-16'/></port>";
}

const std::string kBench = "<bench no-answer-ms='0'>" + Port(3) + Port(10) + Port(4) +
                           Port(1, "Communications Port") + "</bench>";

const std::u16string kFirstState = u"A.4.3021 (16.06.2025) [Тарвик]";

class Window : public testing::Test {
 protected:
  Window() {
    FClock.Clock().SetFreeRunning(true);
    FFirmware =
        FDir.Write("fw_3105.bin", MakeSimFirmware({3105, u"A.5", EncodeDate(2026, 12, 1)}, 300));
    FWindow = std::make_unique<TfmMain>(*FView, SettingsFile());
  }
  ~Window() override {
    FGates->OpenAll();
    FWindow.reset();
  }

  std::u16string SettingsFile() const { return (FDir.Path() / "settings.xml").u16string(); }

  // A search, and the hand-over of its registers into rows.
  void Search() {
    FWindow->Run(TCommand::btnSearchClick);
    ASSERT_TRUE(WaitUntil([&] { return !FWindow->DeviceDiscover().State().Started.load(); }));
    FWindow->Run(TCommand::tmrUpdateDevicesTimer);
    FWindow->UpdatePage();
  }

  void Click(TCommand ACommand) { FWindow->Run(ACommand); }
  void SetFirmwareField(const std::u16string& AText) {
    FView->SetFieldText(TField::edtFileName, AText);
  }

  std::u16string Cell(int ARow, TColumn AColumn) const { return FView->Cell(ARow, AColumn); }

  TUpdateTask& Task(int ARow) const { return FWindow->Task(ARow); }

  void WaitForRows() {
    ASSERT_TRUE(WaitUntil([&] {
      for (int i = 0; i < FWindow->RowCount(); ++i) {
        if (!Task(i).WorkerEnded()) {
          return false;
        }
      }
      return true;
    }));
    FWindow->UpdatePage();
  }

  void Select(int ARow) { FView->Selected = ARow; }

  // Makes this month's journal file unwritable: a folder stands at its name. Its name.
  std::u16string HoldJournal() const {
    const std::u16string journal = FWindow->Journal().FileName(LocalTimeNow());
    std::filesystem::create_directories(std::filesystem::path(journal));
    return journal;
  }

  // Every control the busy state enables or disables, and whether it is enabled now.
  std::vector<std::pair<TControl, bool>> Enabled() const {
    std::vector<std::pair<TControl, bool>> states;
    for (const auto& [control, enabled] : FView->Enabled) {
      states.emplace_back(control, enabled);
    }
    return states;
  }

  static std::vector<std::pair<TControl, bool>> States(bool AIdle, bool AStart) {
    return {{TControl::btnSearch, AIdle},         {TControl::btnStart, AStart},
            {TControl::btnStop, !AIdle},          {TControl::btnOpen, AIdle},
            {TControl::edtFileName, AIdle},       {TControl::chkWriteTables, AIdle},
            {TControl::edtTablesFileName, AIdle}, {TControl::btnTablesOpen, AIdle}};
  }

  TLocaleFormatsScope FFormats;
  TTempDir FDir;
  TBenchScope FBench{kBench};
  std::shared_ptr<TPortGates> FGates = std::make_shared<TPortGates>();
  TGatedDriverScope FDriver{FBench.Bench(), FGates};
  TSteppingClockScope FClock;
  std::unique_ptr<TFakeMainView> FView = std::make_unique<TFakeMainView>();
  std::u16string FFirmware;
  std::unique_ptr<TfmMain> FWindow;
};

TEST_F(Window, StartsIdleWithItsVersionInTheTitle) {
  EXPECT_EQ(FView->Title, u"Kelvane v.1.0.0.6");
  EXPECT_EQ(FWindow->RowCount(), 0);
  EXPECT_EQ(Enabled(), States(true, false));
  EXPECT_FALSE(FView->Busy);
  EXPECT_TRUE(FView->TimersActive);
}

TEST_F(Window, SearchListsTheRegistersInCaptionOrder) {
  Search();
  ASSERT_EQ(FWindow->RowCount(), 3);
  ASSERT_EQ(FView->Rows.size(), 3u);
  const std::vector<std::u16string> captions = {u"COM10", u"COM3", u"COM4"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Cell(i, TColumn::Com), captions[i]);
    EXPECT_EQ(Cell(i, TColumn::Serial), u"S" + captions[i].substr(3));
    EXPECT_EQ(Cell(i, TColumn::Percent), u"");
    EXPECT_EQ(Cell(i, TColumn::State), kFirstState);
    EXPECT_TRUE(FView->RowTicked(i));
    EXPECT_EQ(Task(i).Name(), Cell(i, TColumn::Serial));
  }
  EXPECT_EQ(Task(0).ComNumber(), 10);
  EXPECT_EQ(FView->StatusText, u"Найдено устройств: 3");

  // A second search clears the rows and the count before any register of its own shows.
  FGates->Close(3);
  Click(TCommand::btnSearchClick);
  EXPECT_EQ(FWindow->RowCount(), 0);
  EXPECT_TRUE(FView->Rows.empty());
  EXPECT_EQ(FView->StatusText, u"Найдено устройств: 0");
  FGates->Open(3);
  ASSERT_TRUE(WaitUntil([&] { return !FWindow->DeviceDiscover().State().Started.load(); }));
  Click(TCommand::tmrUpdateDevicesTimer);
  EXPECT_EQ(FWindow->RowCount(), 3);
}

TEST_F(Window, StartWithoutAFirmwareFileShowsTheBoxAndStartsNothing) {
  Search();
  const std::u16string folder = FDir.Path().u16string();
  for (const std::u16string& path : {std::u16string(), FFirmware + u"x", folder}) {
    SetFirmwareField(path);
    Click(TCommand::btnStartClick);
  }
  ASSERT_EQ(FView->Errors.size(), 3u);
  for (const auto& error : FView->Errors) {
    EXPECT_EQ(error.Title, u"Kelvane");
    EXPECT_EQ(error.Text, u"Файл прошивки не найден!");
  }
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(Task(i).State().Started) << i;
    EXPECT_EQ(FBench.Register(3).CallCount(TTarvikMethod::WriteTable), 0);
  }
}

TEST_F(Window, StartRunsTheTickedIdleRowsAndShowsTheirProgress) {
  Search();
  FView->Rows[2].Ticked = false;  // COM4
  FGates->Close(3);
  SetFirmwareField(FFirmware);
  Click(TCommand::btnStartClick);
  EXPECT_TRUE(Task(0).State().Started);
  EXPECT_TRUE(Task(1).State().Started);
  EXPECT_FALSE(Task(2).State().Started);
  // COM10 has ended while COM3 waits at its gate: a second start runs COM10 again only.
  ASSERT_TRUE(WaitUntil([&] { return Task(0).WorkerEnded(); }));
  ASSERT_TRUE(WaitUntil([&] { return Task(1).State().Text.Get() == u"Отключение СКоК"; }));
  Click(TCommand::btnStartClick);
  Click(TCommand::TimerTimer);
  EXPECT_EQ(Cell(1, TColumn::Percent), u"0%");
  EXPECT_EQ(Cell(1, TColumn::State), u"Отключение СКоК");

  FGates->Open(3);
  WaitForRows();
  EXPECT_EQ(FBench.Register(10).InstallCount(), 2) << "COM10 was idle at the second start";
  for (const int row : {0, 1}) {
    EXPECT_EQ(Cell(row, TColumn::Percent), u"100%");
    EXPECT_EQ(
        Cell(row, TColumn::State).rfind(u"Успешно завершено: A.5.3105 (01.12.2026) за 0 мин. ", 0),
        0u)
        << ToUtf8(Cell(row, TColumn::State));
  }
  EXPECT_EQ(Cell(2, TColumn::Percent), u"");
  EXPECT_EQ(Cell(2, TColumn::State), kFirstState);
  EXPECT_EQ(FBench.Register(4).InstallCount(), 0);
}

TEST_F(Window, StopEndsTheRunningRows) {
  Search();
  FGates->Close(3);
  FGates->Close(4);
  SetFirmwareField(FFirmware);
  Click(TCommand::btnStartClick);
  FWindow->UpdatePage();
  Click(TCommand::btnStopClick);
  FGates->OpenAll();
  WaitForRows();
  for (const int row : {1, 2}) {
    EXPECT_EQ(Cell(row, TColumn::Percent), u"---");
    EXPECT_EQ(Cell(row, TColumn::State), u"Прервано пользователем");
  }
}

TEST_F(Window, PopupStartOnARunningRowTicksItAndOnlyStopsIt) {
  Search();
  FGates->Close(3);
  SetFirmwareField(FFirmware);
  Click(TCommand::btnStartClick);
  FView->Rows[1].Ticked = false;
  SetFirmwareField(u"/elsewhere/other_9.bin");
  Select(1);
  Click(TCommand::ResetTaskPopupClick);
  EXPECT_TRUE(FView->RowTicked(1));
  EXPECT_EQ(Task(1).FileName(), FFirmware) << "a running task's file";
  FGates->Open(3);
  WaitForRows();
  EXPECT_EQ(Cell(1, TColumn::State), u"Прервано пользователем");
  EXPECT_FALSE(Task(1).State().Started);

  // On the idle row the same command starts it, with the field's path now.
  Click(TCommand::ResetTaskPopupClick);
  WaitForRows();
  EXPECT_EQ(Cell(1, TColumn::State), u"Ошибка: Файл не найден");
}

TEST_F(Window, AnotherFirmwareForARunningRowOnlyStopsIt) {
  Search();
  FGates->Close(3);
  SetFirmwareField(FFirmware);
  Click(TCommand::btnStartClick);
  Select(1);
  FView->Answer(FDir.Write("other_3106.bin", "x"));
  Click(TCommand::WriteCustomFirmwareClick);
  EXPECT_FALSE(Task(1).IsCustom()) << "a running task's properties stay";
  FGates->Open(3);
  WaitForRows();
  EXPECT_EQ(Cell(1, TColumn::State), u"Прервано пользователем");
  EXPECT_EQ(Task(1).FileName(), FFirmware);
}

// The run's end is on record however soon the row starts again: before any refresh of the list.
TEST_F(Window, ARowStartedAgainAtOnceKeepsThePreviousRunOnRecord) {
  Search();
  SetFirmwareField(FFirmware);
  Select(0);
  Click(TCommand::ResetTaskPopupClick);
  ASSERT_TRUE(WaitForEnd(Task(0)));
  Click(TCommand::ResetTaskPopupClick);
  WaitForRows();
  size_t ends = 0;
  for (const TJournalRecord& record : FWindow->Journal().Read()) {
    ends += record.ComNumber == 10 && record.Outcome.Result == TUpdateResult::Success ? 1 : 0;
  }
  EXPECT_EQ(ends, 2u);
}

TEST_F(Window, AnotherFirmwareForOneRowComesFromTheChooser) {
  Search();
  Select(2);
  FView->Answer(std::nullopt);
  Click(TCommand::WriteCustomFirmwareClick);
  EXPECT_FALSE(Task(2).State().Started) << "cancelled";
  FView->Answer(FFirmware);
  Click(TCommand::WriteCustomFirmwareClick);
  WaitForRows();
  EXPECT_TRUE(Task(2).IsCustom());
  EXPECT_EQ(Task(2).FileName(), FFirmware);
  EXPECT_EQ(FBench.Register(4).Firmware().Build, 3105);
  EXPECT_EQ(FView->Choosers.back().Name, u"dlgOpen");
  EXPECT_EQ(FView->Choosers.back().Filters, (std::vector<std::u16string>{u"*.bin", u"*.*"}));

  // Started again through "Запустить", the row keeps naming its firmware in its texts.
  SetFirmwareField(FFirmware);
  FGates->Close(4);
  Click(TCommand::ResetTaskPopupClick);
  FWindow->UpdatePage();
  EXPECT_TRUE(Task(2).IsCustom());
  ASSERT_TRUE(WaitUntil([&] { return !Task(2).State().Text.Get().empty(); }));
  FGates->Open(4);
  WaitForRows();
}

TEST_F(Window, PopupCommandsWithoutASelectedRowDoNothing) {
  Search();
  SetFirmwareField(FFirmware);
  FView->Answer(FFirmware);
  for (const TCommand command : {TCommand::ResetTaskPopupClick, TCommand::StopTaskPopupClick,
                                 TCommand::WriteCustomFirmwareClick}) {
    Click(command);
  }
  EXPECT_TRUE(FView->Choosers.empty());
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(Task(i).State().Started);
  }
}

TEST_F(Window, ControlsFollowTheBusyState) {
  FGates->Close(3);
  Click(TCommand::btnSearchClick);
  Click(TCommand::TimerTimer);
  EXPECT_EQ(Enabled(), States(false, false)) << "searching";
  EXPECT_TRUE(FView->Busy);
  EXPECT_FALSE(FWindow->KeepsSystemAwake()) << "a search writes nothing to a register";
  FGates->Open(3);
  ASSERT_TRUE(WaitUntil([&] { return !FWindow->DeviceDiscover().State().Started.load(); }));
  Click(TCommand::tmrUpdateDevicesTimer);
  Click(TCommand::TimerTimer);
  EXPECT_EQ(Enabled(), States(true, true));
  EXPECT_FALSE(FView->Busy);

  FGates->Close(4);
  SetFirmwareField(FFirmware);
  Click(TCommand::btnStartClick);
  Click(TCommand::TimerTimer);
  EXPECT_EQ(Enabled(), States(false, false)) << "updating";
  EXPECT_TRUE(FView->Busy);
  EXPECT_TRUE(FWindow->IsUpdating());
  EXPECT_TRUE(FWindow->KeepsSystemAwake());
  FGates->Open(4);
  WaitForRows();
  EXPECT_EQ(Enabled(), States(true, true));
  EXPECT_FALSE(FWindow->KeepsSystemAwake());
}

TEST_F(Window, ChooserStartsInTheFoldersOfTheFieldAndFillsIt) {
  SetFirmwareField(FFirmware);
  FView->Answer(u"/srv/firmware/new_3200.bin");
  Click(TCommand::btnOpenClick);
  EXPECT_EQ(FView->FieldText(TField::edtFileName), u"/srv/firmware/new_3200.bin");
  ASSERT_EQ(FView->Choosers.size(), 1u);
  EXPECT_EQ(FView->Choosers[0].Directory, FDir.Path().u16string());

  FView->Answer(std::nullopt);
  FView->SetFieldText(TField::edtTablesFileName, u"keep.csv");
  Click(TCommand::btnTablesOpenClick);
  EXPECT_EQ(FView->FieldText(TField::edtTablesFileName), u"keep.csv");
  EXPECT_EQ(FView->Choosers[1].Name, u"dlgOpenTables");
  EXPECT_EQ(FView->Choosers[1].Filters, (std::vector<std::u16string>{u"*.csv", u"*.*"}));
}

TEST_F(Window, HandOverReachesTheWindowThroughTheViewsWakeUp) {
  FGates->Close(3);
  Click(TCommand::btnSearchClick);
  FGates->Open(3);
  // The discovery worker's end-of-run call waits until the window's thread runs it.
  ASSERT_TRUE(TMainThread::Instance().WaitForPending(1, kWaitLimit));
  ASSERT_TRUE(FView->WaitForWake(kWaitLimit));
  FWindow->HandOver();
  ASSERT_TRUE(WaitUntil([&] { return !FWindow->DeviceDiscover().State().Started.load(); }));
}

TEST_F(Window, ClosingDuringASearchEndsEveryWorker) {
  Click(TCommand::btnSearchClick);
  FWindow.reset();
  EXPECT_EQ(TMainThread::Instance().Drain(), 0u);
  EXPECT_FALSE(FView->TimersActive);
}

TEST_F(Window, ClosingDuringUpdatesStopsAndWaitsForEveryRow) {
  Search();
  SetFirmwareField(FFirmware);
  Click(TCommand::btnStartClick);
  FWindow.reset();
  EXPECT_EQ(TMainThread::Instance().Drain(), 0u);
  // Every run ended at a stop point or on its own; none is left half-way in a driver call.
  for (const int port : {3, 4, 10}) {
    const int installs = FBench.Register(port).InstallCount();
    EXPECT_TRUE(installs == 0 || installs == 1) << port;
  }
}

// A driver call that never returns (here: COM3 held at its gate) must cost no more than its own
// run: what the operator keeps is on the disk before the window waits, and while it waits it
// only paints, says what it waits for, and runs no command.
TEST_F(Window, ClosingDuringAHungDriverCallWritesEverythingFirstThenWaitsPaintingOnly) {
  FWindow->FormShow();
  Search();
  SetFirmwareField(FFirmware);
  FGates->Close(3);
  Click(TCommand::btnStartClick);
  ASSERT_TRUE(WaitUntil([&] { return Task(0).WorkerEnded() && Task(2).WorkerEnded(); }));
  TfmMain* closing = FWindow.get();
  int paints = 0;
  const auto closedAt = std::chrono::steady_clock::now();
  FView->OnPaint = [&] {
    if (paints++ > 0) {
      return;
    }
    std::cout << "settings and journal written, and the wait begun, "
              << std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::steady_clock::now() - closedAt)
                     .count()
              << " ms after the close\n";
    EXPECT_NE(ReadFileBytes(SettingsFile()).find(ToUtf8(FFirmware)), std::string::npos)
        << "the settings are written before the wait";
    std::map<int, TUpdateResult> results;
    for (const TJournalRecord& record : TJournal(FDir.Path().u16string()).Read()) {
      results[record.ComNumber] = record.Outcome.Result;
    }
    EXPECT_EQ(results, (std::map<int, TUpdateResult>{{3, TUpdateResult::Interrupted},
                                                     {4, TUpdateResult::Success},
                                                     {10, TUpdateResult::Success}}))
        << "a process ended now leaves COM3's start on record";
    EXPECT_EQ(FView->StatusText,
              u"Ожидание завершения: COM3 (" + closing->Task(1).State().Text.Get() + u")");
    for (const auto& [control, enabled] : Enabled()) {
      EXPECT_FALSE(enabled) << ToUtf8(ControlName(control));
    }
    // Nothing the operator or a timer asks for runs meanwhile.
    const int cellWrites = FView->CellWrites;
    for (const TCommand command : {TCommand::btnSearchClick, TCommand::btnStartClick,
                                   TCommand::TimerTimer, TCommand::tmrUpdateDevicesTimer}) {
      closing->Run(command);
    }
    closing->DropFiles({FFirmware});
    EXPECT_EQ(FView->CellWrites, cellWrites);
    EXPECT_EQ(FView->Rows.size(), 3u);
    EXPECT_FALSE(closing->DeviceDiscover().State().Started.load());
    FGates->Open(3);
  };
  FWindow.reset();
  EXPECT_GE(paints, 1);
  std::map<int, TUpdateResult> results;
  for (const TJournalRecord& record : TJournal(FDir.Path().u16string()).Read()) {
    results[record.ComNumber] = record.Outcome.Result;
  }
  EXPECT_EQ(results[3], TUpdateResult::Stopped) << "its end is recorded once it comes";
  EXPECT_TRUE(FView->Errors.empty());
}

TEST_F(Window, WhileRowsRunTheSessionsEndIsHeldAndWhenItEndsAnywayAllIsWritten) {
  FWindow->FormShow();
  Search();
  EXPECT_EQ(FView->SessionEndHeld, std::nullopt);
  SetFirmwareField(FFirmware);
  for (const int port : {3, 4, 10}) {
    FGates->Close(port);
  }
  Click(TCommand::btnStartClick);
  EXPECT_EQ(FView->SessionEndHeld, u"Идёт обновление прошивки ККТ: COM10, COM3, COM4");
  FGates->Open(4);
  FGates->Open(10);
  ASSERT_TRUE(WaitUntil([&] { return Task(0).WorkerEnded() && Task(2).WorkerEnded(); }));
  EXPECT_EQ(FView->SessionEndHeld, u"Идёт обновление прошивки ККТ: COM3");

  // The session ends anyway while COM3's call hangs: everything is written before the return.
  FWindow->EndSession();
  EXPECT_NE(ReadFileBytes(SettingsFile()).find(ToUtf8(FFirmware)), std::string::npos);
  const std::vector<TJournalRecord> records = FWindow->Journal().Read();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records.back().ComNumber, 3);
  EXPECT_EQ(records.back().Outcome.Result, TUpdateResult::Interrupted);
  EXPECT_TRUE(Task(1).State().Started.load()) << "asked to stop, at its next stop point";

  FGates->Open(3);
  WaitForRows();
  EXPECT_EQ(FView->SessionEndHeld, std::nullopt);
  EXPECT_EQ(FWindow->Journal().Read().back().Outcome.Result, TUpdateResult::Stopped);
}

TEST_F(Window, PathsTickAndPlaceSurviveARestart) {
  FWindow->FormShow();
  SetFirmwareField(FFirmware);
  FView->SetWriteTablesChecked(true);
  FView->SetFieldText(TField::edtTablesFileName, u"Таблицы & прочее.csv");
  FView->Kept.FPlacement.NormalPosition = {50, 60, 750, 510};
  FWindow->FormClose();
  // The file is written when the window is gone, as at the end of a run.
  FWindow.reset();
  FView = std::make_unique<TFakeMainView>();
  FWindow = std::make_unique<TfmMain>(*FView, SettingsFile());
  EXPECT_EQ(FView->FieldText(TField::edtFileName), u"") << "applied when first shown";
  FWindow->FormShow();
  EXPECT_EQ(FView->FieldText(TField::edtFileName), FFirmware);
  EXPECT_TRUE(FView->WriteTablesChecked());
  EXPECT_EQ(FView->FieldText(TField::edtTablesFileName), u"Таблицы & прочее.csv");
  const TPlacementRect rect = FView->Kept.FPlacement.NormalPosition;
  EXPECT_EQ(std::vector<int>({rect.Left, rect.Top, rect.Right, rect.Bottom}),
            std::vector<int>({50, 60, 750, 510}));
  EXPECT_EQ(FView->Centrings, 0) << "where it was kept";
}

TEST_F(Window, OpensInTheMiddleOfTheScreenOnlyWithoutAKeptPlace) {
  FWindow->FormShow();
  FWindow->FormShow();
  EXPECT_EQ(FView->Centrings, 1) << "no settings file yet; only the first showing counts";
}

TEST_F(Window, TheChooserOpensWhereTheLastFileWasPickedUnlessTheFieldNamesAFolder) {
  // The field names no folder: the chooser opens where the one before it was picked.
  const std::u16string folder = FDir.Path().u16string();
  FView->Answer((FDir.Path() / "new_3200.bin").u16string());
  Click(TCommand::btnOpenClick);
  FView->Answer(std::nullopt);
  FView->SetFieldText(TField::edtFileName, u"a.bin");
  Click(TCommand::btnOpenClick);
  ASSERT_EQ(FView->Choosers.size(), 2u);
  EXPECT_EQ(FView->Choosers[0].Directory, u"");
  EXPECT_EQ(FView->Choosers[1].Directory, folder);
  // A cancelled choice keeps the folder as it was.
  Click(TCommand::btnOpenClick);
  EXPECT_EQ(FView->Choosers[2].Directory, folder);
  // So does a field whose folder is not there.
  FView->SetFieldText(TField::edtFileName, (FDir.Path() / "gone" / "a.bin").u16string());
  Click(TCommand::btnOpenClick);
  EXPECT_EQ(FView->Choosers[3].Directory, folder);
}

TEST_F(Window, ARefreshWritesOnlyTheCellsThatChanged) {
  Search();
  SetFirmwareField(FFirmware);
  Click(TCommand::btnStartClick);
  WaitForRows();
  const int written = FView->CellWrites;
  ASSERT_GT(written, 0);
  Click(TCommand::TimerTimer);
  Click(TCommand::TimerTimer);
  EXPECT_EQ(FView->CellWrites, written) << "nothing changed between the two refreshes";
}

// The settings that cannot be saved are not lost in silence: the box names the file and the
// reason as the window closes, and the file keeps what it held.
TEST_F(Window, SettingsThatCannotBeWrittenAreSaidOnClosing) {
  FWindow->FormShow();
  FWindow->FormClose();
  FWindow.reset();
  const std::string before = ReadFileBytes(SettingsFile());
  FView = std::make_unique<TFakeMainView>();
  FWindow = std::make_unique<TfmMain>(*FView, SettingsFile());
  FWindow->FormShow();
  SetFirmwareField(FFirmware);
  FWindow->FormClose();
  SetFileWriteLimit(10);
  FWindow.reset();
  SetFileWriteLimit(std::nullopt);
  ASSERT_EQ(FView->Errors.size(), 1u);
  EXPECT_EQ(FView->Errors[0].Title, u"Kelvane");
  EXPECT_EQ(FView->Errors[0].Text.rfind(
                u"Настройки не сохранены в файл \"" + SettingsFile() + u"\": ", 0),
            0u)
      << ToUtf8(FView->Errors[0].Text);
  EXPECT_EQ(FView->Errors[0].Text.back(), u'.');
  EXPECT_EQ(ReadFileBytes(SettingsFile()), before);
}

TEST_F(Window, StopDuringASearchEndsThePassAsStopped) {
  FGates->Close(3);
  Click(TCommand::btnSearchClick);
  ASSERT_TRUE(WaitUntil([&] { return FWindow->DeviceDiscover().State().Started.load(); }));
  Click(TCommand::btnStopClick);
  // COM3's search is held until the pass has ended: the pass cannot run out of searches before
  // it sees the stop.
  ASSERT_TRUE(WaitUntil([&] { return FWindow->DeviceDiscover().WorkerEnded(); }));
  FGates->Open(3);
  EXPECT_FALSE(FWindow->DeviceDiscover().State().Succeded);
  EXPECT_EQ(FWindow->DeviceDiscover().State().Text.Get(), u"Прервано пользователем");
}

// A pass in which the driver's control could not be created for the first of its searches.
TEST_F(Window, APassThatCouldAskNoRegisterSaysWhyOnceInKelvaneClisWords) {
  TTarvikFactory gated = SetTarvikFactory({});
  SetTarvikFactory(gated);
  const std::u16string said = u"драйвер ККТ (" + PlatformDriverName() +
                              u") не создаётся: Драйвер ККТ не установлен. Программа " +
                              FromUtf8(std::to_string(sizeof(void*) * 8)) +
                              u"-разрядная: нужен драйвер той же разрядности.";
  const struct {
    const char* Name;
    int NotCreated;
    std::vector<std::u16string> Boxes;
  } cases[] = {{"for no port", 1000, {said}}, {"for one port", 1, {}}, {"for every port", 0, {}}};
  for (const auto& c : cases) {
    FView->Errors.clear();
    std::atomic<int> notCreated{c.NotCreated};
    const TSlotValue<TTarvikFactory> factory(
        SetTarvikFactory, [&]() -> std::unique_ptr<TTarvik> {
          if (notCreated.fetch_sub(1) > 0) {
            throw EError(u"Драйвер ККТ не установлен");
          }
          return gated();
        });
    Search();
    FWindow->UpdatePage();
    std::vector<std::u16string> boxes;
    for (const TFakeMainView::TShownError& error : FView->Errors) {
      boxes.push_back(error.Text);
    }
    EXPECT_EQ(boxes, c.Boxes) << c.Name;
    if (!c.Boxes.empty()) {
      // The pass ends as any pass: no row, the count it found.
      EXPECT_EQ(FWindow->RowCount(), 0) << c.Name;
      EXPECT_EQ(FView->StatusText, u"Найдено устройств: 0") << c.Name;
      EXPECT_TRUE(FWindow->DeviceDiscover().State().Succeded) << c.Name;
    }
  }
}

// A pass looked at while it still runs says nothing yet: its box comes once it has ended, once.
TEST_F(Window, APassIsSaidOfOnlyOnceItHasEnded) {
  std::mutex mutex;
  std::condition_variable changed;
  bool released = false;
  const TSlotValue<TTarvikFactory> factory(SetTarvikFactory, [&]() -> std::unique_ptr<TTarvik> {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return released; });
    throw EError(u"Драйвер ККТ не установлен");
  });
  Click(TCommand::btnSearchClick);
  FWindow->UpdatePage();
  EXPECT_TRUE(FView->Errors.empty());
  {
    const std::lock_guard lock(mutex);
    released = true;
  }
  changed.notify_all();
  ASSERT_TRUE(WaitUntil([&] { return !FWindow->DeviceDiscover().State().Started.load(); }));
  FWindow->UpdatePage();
  FWindow->UpdatePage();
  EXPECT_EQ(FView->Errors.size(), 1u);
}

TEST_F(Window, TheErrorBoxAddsAFullStopOnlyAfterACharacterAboveIt) {
  const std::vector<std::pair<std::u16string, std::u16string>> cases = {
      {u"Выбор файла недоступен.", u"Выбор файла недоступен."},
      {u"Нет доступа", u"Нет доступа."},
      {u"Файл прошивки не найден!", u"Файл прошивки не найден!"},
      {u"Код 5", u"Код 5."},
      {u"список,", u"список,"}};
  for (const auto& [message, shown] : cases) {
    FView->ChooserFails = message;
    Click(TCommand::btnOpenClick);
    ASSERT_FALSE(FView->Errors.empty());
    EXPECT_EQ(FView->Errors.back().Text, shown);
  }
  EXPECT_EQ(FView->Errors.size(), cases.size());
}

TEST_F(Window, ClosingDuringAnUpdateLeavesNoKeepAwakeRequestStanding) {
  Search();
  SetFirmwareField(FFirmware);
  FGates->Close(3);
  Click(TCommand::btnStartClick);
  ASSERT_TRUE(SystemAwakeRequested());
  FWindow->FormClose();
  FGates->OpenAll();
  FWindow.reset();
  EXPECT_FALSE(SystemAwakeRequested());
}

TEST_F(Window, EveryRunIsRecordedInTheJournalBesideTheSettingsWhenItEnds) {
  Search();
  FView->Rows[2].Ticked = false;  // COM4
  SetFirmwareField(FFirmware);
  Click(TCommand::btnStartClick);
  WaitForRows();
  // The same image under a name that promises another build: the version check fails.
  const std::u16string other = FDir.Write("fw_3107.bin", ReadFileBytes(FFirmware));
  Select(2);
  FView->Answer(other);
  Click(TCommand::WriteCustomFirmwareClick);
  WaitForRows();

  EXPECT_EQ(FWindow->Journal().Folder(), FDir.Path().u16string());
  const std::vector<TJournalRecord> records = FWindow->Journal().Read();
  ASSERT_EQ(records.size(), 3u);
  const TJournalRecord& first = records[0].ComNumber == 10 ? records[0] : records[1];
  EXPECT_EQ(first.ComNumber, 10);
  EXPECT_EQ(first.Serial, u"S10");
  EXPECT_EQ(first.DeviceName, u"Тарвик");
  EXPECT_EQ(first.Outcome.VersionBefore, u"A.4.3021 (16.06.2025)");
  EXPECT_EQ(first.Outcome.VersionsAfter, std::vector<std::u16string>{u"A.5.3105 (01.12.2026)"});
  EXPECT_EQ(first.Outcome.Result, TUpdateResult::Success);
  EXPECT_EQ(first.Outcome.LastStep, TUpdateStep::Done);
  EXPECT_EQ(first.Outcome.PrintError, std::nullopt);
  EXPECT_EQ(first.Outcome.ErrorText, u"");
  EXPECT_EQ(first.Firmware, FFirmware);
  EXPECT_EQ(first.Build, 3105);
  EXPECT_EQ(first.Program, u"Kelvane");
  EXPECT_EQ(first.ProgramVersion, u"1.0.0.6");
  for (const TJournalRecord& record : records) {
    ASSERT_TRUE(record.Outcome.Started && record.Outcome.Ended);
    EXPECT_LE(EncodeDateTime(record.Outcome.Started->Local),
              EncodeDateTime(record.Outcome.Ended->Local));
    EXPECT_TRUE(FileExists(FWindow->Journal().FileName(*record.Outcome.Started)));
  }
  const TJournalRecord& failed = records[2];
  EXPECT_EQ(failed.ComNumber, 4);
  EXPECT_EQ(failed.Outcome.Result, TUpdateResult::Failed);
  EXPECT_EQ(failed.Outcome.ErrorText, Task(2).LastRunEnd().ErrorMessage);
  EXPECT_FALSE(failed.Outcome.ErrorText.empty());
  EXPECT_EQ(failed.Outcome.LastStep, TUpdateStep::VersionCheck);
  EXPECT_EQ(failed.Firmware, other);
  EXPECT_EQ(failed.Build, 3107);
  EXPECT_TRUE(FView->Errors.empty());
}

TEST_F(Window, RunsTheListLosesAreRecordedToo) {
  Search();
  SetFirmwareField(FFirmware);
  FGates->Close(3);
  Click(TCommand::btnStartClick);
  ASSERT_TRUE(WaitUntil([&] { return Task(0).WorkerEnded() && Task(2).WorkerEnded(); }));
  // Neither the finished rows nor the one held at its gate have been refreshed yet.
  FGates->Open(3);
  FWindow.reset();
  const std::vector<TJournalRecord> records = TJournal(FDir.Path().u16string()).Read();
  ASSERT_EQ(records.size(), 3u);
  for (const TJournalRecord& record : records) {
    EXPECT_EQ(record.Outcome.Result,
              record.ComNumber == 3 ? TUpdateResult::Stopped : TUpdateResult::Success)
        << record.ComNumber;
  }
}

TEST_F(Window, AJournalThatCannotBeWrittenIsSaidOnceAfterTheRowsHaveEnded) {
  const std::u16string journal = HoldJournal();
  Search();
  SetFirmwareField(FFirmware);
  FGates->Close(3);
  Click(TCommand::btnStartClick);
  ASSERT_TRUE(WaitUntil([&] { return Task(0).WorkerEnded() && Task(2).WorkerEnded(); }));
  FWindow->UpdatePage();
  EXPECT_TRUE(FView->Errors.empty()) << "COM3 still runs";
  FGates->Open(3);
  WaitForRows();
  FWindow->UpdatePage();
  ASSERT_EQ(FView->Errors.size(), 1u);
  EXPECT_EQ(FView->Errors[0].Text.rfind(u"Не удалось записать журнал обновлений: ", 0), 0u)
      << ToUtf8(FView->Errors[0].Text);
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(Task(row).LastRunEnd().Kind, TRunEnd::Succeeded) << "no update fails by its journal";
  }

  // Once the file can be written again, the next run's record takes the kept ones with it.
  std::filesystem::remove(std::filesystem::path(journal));
  Select(0);
  Click(TCommand::ResetTaskPopupClick);
  WaitForRows();
  EXPECT_EQ(FWindow->Journal().Read().size(), 4u);
  EXPECT_EQ(FView->Errors.size(), 1u);
}

TEST_F(Window, RecordsTheJournalCannotTakeByTheCloseAreSaidLost) {
  HoldJournal();
  Search();
  SetFirmwareField(FFirmware);
  Click(TCommand::btnStartClick);
  FWindow.reset();
  ASSERT_EQ(FView->Errors.size(), 1u) << "one box, on closing";
  // Three runs, each with the record of its start and of its end.
  EXPECT_EQ(FView->Errors[0].Text.rfind(u"Записи журнала обновлений не сохранены (6): ", 0), 0u)
      << ToUtf8(FView->Errors[0].Text);
}

TEST_F(Window, TheTaskbarShowsTheMeanOfTheRunningRowsAndAFailureUntilTheNextSearch) {
  Search();
  EXPECT_TRUE(FView->Taskbar.empty()) << "nothing to show before a row runs";
  SetFirmwareField(FFirmware);
  FView->Rows[2].Ticked = false;
  FGates->Close(3);
  FGates->Close(10);
  Click(TCommand::btnStartClick);
  // Both held at their gates, with the file read: their progress stands still.
  ASSERT_TRUE(WaitUntil(
      [&] { return Task(0).State().Step.load() > 0 && Task(1).State().Step.load() > 0; }));
  FWindow->UpdatePage();
  const auto mean = [&](std::initializer_list<int> ARows) {
    std::vector<double> percents;
    for (const int row : ARows) {
      percents.push_back(
          PercentOf(Task(row).State().Step.load(), Task(row).State().StepCount.load()));
    }
    return TfmMain::TaskbarProgressOf(percents, false).Percent;
  };
  EXPECT_EQ(FView->Taskbar.back(), (TTaskbarProgress{TTaskbarState::Normal, mean({0, 1})}));

  // COM4 fails while the others run, the operator in another window: the error colour from then
  // on, and no call for attention while rows still run.
  FView->Foreground = false;
  Select(2);
  FView->Answer(FDir.Write("fw_3107.bin", ReadFileBytes(FFirmware)));
  Click(TCommand::WriteCustomFirmwareClick);
  ASSERT_TRUE(WaitUntil([&] { return Task(2).WorkerEnded(); }));
  FWindow->UpdatePage();
  EXPECT_EQ(FView->Taskbar.back(), (TTaskbarProgress{TTaskbarState::Error, mean({0, 1})}));
  EXPECT_EQ(FView->AttentionCalls, 0);

  // The last running row ends while the operator is still in another window.
  FGates->OpenAll();
  WaitForRows();
  EXPECT_EQ(FView->Taskbar.back(), (TTaskbarProgress{TTaskbarState::Error, 100}));
  EXPECT_EQ(FView->AttentionCalls, 1);
  FWindow->UpdatePage();
  EXPECT_EQ(FView->AttentionCalls, 1) << "once per end";

  Search();
  EXPECT_EQ(FView->Taskbar.back(), TTaskbarProgress{});
  // In the foreground the end calls for nothing.
  FView->Foreground = true;
  Click(TCommand::btnStartClick);
  FWindow->UpdatePage();
  WaitForRows();
  EXPECT_EQ(FView->Taskbar.back(), TTaskbarProgress{});
  EXPECT_EQ(FView->AttentionCalls, 1);

  // A row the operator stops is no failure.
  Search();
  FGates->Close(3);
  Click(TCommand::btnStartClick);
  Select(1);
  Click(TCommand::StopTaskPopupClick);
  FGates->Open(3);
  WaitForRows();
  FWindow->UpdatePage();
  EXPECT_EQ(Cell(1, TColumn::State), u"Прервано пользователем");
  EXPECT_EQ(FView->Taskbar.back(), TTaskbarProgress{});
}

TEST_F(Window, ADroppedFileFillsItsFieldAsItsChooserWouldAndStartsNothing) {
  // In a folder of its own, named as the system names it.
  std::filesystem::create_directory(FDir.Path() / "tables");
  const std::u16string tables = (FDir.Path() / "tables" / "TABLES.CSV").u16string();
  std::ofstream(std::filesystem::path(tables)) << "1;1;2;45\n";
  const std::u16string other = FDir.Write("notes.txt", "");
  // Two files at once are no choice: neither is taken.
  const std::u16string second = FDir.Write("second_3105.bin", "x");
  const std::u16string secondTables = FDir.Write("second.csv", "1;1;2;45\n");
  std::filesystem::create_directory(FDir.Path() / "folder.bin");
  const std::u16string folder = (FDir.Path() / "folder.bin").u16string();
  const std::u16string missing = (FDir.Path() / "none.bin").u16string();
  struct TDrop {
    std::vector<std::u16string> Files;
    std::u16string Firmware;
    std::u16string Tables;
  };
  const std::vector<TDrop> drops = {
      {{FFirmware}, FFirmware, u""},  {{tables}, FFirmware, tables},
      {{other}, FFirmware, tables},   {{folder}, FFirmware, tables},
      {{missing}, FFirmware, tables}, {{second, secondTables}, FFirmware, tables},
      {{}, FFirmware, tables},
  };
  // Each drop in turn: what the two fields hold after it.
  for (const TDrop& drop : drops) {
    FWindow->DropFiles(drop.Files);
    const std::string name = drop.Files.empty() ? "none" : ToUtf8(drop.Files[0]);
    EXPECT_EQ(FView->FieldText(TField::edtFileName), drop.Firmware) << name;
    EXPECT_EQ(FView->FieldText(TField::edtTablesFileName), drop.Tables) << name;
  }
  // Each chooser opens next where its dropped file is, also once its field names no folder.
  FView->SetFieldText(TField::edtTablesFileName, u"");
  FView->Answer(std::nullopt);
  Click(TCommand::btnTablesOpenClick);
  EXPECT_EQ(FView->Choosers.back().Directory, (FDir.Path() / "tables").u16string());
  Search();
  Select(0);
  FView->Answer(std::nullopt);
  Click(TCommand::WriteCustomFirmwareClick);
  EXPECT_EQ(FView->Choosers.back().Directory, FDir.Path().u16string());
  EXPECT_FALSE(Task(0).State().Started) << "nothing starts by a drop";

  // While rows update a drop is passed over.
  FGates->Close(3);
  Click(TCommand::btnStartClick);
  const std::u16string later = FDir.Write("fw_3106.bin", "x");
  FWindow->DropFiles({later});
  EXPECT_EQ(FView->FieldText(TField::edtFileName), FFirmware);
  FGates->Open(3);
  WaitForRows();
}

// A window killed at any moment of its updates (from the task manager, or by a crash) leaves, for
// every row it had started, the record of its start and at most one end.
TEST(WindowKilled, LeavesEveryStartedRowOnRecordWithAtMostOneEnd) {
  std::mt19937 random(std::random_device{}());
  int runs = 0;
  int ended = 0;
  // A run takes three to four seconds (the install's pause among them): the kills land before,
  // in and after the runs.
  for (int round = 0; round < 5; ++round) {
    TTempDir dir;
    std::string ports;
    for (const int port : {3, 4, 5}) {
      const std::string n = std::to_string(port);
      ports += "<port number='" + n + "' name='USB-SERIAL CH340 (COM" + n +
               ")'><register model='154' name='Тарвик' serial='S" + n +
               "' version='A.4' build='3021' soft-date='2025-06-16' exchange-ms='10' "
               "block-ms='5' install-ms='" + std::to_string(port * 300 - 700) + "'/></port>";
    }
    const std::u16string bench =
        dir.Write("bench.xml", "<bench no-answer-ms='0'>" + ports + "</bench>");
    const std::u16string firmware =
        dir.Write("fw_3105.bin", MakeSimFirmware({3105, u"A.5", EncodeDate(2026, 12, 1)}, 300));
    TChildProcess window("window_runner", {dir.Path().u16string(), bench, firmware});
    ASSERT_TRUE(window.Started());
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(dir.Path() / "started"); }));
    std::this_thread::sleep_for(
        std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 5000)(random)));
    window.Kill();
    EXPECT_NE(window.Wait(), 0);
    const auto records = RunsOnRecord(dir.Path());
    EXPECT_EQ(records.size(), 3u) << "every ticked row is started at once";
    runs += static_cast<int>(records.size());
    ended += EndedRuns(records);
    for (const TJournalRecord& record : TJournal(dir.Path().u16string()).Read()) {
      EXPECT_NE(record.Outcome.Result, TUpdateResult::Started);
    }
  }
  std::cout << "runs started: " << runs << ", ended before the kill: " << ended
            << ", interrupted: " << runs - ended << "\n";
}

// A hand-over that fails half-way neither loses nor repeats a register: the next one takes the
// rest, beginning with the one that failed.
TEST(DeviceList, AHandOverThatFailsHalfWayLeavesOnlyTheRest) {
  TDeviceList list;
  for (const std::int32_t port : {3, 4, 5}) {
    list.Add({port, u"S", u"v", 1, u"n"});
  }
  std::vector<std::int32_t> taken;
  EXPECT_THROW(list.HandOver([&](const TDevice& ADevice) {
    if (ADevice.ComNumber == 4) {
      throw EError(u"no row");
    }
    taken.push_back(ADevice.ComNumber);
  }),
               EError);
  list.HandOver([&](const TDevice& ADevice) { taken.push_back(ADevice.ComNumber); });
  EXPECT_EQ(taken, (std::vector<std::int32_t>{3, 4, 5}));
  list.HandOver([&](const TDevice& ADevice) { taken.push_back(ADevice.ComNumber); });
  EXPECT_EQ(taken.size(), 3u);
}

TEST(TaskbarProgress, IsTheTruncatedMeanOfTheRunningRowsRedAfterAFailure) {
  struct TCase {
    std::vector<double> Running;
    bool Failed;
    TTaskbarProgress Shown;
  };
  const std::vector<TCase> cases = {
      {{}, false, {TTaskbarState::None, 0}},
      {{}, true, {TTaskbarState::Error, 100}},
      {{0.0}, false, {TTaskbarState::Normal, 0}},
      {{99.9}, false, {TTaskbarState::Normal, 99}},
      {{10.0, 25.0, 40.5}, false, {TTaskbarState::Normal, 25}},
      {{100.0, 100.0}, false, {TTaskbarState::Normal, 100}},
      {{50.0, 0.0}, true, {TTaskbarState::Error, 25}},
  };
  for (const TCase& c : cases) {
    const TTaskbarProgress shown = TfmMain::TaskbarProgressOf(c.Running, c.Failed);
    EXPECT_EQ(shown, c.Shown) << c.Running.size() << " running, failed " << c.Failed << ": "
                              << static_cast<int>(shown.State) << " " << shown.Percent;
  }
}

struct TPercentCase {
  std::int32_t Step;
  std::int32_t StepCount;
  const char16_t* Text;
  friend void PrintTo(const TPercentCase& c, std::ostream* os) {
    *os << c.Step << " of " << c.StepCount;
  }
};

class Percent : public testing::TestWithParam<TPercentCase> {};

TEST_P(Percent, IsTheTruncatedShare) {
  EXPECT_EQ(PercentText(GetParam().Step, GetParam().StepCount), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(Shares, Percent,
                         testing::Values(TPercentCase{1, 3, u"33%"}, TPercentCase{2, 3, u"66%"},
                                         TPercentCase{250, 1000, u"25%"}, TPercentCase{7, 0, u"0%"},
                                         TPercentCase{7, -5, u"0%"},
                                         TPercentCase{9257, 9256, u"100%"},
                                         TPercentCase{2147483647, 2147483647, u"100%"},
                                         TPercentCase{2147483600, 21474836, u"10000%"}));

TEST(ApplicationTitle, IsTheExecutablesNameUpToItsFirstPoint) {
#ifdef _WIN32
  EXPECT_EQ(TfmMain::ApplicationTitle(u"C:\\Program Files\\Kelvane\\Kelvane.exe"), u"Kelvane");
#endif
  EXPECT_EQ(TfmMain::ApplicationTitle(u"/opt/KELVANE.v2.exe"), u"Kelvane");
  EXPECT_EQ(TfmMain::ApplicationTitle(u"/usr/bin/kelvane"), u"kelvane");
  EXPECT_EQ(TfmMain::ApplicationTitle(u"/opt/КЕЛВАН.exe"), u"Келван");
  EXPECT_EQ(TfmMain::ApplicationTitle(u"/opt/.hidden"), u"");
}

}  // namespace
}  // namespace kelvane::test
