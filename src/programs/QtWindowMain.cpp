// The tool: one window on the simulated bench or on the registers' driver.
#include <QApplication>
#include <QMessageBox>

#include "driver/TarvikFactory.h"
#include "platform/Error.h"
#include "tasks/MainThread.h"
#include "window/fmuMain.h"
#include "window/qt/CloseOnSignal.h"
#include "window/qt/QtFont.h"
#include "window/qt/QtMainWindow.h"

int main(int argc, char** argv) {
  kelvane::TMainThread::Instance().BindToCurrentThread();
  QApplication application(argc, argv);
  kelvane::ApplyWindowFont();
  try {
    kelvane::PreparePlatformDriver();
  } catch (const kelvane::EError& e) {
    QMessageBox::critical(nullptr,
                          QString::fromStdU16String(kelvane::TfmMain::ApplicationTitle(
                              QCoreApplication::applicationFilePath().toStdU16String())),
                          QString::fromStdU16String(kelvane::TfmMain::ErrorBoxText(e.Message())));
    return 2;
  }
  kelvane::TQtMainWindow fmMain;
  kelvane::CloseOnTerminationSignals(fmMain);
  fmMain.show();
  return application.exec();
}
