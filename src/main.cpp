// The tool: one window on the simulated bench (Linux) or the registers' driver (Windows).
#include <QApplication>
#include <QMessageBox>

#include "platform/Error.h"
#include "tasks/MainThread.h"
#include "window/fmuMain.h"

#ifndef _WIN32
#include "driver/sim/SimBench.h"
#endif

int main(int argc, char** argv) {
  kelvane::TMainThread::Instance().BindToCurrentThread();
  QApplication application(argc, argv);
  kelvane::ApplyWindowFont();
#ifndef _WIN32
  try {
    kelvane::UseBenchFromEnvironment();
  } catch (const kelvane::EError& e) {
    QMessageBox::critical(nullptr, "Kelvane", QString::fromStdU16String(e.Message()));
    return 2;
  }
#endif
  kelvane::TfmMain fmMain;
  fmMain.show();
  return application.exec();
}
