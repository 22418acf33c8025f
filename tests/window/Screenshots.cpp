// Drives the window through a search and an update of the default bench and writes a picture of
// each stage: idle, after the search, during the updates, after they end; last, at its smallest,
// of a state its column cuts with its tip.
#include <cstdio>
#include <functional>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeWidget>

#include "driver/sim/SimBench.h"
#include "tasks/MainThread.h"
#include "window/qt/QtFont.h"
#include "window/qt/QtMainWindow.h"
#include "window/qt/QtText.h"

using namespace kelvane;

namespace {

// Answers the firmware chooser with one file, as an operator would.
class TAnsweringDialogs final : public TWindowDialogs {
 public:
  explicit TAnsweringDialogs(QString AAnswer) : FAnswer(FromQt(AAnswer)) {}
  std::optional<std::u16string> ChooseFile(QWidget*, const TFileChooser&) override {
    return FAnswer;
  }
  void ShowError(QWidget*, const std::u16string&, const std::u16string& AText) override {
    std::fprintf(stderr, "message box: %s\n", ToQt(AText).toUtf8().constData());
  }

 private:
  std::u16string FAnswer;
};

bool RunUntil(const std::function<bool()>& ACondition, int ALimitMs) {
  QElapsedTimer elapsed;
  elapsed.start();
  while (!ACondition()) {
    if (elapsed.elapsed() > ALimitMs) {
      return false;
    }
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(10);
  }
  return true;
}

void Pause(int AMs) {
  RunUntil([] { return false; }, AMs);
}

bool Save(QWidget& AWindow, const QDir& AFolder, const char* AName) {
  const QString path = AFolder.filePath(AName);
  if (!AWindow.grab().save(path)) {
    std::fprintf(stderr, "cannot write %s\n", path.toUtf8().constData());
    return false;
  }
  std::printf("%s\n", path.toUtf8().constData());
  return true;
}

// The screen where the window and its popup stand.
bool SaveWithPopup(QWidget& AWindow, QWidget& APopup, const QDir& AFolder, const char* AName) {
  const QRect area = AWindow.frameGeometry().united(APopup.frameGeometry());
  const QString path = AFolder.filePath(AName);
  const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(),
                                                                    area.width(), area.height());
  if (!shot.save(path)) {
    std::fprintf(stderr, "cannot write %s\n", path.toUtf8().constData());
    return false;
  }
  std::printf("%s\n", path.toUtf8().constData());
  return true;
}

// The pointer resting on the first state its column cuts: the list shows the whole text.
bool SaveCutCellTip(QWidget& AWindow, QTreeWidget& AList, const QDir& AFolder) {
  constexpr int kState = 3;
  for (int row = 0; row < AList.topLevelItemCount(); ++row) {
    QTreeWidgetItem* item = AList.topLevelItem(row);
    const QPoint at(AList.header()->sectionViewportPosition(kState) + 20,
                    AList.visualItemRect(item).center().y());
    QHelpEvent event(QEvent::ToolTip, at, AList.viewport()->mapToGlobal(at));
    QApplication::sendEvent(AList.viewport(), &event);
    if (item->toolTip(kState).isEmpty()) {
      continue;
    }
    QWidget* tip = nullptr;
    RunUntil(
        [&] {
          for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->inherits("QTipLabel") && widget->isVisible()) {
              tip = widget;
            }
          }
          return tip != nullptr;
        },
        5000);
    Pause(300);
    return tip != nullptr && SaveWithPopup(AWindow, *tip, AFolder, "5-cut-cell-tip.png");
  }
  std::fprintf(stderr, "no state is cut\n");
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  TMainThread::Instance().BindToCurrentThread();
  QApplication application(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: kelvane-screenshots OUTPUT_FOLDER FIRMWARE_FOLDER\n");
    return 2;
  }
  const QDir output(argv[1]);
  const QDir firmware(argv[2]);
  QDir().mkpath(output.path());
  ApplyWindowFont();
  UseBenchFromEnvironment();

  // The operator's own settings stay untouched.
  const QTemporaryDir settings;
  TQtMainWindow window(
      TQtMainWindow::MainWindowBehaviour(settings.filePath("Kelvane.xml").toStdU16String()),
      std::make_shared<TAnsweringDialogs>(firmware.filePath("plain_3107.bin")));
  auto* list = window.findChild<QTreeWidget*>("listView");
  auto* search = window.findChild<QPushButton*>("btnSearch");
  const auto popup = [&](const char* AItem) { window.findChild<QAction*>(AItem)->trigger(); };
  window.show();
  Pause(300);
  bool ok = Save(window, output, "1-idle.png");

  window.findChild<QPushButton*>("btnSearch")->click();
  // The search has ended once the refresh enables its button again.
  ok = RunUntil([&] { return search->isEnabled() && list->topLevelItemCount() == 4; }, 20000) && ok;
  Pause(600);
  ok = Save(window, output, "2-after-search.png") && ok;

  window.findChild<QLineEdit*>("edtFileName")->setText(firmware.filePath("demo_3106.bin"));
  window.findChild<QCheckBox*>("chkWriteTables")->setChecked(true);
  window.findChild<QLineEdit*>("edtTablesFileName")->setText(firmware.filePath("tables.csv"));
  // COM6 gets a firmware of its own, whose build the register cannot reach.
  list->setCurrentItem(list->topLevelItem(3));
  popup("WriteCustomFirmware");
  window.findChild<QPushButton*>("btnStart")->click();
  Pause(1500);
  // COM4 is stopped half-way.
  list->setCurrentItem(list->topLevelItem(1));
  popup("StopTaskPopup");
  Pause(1500);
  ok = Save(window, output, "3-during-updates.png") && ok;

  ok = RunUntil([&] { return search->isEnabled(); }, 60000) && ok;
  Pause(600);
  list->clearSelection();
  ok = Save(window, output, "4-after-updates.png") && ok;
  // At its smallest the window cuts the states.
  window.resize(window.minimumSizeHint());
  Pause(600);
  ok = SaveCutCellTip(window, *list, output) && ok;
  return ok ? 0 : 1;
}
