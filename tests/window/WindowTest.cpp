#include <memory>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "driver/sim/SimFirmware.h"
#include "platform/DateFormat.h"
#include "support/BenchScope.h"
#include "support/GatedDriver.h"
#include "support/SteppingClock.h"
#include "support/TempDir.h"
#include "support/Waiting.h"
#include "tasks/MainThread.h"
#include "window/BusyIndicator.h"
#include "window/RowProgress.h"
#include "window/ScriptedDialogs.h"
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

class Window : public testing::Test {
 protected:
  Window() {
    SetLocaleFormats(
        std::make_shared<const TLocaleFormats>(TLocaleFormats{u"dd.MM.yyyy", u"H:mm:ss"}));
    FClock.Clock().SetFreeRunning(true);
    FFirmware = QString::fromStdU16String(
        FDir.Write("fw_3105.bin", MakeSimFirmware({3105, u"A.5", EncodeDate(2026, 12, 1)}, 300)));
    FWindow = std::make_unique<TfmMain>(FDialogs, (FDir.Path() / "settings.xml").u16string());
  }
  ~Window() override {
    FGates->OpenAll();
    FWindow.reset();
    SetLocaleFormats(nullptr);
  }

  template <typename T>
  T* Control(const char* AName) const {
    T* control = FWindow->findChild<T*>(AName);
    EXPECT_NE(control, nullptr) << AName;
    return control;
  }

  // A search, and the hand-over of its registers into rows.
  void Search() {
    Control<QPushButton>("btnSearch")->click();
    ASSERT_TRUE(WaitUntil([&] { return !FWindow->DeviceDiscover().State().Started.load(); }));
    FWindow->tmrUpdateDevicesTimer();
    FWindow->UpdatePage();
  }

  void Click(const char* AButton) { Control<QPushButton>(AButton)->click(); }

  QString Cell(int ARow, int AColumn) const { return FWindow->Row(ARow)->text(AColumn); }

  TUpdateTask& Task(int ARow) const { return FWindow->Row(ARow)->Task(); }

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

  void Select(int ARow) { Control<QTreeWidget>("listView")->setCurrentItem(FWindow->Row(ARow)); }

  // Every control the busy state enables or disables, and whether it is enabled now.
  std::vector<std::pair<std::string, bool>> Enabled() const {
    std::vector<std::pair<std::string, bool>> states;
    for (const char* name : {"btnSearch", "btnStart", "btnStop", "btnOpen", "edtFileName",
                             "chkWriteTables", "edtTablesFileName", "btnTablesOpen"}) {
      states.emplace_back(name, FWindow->findChild<QWidget*>(name)->isEnabled());
    }
    states.emplace_back("gifProgress", Control<TBusyIndicator>("gifProgress")->Active());
    return states;
  }

  TTempDir FDir;
  TBenchScope FBench{kBench};
  std::shared_ptr<TPortGates> FGates = std::make_shared<TPortGates>();
  TGatedDriverScope FDriver{FBench.Bench(), FGates};
  TSteppingClockScope FClock;
  std::shared_ptr<TScriptedDialogs> FDialogs = std::make_shared<TScriptedDialogs>();
  QString FFirmware;
  std::unique_ptr<TfmMain> FWindow;
};

TEST_F(Window, StartsIdleWithItsVersionInTheTitle) {
  EXPECT_EQ(FWindow->windowTitle(), QStringLiteral("Kelvane v.1.0.0.6"));
  EXPECT_EQ(FWindow->RowCount(), 0);
  const std::vector<std::pair<std::string, bool>> idle = {
      {"btnSearch", true},         {"btnStart", false},     {"btnStop", false},
      {"btnOpen", true},           {"edtFileName", true},   {"chkWriteTables", true},
      {"edtTablesFileName", true}, {"btnTablesOpen", true}, {"gifProgress", false}};
  EXPECT_EQ(Enabled(), idle);
}

