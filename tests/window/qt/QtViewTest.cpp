// The Qt view: each control reaches its command, and the view shows what the behaviour asks.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

#include "support/BenchScope.h"
#include "support/TempDir.h"
#include "window/qt/BusyIndicator.h"
#include "window/qt/QtMainWindow.h"

namespace kelvane::test {
namespace {

class TRecordingCommands final : public TMainCommands {
 public:
  void Run(TCommand ACommand) override { Commands.push_back(ACommand); }
  void FormShow() override { ++Shows; }
  void FormClose() override { ++Closes; }
  void HandOver() override { ++HandOvers; }

  std::vector<TCommand> Commands;
  int Shows = 0;
  int Closes = 0;
  int HandOvers = 0;
};

// Runs the event loop until the condition holds; false when the generous limit passed first.
bool RunUntil(const std::function<bool()>& ACondition) {
  QElapsedTimer elapsed;
  elapsed.start();
  while (!ACondition()) {
    if (elapsed.elapsed() > 60'000) {
      return false;
    }
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

class QtView : public testing::Test {
 protected:
  QtView()
      : FWindow([this](TMainView&) {
          auto commands = std::make_unique<TRecordingCommands>();
          FCommands = commands.get();
          return commands;
        }) {}

  template <typename T>
  T* Control(const char* AName) const {
    T* control = FWindow.findChild<T*>(AName);
    EXPECT_NE(control, nullptr) << AName;
    return control;
  }

  QString Cell(int ARow, TColumn AColumn) const {
    return Control<QTreeWidget>("listView")->topLevelItem(ARow)->text(static_cast<int>(AColumn));
  }

  TRecordingCommands* FCommands = nullptr;
  TQtMainWindow FWindow;
};

TEST_F(QtView, EveryControlAndMenuItemRunsItsCommand) {
  const std::vector<std::pair<const char*, TCommand>> buttons = {
      {"btnSearch", TCommand::btnSearchClick},
      {"btnStart", TCommand::btnStartClick},
      {"btnStop", TCommand::btnStopClick},
      {"btnOpen", TCommand::btnOpenClick},
      {"btnTablesOpen", TCommand::btnTablesOpenClick}};
  const std::vector<std::pair<const char*, TCommand>> items = {
      {"ResetTaskPopup", TCommand::ResetTaskPopupClick},
      {"StopTaskPopup", TCommand::StopTaskPopupClick},
      {"WriteCustomFirmware", TCommand::WriteCustomFirmwareClick}};
  std::vector<TCommand> expected;
  for (const auto& [name, command] : buttons) {
    Control<QPushButton>(name)->click();
    expected.push_back(command);
  }
  for (const auto& [name, command] : items) {
    Control<QAction>(name)->trigger();
    expected.push_back(command);
  }
  EXPECT_EQ(FCommands->Commands, expected);

  FWindow.show();
  FWindow.show();
  EXPECT_EQ(FCommands->Shows, 1) << "only the first showing counts";
  FWindow.close();
  EXPECT_EQ(FCommands->Closes, 1);
}

TEST_F(QtView, TimersAndTheWakeUpReachTheWindowsThread) {
  FWindow.SetTimersActive(true);
  const auto ticked = [&](TCommand ACommand) {
    return std::count(FCommands->Commands.begin(), FCommands->Commands.end(), ACommand) > 0;
  };
  ASSERT_TRUE(RunUntil(
      [&] { return ticked(TCommand::TimerTimer) && ticked(TCommand::tmrUpdateDevicesTimer); }));
  EXPECT_EQ(Control<QTimer>("Timer")->interval(), 500);
  EXPECT_EQ(Control<QTimer>("tmrUpdateDevices")->interval(), 500);
  FWindow.SetTimersActive(false);
  EXPECT_FALSE(Control<QTimer>("Timer")->isActive());

  std::thread worker([&] { FWindow.Wake(); });
  worker.join();
  EXPECT_EQ(FCommands->HandOvers, 0) << "not before the event loop runs";
  ASSERT_TRUE(RunUntil([&] { return FCommands->HandOvers == 1; }));
}

TEST_F(QtView, ShowsWhatTheBehaviourAsks) {
  FWindow.SetTitle(u"Kelvane v.1.0.0.6");
  EXPECT_EQ(FWindow.windowTitle(), "Kelvane v.1.0.0.6");
  FWindow.SetEnabled(TControl::btnStart, false);
  FWindow.SetEnabled(TControl::chkWriteTables, false);
  EXPECT_FALSE(Control<QPushButton>("btnStart")->isEnabled());
  EXPECT_FALSE(Control<QCheckBox>("chkWriteTables")->isEnabled());
  EXPECT_TRUE(Control<QPushButton>("btnSearch")->isEnabled());

  FWindow.SetFieldText(TField::edtTablesFileName, u"Таблицы.csv");
  EXPECT_EQ(Control<QLineEdit>("edtTablesFileName")->text(), QStringLiteral("Таблицы.csv"));
  Control<QLineEdit>("edtFileName")->setText("fw_1.bin");
  EXPECT_EQ(FWindow.FieldText(TField::edtFileName), u"fw_1.bin");
  Control<QCheckBox>("chkWriteTables")->setChecked(true);
  EXPECT_TRUE(FWindow.WriteTablesChecked());

  // Rows stand where they are put: the view never sorts them itself.
  FWindow.InsertRow(0, {u"COM3", u"S3", u"", u"a"}, true);
  FWindow.InsertRow(1, {u"COM4", u"S4", u"", u"b"}, false);
  FWindow.InsertRow(0, {u"COM10", u"S10", u"", u"c"}, true);
  ASSERT_EQ(Control<QTreeWidget>("listView")->topLevelItemCount(), 3);
  EXPECT_EQ(Cell(0, TColumn::Com), "COM10");
  EXPECT_EQ(Cell(1, TColumn::Com), "COM3");
  EXPECT_EQ(Cell(2, TColumn::Serial), "S4");
  EXPECT_TRUE(FWindow.RowTicked(0));
  EXPECT_FALSE(FWindow.RowTicked(2));
  FWindow.SetRowTicked(2, true);
  EXPECT_TRUE(FWindow.RowTicked(2));
  FWindow.SetCell(1, TColumn::Percent, u"42%");
  EXPECT_EQ(Cell(1, TColumn::Percent), "42%");
  EXPECT_EQ(FWindow.SelectedRow(), std::nullopt);
  auto* list = Control<QTreeWidget>("listView");
  list->setCurrentItem(list->topLevelItem(1));
  EXPECT_EQ(FWindow.SelectedRow(), 1);
  FWindow.ClearRows();
  EXPECT_EQ(list->topLevelItemCount(), 0);

  FWindow.SetStatusText(u"Найдено устройств: 3");
  EXPECT_EQ(FWindow.findChild<QStatusBar*>("statusBar")->findChild<QLabel*>()->text(),
            QStringLiteral("Найдено устройств: 3"));
  FWindow.show();
  FWindow.SetBusy(true);
  EXPECT_TRUE(Control<TBusyIndicator>("gifProgress")->isVisible());
  FWindow.SetBusy(false);
  EXPECT_FALSE(Control<TBusyIndicator>("gifProgress")->isVisible());
}

TEST_F(QtView, ControlsStandAtTheirPlacesWithTheirTexts) {
  struct TPlace {
    const char* Name;
    QRect Rect;
    QString Text;
  };
  for (const TPlace& place :
       std::vector<TPlace>{{"btnSearch", {8, 8, 155, 25}, QStringLiteral("Поиск устройств...")},
                           {"btnStart", {169, 8, 155, 25}, QStringLiteral("Запустить обновление")},
                           {"btnStop", {330, 8, 74, 25}, QStringLiteral("Стоп")},
                           {"btnOpen", {603, 37, 43, 25}, "..."},
                           {"btnTablesOpen", {603, 81, 43, 25}, "..."}}) {
    EXPECT_EQ(Control<QPushButton>(place.Name)->geometry(), place.Rect) << place.Name;
    EXPECT_EQ(Control<QPushButton>(place.Name)->text(), place.Text) << place.Name;
  }
  EXPECT_EQ(Control<QLineEdit>("edtFileName")->geometry(), QRect(105, 39, 492, 21));
  EXPECT_EQ(Control<QCheckBox>("chkWriteTables")->text(), QStringLiteral("Записывать таблицы"));
  EXPECT_EQ(Control<QTreeWidget>("listView")->geometry(), QRect(8, 112, 638, 279));
}

TEST(QtWindow, SearchOfTheBenchFillsTheListInCaptionOrder) {
  TTempDir settings;
  TBenchScope bench(
      "<bench no-answer-ms='0'>"
      "<port number='3' name='USB (COM3)'><register model='154' serial='S3'/></port>"
      "<port number='10' name='USB (COM10)'><register model='154' serial='S10'/></port>"
      "<port number='4' name='USB (COM4)'><register model='152' serial='S4'/></port></bench>");
  TQtMainWindow window(
      TQtMainWindow::MainWindowBehaviour((settings.Path() / "Kelvane.xml").u16string()));
  auto* list = window.findChild<QTreeWidget*>("listView");
  window.findChild<QPushButton*>("btnSearch")->click();
  ASSERT_TRUE(RunUntil([&] {
    return list->topLevelItemCount() == 3 &&
           window.findChild<QPushButton*>("btnSearch")->isEnabled();
  }));
  EXPECT_EQ(list->topLevelItem(0)->text(0), "COM10");
  EXPECT_EQ(list->topLevelItem(1)->text(0), "COM3");
  EXPECT_EQ(list->topLevelItem(2)->text(1), "S4");
}

}  // namespace
}  // namespace kelvane::test
