// The Qt view: each control reaches its command, and the view shows what the behaviour asks.
#include <QAbstractButton>
#include <QAccessible>
#include <QHeaderView>
#include <QToolTip>
#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <QThread>
#include <gtest/gtest.h>

#include "support/BenchScope.h"
#include "support/TempDir.h"
#include "window/MainForm.h"
#include "window/qt/BusyIndicator.h"
#include "window/qt/QtMainWindow.h"
#include "window/qt/QtText.h"

namespace kelvane::test {
namespace {

class TRecordingCommands final : public TMainCommands {
 public:
  explicit TRecordingCommands(int& AEnded) : FEnded(AEnded) {}
  ~TRecordingCommands() override { ++FEnded; }
  void Run(TCommand ACommand) override { Commands.push_back(ACommand); }
  void FormShow() override { ++Shows; }
  void FormClose() override { ++Closes; }
  void HandOver() override { ++HandOvers; }
  void EndSession() override { ++SessionEnds; }
  void DropFiles(const std::vector<std::u16string>& AFiles) override { Drops.push_back(AFiles); }

  std::vector<TCommand> Commands;
  std::vector<std::vector<std::u16string>> Drops;
  int Shows = 0;
  int Closes = 0;
  int HandOvers = 0;
  int SessionEnds = 0;

 private:
  int& FEnded;
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
          auto commands = std::make_unique<TRecordingCommands>(FEnded);
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
  // How many behaviours have ended.
  int FEnded = 0;
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
  EXPECT_EQ(FCommands->Closes, 0);
  FWindow.close();
  // The behaviour ends within the close, while the window is still there to show its wait.
  EXPECT_EQ(FEnded, 1);
}

TEST_F(QtView, TimersAndTheWakeUpReachTheWindowsThread) {
  FWindow.SetTimersActive(true);
  const auto ticked = [&](TCommand ACommand) {
    return std::count(FCommands->Commands.begin(), FCommands->Commands.end(), ACommand) > 0;
  };
  ASSERT_TRUE(RunUntil(
      [&] { return ticked(TCommand::TimerTimer) && ticked(TCommand::tmrUpdateDevicesTimer); }));
  for (const form::TTimerDesc& entry : form::Timers()) {
    EXPECT_EQ(Control<QTimer>(ToQt(entry.Name).toLatin1().constData())->interval(),
              entry.IntervalMs);
  }
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

// A cell its column cuts has the whole text as its tip, whichever way it came to be cut, and the
// list shows it where the pointer rests.
TEST_F(QtView, ACutCellShowsItsWholeTextAsItsTip) {
  const QString whole = QStringLiteral(
      "Успешно завершено: A.5.3105 (30.11.2026) Ошибка печати: Нет бумаги в принтере чеков");
  auto* list = Control<QTreeWidget>("listView");
  const auto tip = [&](int ARow, TColumn AColumn) {
    return list->topLevelItem(ARow)->toolTip(static_cast<int>(AColumn));
  };
  // The pointer resting on the cell.
  const auto rest = [&](int ARow, TColumn AColumn) {
    const QRect cell = list->visualItemRect(list->topLevelItem(ARow));
    const int x = list->header()->sectionViewportPosition(static_cast<int>(AColumn)) + 5;
    const QPoint at(x, cell.center().y());
    QHelpEvent event(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(list->viewport(), &event);
    return tip(ARow, AColumn);
  };
  FWindow.show();
  FWindow.InsertRow(0, {u"COM3", u"0154000317", u"", FromQt(whole)}, true);
  FWindow.InsertRow(1, {u"COM4", u"S4", u"", u""}, true);
  EXPECT_EQ(tip(0, TColumn::State), whole);
  EXPECT_EQ(tip(0, TColumn::Com), "") << "whole in its column";
  EXPECT_EQ(tip(0, TColumn::Serial), "");
  FWindow.SetCell(1, TColumn::State, FromQt(whole));
  EXPECT_EQ(tip(1, TColumn::State), whole);
  FWindow.SetCell(1, TColumn::State, u"Ожидание");
  EXPECT_EQ(tip(1, TColumn::State), "");
  EXPECT_EQ(rest(0, TColumn::State), whole);
  EXPECT_EQ(QToolTip::text(), whole) << "the list shows the item's tip";
  // The window made wide enough, the text is whole; narrow again, cut.
  FWindow.resize(2000, FWindow.height());
  ASSERT_TRUE(RunUntil([&] { return list->header()->sectionSize(3) > 1000; }));
  EXPECT_EQ(rest(0, TColumn::State), "");
  FWindow.resize(form::kClientWidth, FWindow.height());
  ASSERT_TRUE(RunUntil([&] { return list->header()->sectionSize(3) < 1000; }));
  EXPECT_EQ(rest(0, TColumn::State), whole);
}

// A screen reader names each control by its label or by its name.
TEST_F(QtView, AssistiveTechnologyHasANameForEveryControl) {
  for (const form::TControlDesc& entry : form::Controls()) {
    SCOPED_TRACE(ToQt(entry.Name).toStdString());
    auto* control = FWindow.findChild<QWidget*>(ToQt(entry.Name));
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->accessibleName(), ToQt(entry.AccessibleName));
    if (entry.Kind == form::TKind::Label) {
      const auto* label = qobject_cast<QLabel*>(control);
      ASSERT_NE(label->buddy(), nullptr);
      EXPECT_EQ(label->buddy()->objectName(), ToQt(entry.LabelFor));
    }
  }
  // The busy indicator is there for a screen reader while the window is busy, and only then.
  FWindow.show();
  QAccessibleInterface* busy =
      QAccessible::queryAccessibleInterface(Control<TBusyIndicator>("gifProgress"));
  ASSERT_NE(busy, nullptr);
  FWindow.SetBusy(true);
  EXPECT_FALSE(busy->state().invisible);
  EXPECT_EQ(busy->text(QAccessible::Name), "Идёт работа");
  FWindow.SetBusy(false);
  EXPECT_TRUE(busy->state().invisible);
  // A path field is named by its label.
  QAccessibleInterface* field =
      QAccessible::queryAccessibleInterface(Control<QLineEdit>("edtFileName"));
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->text(QAccessible::Name), "Путь к прошивке:");
}

TEST_F(QtView, FilesDroppedOnTheWindowReachTheBehaviourAsPaths) {
  // A field does not take a drop itself: it goes on to the window, as anywhere else on it.
  for (const char* field : {"edtFileName", "edtTablesFileName"}) {
    EXPECT_FALSE(Control<QLineEdit>(field)->acceptDrops()) << field;
  }
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile("/fw/demo_3105.bin"), QUrl("https://example.org/a.bin")});
  QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&FWindow, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(1, 1), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&FWindow, &drop);
  EXPECT_EQ(FCommands->Drops, (std::vector<std::vector<std::u16string>>{
                                  {u"/fw/demo_3105.bin", u"https://example.org/a.bin"}}));
}