TEST_F(Window, SearchListsTheRegistersInCaptionOrder) {
  Search();
  ASSERT_EQ(FWindow->RowCount(), 3);
  const QStringList captions = {"COM10", "COM3", "COM4"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Cell(i, TDeviceRow::ColCom), captions[i]);
    EXPECT_EQ(Cell(i, TDeviceRow::ColSerial), "S" + captions[i].mid(3));
    EXPECT_EQ(Cell(i, TDeviceRow::ColPercent), "");
    EXPECT_EQ(Cell(i, TDeviceRow::ColState), QStringLiteral("A.4.3021 (16.06.2025) [Тарвик]"));
    EXPECT_TRUE(FWindow->Row(i)->Ticked());
    EXPECT_EQ(Task(i).Name(), FWindow->Row(i)->text(TDeviceRow::ColSerial).toStdU16String());
  }
  EXPECT_EQ(Task(0).ComNumber(), 10);
  EXPECT_EQ(FWindow->StatusText(), QStringLiteral("Найдено устройств: 3"));

  // A second search clears the rows and the count before any register of its own shows.
  FGates->Close(3);
  Click("btnSearch");
  EXPECT_EQ(FWindow->RowCount(), 0);
  EXPECT_EQ(FWindow->StatusText(), QStringLiteral("Найдено устройств: 0"));
  FGates->Open(3);
  ASSERT_TRUE(WaitUntil([&] { return !FWindow->DeviceDiscover().State().Started.load(); }));
  FWindow->tmrUpdateDevicesTimer();
  EXPECT_EQ(FWindow->RowCount(), 3);
}

TEST_F(Window, StartWithoutAFirmwareFileShowsTheBoxAndStartsNothing) {
  Search();
  const QString folder = QString::fromStdU16String(FDir.Path().u16string());
  for (const QString& path : {QString(), FFirmware + "x", folder}) {
    Control<QLineEdit>("edtFileName")->setText(path);
    Click("btnStart");
  }
  ASSERT_EQ(FDialogs->Errors.size(), 3u);
  for (const auto& error : FDialogs->Errors) {
    EXPECT_EQ(error.Text, QStringLiteral("Файл прошивки не найден!"));
  }
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(Task(i).State().Started) << i;
    EXPECT_EQ(FBench.Register(3).CallCount(TTarvikMethod::WriteTable), 0);
  }
}

TEST_F(Window, StartRunsTheTickedIdleRowsAndShowsTheirProgress) {
  Search();
  FWindow->Row(2)->SetTicked(false);  // COM4
  FGates->Close(3);
  Control<QLineEdit>("edtFileName")->setText(FFirmware);
  Click("btnStart");
  EXPECT_TRUE(Task(0).State().Started);
  EXPECT_TRUE(Task(1).State().Started);
  EXPECT_FALSE(Task(2).State().Started);
  // COM10 has ended while COM3 waits at its gate: a second start runs COM10 again only.
  ASSERT_TRUE(WaitUntil([&] { return Task(0).WorkerEnded(); }));
  Click("btnStart");
  FWindow->UpdatePage();
  EXPECT_EQ(Cell(1, TDeviceRow::ColPercent), "0%");
  EXPECT_EQ(Cell(1, TDeviceRow::ColState), QStringLiteral("Отключение СКоК"));

  FGates->Open(3);
  WaitForRows();
  EXPECT_EQ(FBench.Register(10).InstallCount(), 2) << "COM10 was idle at the second start";
  for (const int row : {0, 1}) {
    EXPECT_EQ(Cell(row, TDeviceRow::ColPercent), "100%");
    EXPECT_TRUE(
        Cell(row, TDeviceRow::ColState)
            .startsWith(QStringLiteral("Успешно завершено: A.5.3105 (01.12.2026) за 0 мин. ")));
  }
  EXPECT_EQ(Cell(2, TDeviceRow::ColPercent), "");
  EXPECT_EQ(Cell(2, TDeviceRow::ColState), QStringLiteral("A.4.3021 (16.06.2025) [Тарвик]"));
  EXPECT_EQ(FBench.Register(4).InstallCount(), 0);
}

TEST_F(Window, StopEndsTheRunningRows) {
  Search();
  FGates->Close(3);
  FGates->Close(4);
  Control<QLineEdit>("edtFileName")->setText(FFirmware);
  Click("btnStart");
  FWindow->UpdatePage();
  Click("btnStop");
  FGates->OpenAll();
  WaitForRows();
  for (const int row : {1, 2}) {
    EXPECT_EQ(Cell(row, TDeviceRow::ColPercent), "---");
    EXPECT_EQ(Cell(row, TDeviceRow::ColState), QStringLiteral("Прервано пользователем"));
  }
}

