// Drives the window through a search and an update of the default bench and writes a picture of
// each stage: idle, after the search, during the updates, after they end.
#include <cstdio>
#include <functional>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeWidget>

#include "driver/sim/SimBench.h"
#include "tasks/MainThread.h"
#include "window/fmuMain.h"

using namespace kelvane;

namespace {

// Answers the firmware chooser with one file, as an operator would.
class TAnsweringDialogs final : public TWindowDialogs {
 public:
  explicit TAnsweringDialogs(QString AAnswer) : FAnswer(std::move(AAnswer)) {}
  std::optional<QString> ChooseFile(QWidget*, TFileChooser&) override { return FAnswer; }
  void ShowError(QWidget*, const QString&, const QString& AText) override {
    std::fprintf(stderr, "message box: %s\n", AText.toUtf8().constData());
  }

 private:
  QString FAnswer;
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
  TfmMain window(std::make_shared<TAnsweringDialogs>(firmware.filePath("plain_3107.bin")),
                 settings.filePath("Kelvane.xml").toStdU16String());
  window.show();
  Pause(300);
  bool ok = Save(window, output, "1-idle.png");

  window.findChild<QPushButton*>("btnSearch")->click();
  ok = RunUntil([&] { return !window.DeviceDiscover().State().Started && window.RowCount() == 4; },
                20000) &&
       ok;
  Pause(600);
  ok = Save(window, output, "2-after-search.png") && ok;

  auto* list = window.findChild<QTreeWidget*>("listView");
  window.findChild<QLineEdit*>("edtFileName")->setText(firmware.filePath("demo_3106.bin"));
  window.findChild<QCheckBox*>("chkWriteTables")->setChecked(true);
  window.findChild<QLineEdit*>("edtTablesFileName")->setText(firmware.filePath("tables.csv"));
  // COM6 gets a firmware of its own, whose build the register cannot reach.
  list->setCurrentItem(window.Row(3));
  window.WriteCustomFirmwareClick();
  window.findChild<QPushButton*>("btnStart")->click();
  Pause(1500);
  // COM4 is stopped half-way.
  list->setCurrentItem(window.Row(1));
  window.StopTaskPopupClick();
  Pause(1500);
  ok = Save(window, output, "3-during-updates.png") && ok;

  ok = RunUntil([&] { return !window.IsUpdating(); }, 60000) && ok;
  Pause(600);
  list->clearSelection();
  ok = Save(window, output, "4-after-updates.png") && ok;
  return ok ? 0 : 1;
}
