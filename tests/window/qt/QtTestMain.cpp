#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "tasks/MainThread.h"
#include "window/qt/QtFont.h"

int main(int argc, char** argv) {
  // The window is driven without a screen; Qt wants a private runtime folder.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QTemporaryDir runtime;
  QFile::setPermissions(runtime.path(),
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
  kelvane::TMainThread::Instance().BindToCurrentThread();
  QApplication application(argc, argv);
  kelvane::ApplyWindowFont();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