TEST_F(QtView, ControlsStandAtTheirPlacesWithTheirTextsInTheTabOrder) {
  std::vector<QWidget*> focusable;
  for (const form::TControlDesc& entry : form::Controls()) {
    const QString name = ToQt(entry.Name);
    SCOPED_TRACE(name.toStdString());
    auto* control = FWindow.findChild<QWidget*>(name);
    ASSERT_NE(control, nullptr);
    const form::TPlace place = entry.Place;
    if (entry.Kind == form::TKind::StatusBar) {
      EXPECT_EQ(control->height(), form::kStatusBarHeight);
    } else if (place.Width == form::kAutoSize) {
      EXPECT_EQ(control->pos(), QPoint(place.Left, place.Top));
    } else {
      EXPECT_EQ(control->geometry(), QRect(place.Left, place.Top, place.Width, place.Height));
    }
    if (const auto* button = qobject_cast<QAbstractButton*>(control)) {
      EXPECT_EQ(button->text(), ToQt(entry.Text));
    } else if (const auto* label = qobject_cast<QLabel*>(control)) {
      EXPECT_EQ(label->text(), ToQt(entry.Text));
    } else if (const auto* field = qobject_cast<QLineEdit*>(control)) {
      EXPECT_EQ(field->text(), ToQt(entry.Text));
    }
    EXPECT_EQ(control->toolTip(), ToQt(entry.Hint));
    if (entry.Picture != form::TPicture::None) {
      const QIcon icon = qobject_cast<QAbstractButton*>(control)->icon();
      EXPECT_TRUE(icon.availableSizes().contains(QSize(16, 16))) << "from the resources";
    }
    if (form::TakesFocus(entry.Kind)) {
      focusable.push_back(control);
    }
  }
  EXPECT_TRUE(FWindow.windowIcon().availableSizes().contains(QSize(32, 32)));
  const form::TSize least = form::MinimumClientSize();
  EXPECT_EQ(FWindow.centralWidget()->minimumSize(),
            QSize(least.Width, least.Height - form::kStatusBarHeight));
  // Tab goes through them in the description's order (past the parts of a compound control).
  for (size_t i = 0; i + 1 < focusable.size(); ++i) {
    QWidget* next = focusable[i]->nextInFocusChain();
    while (std::find(focusable.begin(), focusable.end(), next) == focusable.end()) {
      next = next->nextInFocusChain();
    }
    EXPECT_EQ(next, focusable[i + 1]) << i;
  }

  const auto* list = Control<QTreeWidget>("listView");
  const std::span<const form::TColumnDesc> columns = form::Columns();
  ASSERT_EQ(list->columnCount(), static_cast<int>(columns.size()));
  for (size_t i = 0; i < columns.size(); ++i) {
    EXPECT_EQ(list->headerItem()->text(static_cast<int>(i)), ToQt(columns[i].Caption));
    if (columns[i].Width > 0) {
      EXPECT_EQ(list->columnWidth(static_cast<int>(i)), columns[i].Width);
    }
  }
  for (const form::TMenuItemDesc& item : form::MenuItems()) {
    EXPECT_EQ(Control<QAction>(ToQt(item.Name).toLatin1().constData())->text(), ToQt(item.Caption));
  }
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