TEST_F(Window, PopupStartOnARunningRowTicksItAndOnlyStopsIt) {
  Search();
  FGates->Close(3);
  Control<QLineEdit>("edtFileName")->setText(FFirmware);
  Click("btnStart");
  FWindow->Row(1)->SetTicked(false);
  Control<QLineEdit>("edtFileName")->setText("/elsewhere/other_9.bin");
  Select(1);
  FWindow->ResetTaskPopupClick();
  EXPECT_TRUE(FWindow->Row(1)->Ticked());
  EXPECT_EQ(QString::fromStdU16String(Task(1).FileName()), FFirmware) << "a running task's file";
  FGates->Open(3);
  WaitForRows();
  EXPECT_EQ(Cell(1, TDeviceRow::ColState), QStringLiteral("Прервано пользователем"));
  EXPECT_FALSE(Task(1).State().Started);

  // On the idle row the same command starts it, with the field's path now.
  FWindow->ResetTaskPopupClick();
  WaitForRows();
  EXPECT_EQ(Cell(1, TDeviceRow::ColState), QStringLiteral("Ошибка: Файл не найден"));
}

TEST_F(Window, AnotherFirmwareForOneRowComesFromTheChooser) {
  Search();
  Select(2);
  FDialogs->Answer(std::nullopt);
  FWindow->WriteCustomFirmwareClick();
  EXPECT_FALSE(Task(2).State().Started) << "cancelled";
  FDialogs->Answer(FFirmware);
  FWindow->WriteCustomFirmwareClick();
  WaitForRows();
  EXPECT_TRUE(Task(2).IsCustom());
  EXPECT_EQ(QString::fromStdU16String(Task(2).FileName()), FFirmware);
  EXPECT_EQ(FBench.Register(4).Firmware().Build, 3105);
  EXPECT_EQ(FDialogs->Choosers.back().Name, "dlgOpen");
  EXPECT_EQ(FDialogs->Choosers.back().Filters, QStringList({"*.bin", "*.*"}));

  // Started again through "Запустить", the row keeps naming its firmware in its texts.
  Control<QLineEdit>("edtFileName")->setText(FFirmware);
  FGates->Close(4);
  FWindow->ResetTaskPopupClick();
  FWindow->UpdatePage();
  EXPECT_TRUE(Task(2).IsCustom());
  ASSERT_TRUE(WaitUntil([&] { return Task(2).State().Text.Get() != u""; }));
  FGates->Open(4);
  WaitForRows();
}

TEST_F(Window, PopupCommandsWithoutASelectedRowDoNothing) {
  Search();
  Control<QLineEdit>("edtFileName")->setText(FFirmware);
  FDialogs->Answer(FFirmware);
  FWindow->ResetTaskPopupClick();
  FWindow->StopTaskPopupClick();
  FWindow->WriteCustomFirmwareClick();
  EXPECT_TRUE(FDialogs->Choosers.empty());
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(Task(i).State().Started);
  }
}

TEST_F(Window, ControlsFollowTheBusyState) {
  const std::vector<std::pair<std::string, bool>> busy = {
      {"btnSearch", false},         {"btnStart", false},      {"btnStop", true},
      {"btnOpen", false},           {"edtFileName", false},   {"chkWriteTables", false},
      {"edtTablesFileName", false}, {"btnTablesOpen", false}, {"gifProgress", true}};
  FGates->Close(3);
  Click("btnSearch");
  FWindow->UpdatePage();
  EXPECT_EQ(Enabled(), busy) << "searching";
  FGates->Open(3);
  ASSERT_TRUE(WaitUntil([&] { return !FWindow->DeviceDiscover().State().Started.load(); }));
  FWindow->tmrUpdateDevicesTimer();
  FWindow->UpdatePage();
  const std::vector<std::pair<std::string, bool>> idleWithRows = {
      {"btnSearch", true},         {"btnStart", true},      {"btnStop", false},
      {"btnOpen", true},           {"edtFileName", true},   {"chkWriteTables", true},
      {"edtTablesFileName", true}, {"btnTablesOpen", true}, {"gifProgress", false}};
  EXPECT_EQ(Enabled(), idleWithRows);

  FGates->Close(4);
  Control<QLineEdit>("edtFileName")->setText(FFirmware);
  Click("btnStart");
  FWindow->UpdatePage();
  EXPECT_EQ(Enabled(), busy) << "updating";
  EXPECT_TRUE(FWindow->IsUpdating());
  FGates->Open(4);
  WaitForRows();
  EXPECT_EQ(Enabled(), idleWithRows);
}

