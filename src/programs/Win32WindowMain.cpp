// The tool on Windows: one native window on the registers' driver (or on the bench).
#include <windows.h>

#include <ole2.h>

#include <commctrl.h>

#include "driver/TarvikFactory.h"
#include "platform/Error.h"
#include "platform/WideText.h"
#include "tasks/MainThread.h"
#include "window/fmuMain.h"
#include "window/win32/Win32MainWindow.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  kelvane::TMainThread::Instance().BindToCurrentThread();
  INITCOMMONCONTROLSEX controls{sizeof controls,
                                ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  // The file choosers use the shell, which wants an apartment on this thread.
  const bool ole = SUCCEEDED(OleInitialize(nullptr));
  int result = 0;
  try {
    kelvane::PreparePlatformDriver();
    kelvane::TWin32MainWindow fmMain;
    fmMain.Show();
    result = kelvane::TWin32MainWindow::RunMessageLoop(fmMain.Handle());
  } catch (...) {
    using kelvane::TfmMain;
    MessageBoxW(nullptr, kelvane::Wide(TfmMain::ErrorBoxText(kelvane::CurrentExceptionMessage())),
                kelvane::Wide(TfmMain::ApplicationTitle(kelvane::TWin32MainWindow::ProgramPath())),
                MB_OK | MB_ICONERROR);
    result = 2;
  }
  if (ole) {
    OleUninitialize();
  }
  return result;
}
