// The tool: one window on the simulated bench or on the registers' driver.
#include <QApplication>
#include <QMessageBox>

#include "platform/Error.h"
#include "tasks/MainThread.h"
#include "window/qt/QtFont.h"
#include "window/qt/QtMainWindow.h"

#ifdef KELVANE_DRIVER_SIM
#include "driver/sim/SimBench.h"
#endif

int main(int argc, char** argv) {
  kelvane::TMainThread::Instance().BindToCurrentThread();
  QApplication application(argc, argv);
  kelvane::ApplyWindowFont();
#ifdef KELVANE_DRIVER_SIM
  try {
    kelvane::UseBenchFromEnvironment();
  } catch (const kelvane::EError& e) {
    QMessageBox::critical(nullptr, "Kelvane", QString::fromStdU16String(e.Message()));
    return 2;
  }
#endif
  kelvane::TQtMainWindow fmMain;
  fmMain.show();
  return application.exec();
}