TEST_F(Window, ChooserStartsInTheFoldersOfTheFieldAndFillsIt) {
  Control<QLineEdit>("edtFileName")->setText(FFirmware);
  FDialogs->Answer(QStringLiteral("/srv/firmware/new_3200.bin"));
  Click("btnOpen");
  EXPECT_EQ(Control<QLineEdit>("edtFileName")->text(), "/srv/firmware/new_3200.bin");
  ASSERT_EQ(FDialogs->Choosers.size(), 1u);
  EXPECT_EQ(FDialogs->Choosers[0].Directory, QString::fromStdU16String(FDir.Path().u16string()));

  FDialogs->Answer(std::nullopt);
  Control<QLineEdit>("edtTablesFileName")->setText("keep.csv");
  Click("btnTablesOpen");
  EXPECT_EQ(Control<QLineEdit>("edtTablesFileName")->text(), "keep.csv");
  EXPECT_EQ(FDialogs->Choosers[1].Name, "dlgOpenTables");
  EXPECT_EQ(FDialogs->Choosers[1].Filters, QStringList({"*.csv", "*.*"}));
}

TEST_F(Window, ClosingDuringASearchEndsEveryWorker) {
  Click("btnSearch");
  FWindow.reset();
  EXPECT_EQ(TMainThread::Instance().Drain(), 0u);
}

TEST_F(Window, ClosingDuringUpdatesStopsAndWaitsForEveryRow) {
  Search();
  Control<QLineEdit>("edtFileName")->setText(FFirmware);
  Click("btnStart");
  FWindow.reset();
  EXPECT_EQ(TMainThread::Instance().Drain(), 0u);
  // Every run ended at a stop point or on its own; none is left half-way in a driver call.
  for (const int port : {3, 4, 10}) {
    const int installs = FBench.Register(port).InstallCount();
    EXPECT_TRUE(installs == 0 || installs == 1) << port;
  }
}

TEST_F(Window, PathsTickAndPlaceSurviveARestart) {
  FWindow->show();
  Control<QLineEdit>("edtFileName")->setText(FFirmware);
  Control<QCheckBox>("chkWriteTables")->setChecked(true);
  Control<QLineEdit>("edtTablesFileName")->setText(QStringLiteral("Таблицы & прочее.csv"));
  FWindow->setGeometry(50, 60, 700, 450);
  FWindow->close();
  // The file is written when the window is gone, as at the end of a run.
  FWindow.reset();
  FWindow = std::make_unique<TfmMain>(FDialogs, (FDir.Path() / "settings.xml").u16string());
  EXPECT_EQ(Control<QLineEdit>("edtFileName")->text(), "") << "applied when first shown";
  FWindow->show();
  EXPECT_EQ(Control<QLineEdit>("edtFileName")->text(), FFirmware);
  EXPECT_TRUE(Control<QCheckBox>("chkWriteTables")->isChecked());
  EXPECT_EQ(Control<QLineEdit>("edtTablesFileName")->text(),
            QStringLiteral("Таблицы & прочее.csv"));
  EXPECT_EQ(FWindow->geometry(), QRect(50, 60, 700, 450));
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
  EXPECT_EQ(TfmMain::ApplicationTitle("C:/Program Files/Kelvane/Kelvane.exe"), "Kelvane");
  EXPECT_EQ(TfmMain::ApplicationTitle("/opt/KELVANE.v2.exe"), "Kelvane");
  EXPECT_EQ(TfmMain::ApplicationTitle("/usr/bin/kelvane"), "kelvane");
}

}  // namespace
}  // namespace kelvane::test
