// Drives the Win32 window through a search and an update of the default bench, and writes a
// picture of its client area at each stage: idle, after the search, during the updates, after.
#include <windows.h>

#include <chrono>
#include <commctrl.h>
#include <cstdio>
#include <functional>
#include <string>

#include "discovery/PortSource.h"
#include "discovery/sim/SimPortSource.h"
#include "driver/TarvikFactory.h"
#include "driver/sim/SimBench.h"
#include "driver/sim/SimTarvik.h"
#include "tasks/MainThread.h"
#include "window/win32/Win32MainWindow.h"

using namespace kelvane;

namespace {

// Answers the firmware chooser with one file, as an operator would.
class TAnsweringDialogs final : public TWin32Dialogs {
 public:
  explicit TAnsweringDialogs(std::u16string AAnswer) : FAnswer(std::move(AAnswer)) {}
  std::optional<std::u16string> ChooseFile(HWND, const TFileChooser&) override { return FAnswer; }
  void ShowError(HWND, const std::u16string&, const std::u16string&) override {}

 private:
  std::u16string FAnswer;
};

bool RunFor(
    int AMs, const std::function<bool()>& ADone = [] { return false; }) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(AMs);
  while (std::chrono::steady_clock::now() < end) {
    if (ADone()) {
      return true;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return ADone();
}

// The client area as a 24-bit BMP file.
bool Save(HWND AWindow, const std::wstring& APath) {
  RECT client{};
  GetClientRect(AWindow, &client);
  const int width = client.right;
  const int height = client.bottom;
  const HDC window = GetDC(AWindow);
  const HDC memory = CreateCompatibleDC(window);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(window, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, window, 0, 0, SRCCOPY);
  GdiFlush();
  const DWORD stride = ((width * 3 + 3) / 4) * 4;
  const DWORD size = stride * static_cast<DWORD>(height);
  BITMAPFILEHEADER header{
      0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + size), 0, 0,
      sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
  bool ok = false;
  if (FILE* file = _wfopen(APath.c_str(), L"wb")) {
    ok = fwrite(&header, sizeof header, 1, file) == 1 &&
         fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, file) == 1 &&
         fwrite(bits, size, 1, file) == 1;
    ok = fclose(file) == 0 && ok;
  }
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(AWindow, window);
  std::printf("%ls\n", APath.c_str());
  return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: kelvane-win32-screenshots OUTPUT_FOLDER FIRMWARE_FOLDER\n");
    return 2;
  }
  const std::wstring output = argv[1];
  const std::wstring firmware = argv[2];
  TMainThread::Instance().BindToCurrentThread();
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  // The default bench stands in for the driver and the ports.
  UseBenchFromEnvironment();
  SetTarvikFactory([] { return std::make_unique<TSimTarvik>(CurrentBench()); });
  SetPortSource(std::make_shared<TSimPortSource>());

  const auto file = [&](const wchar_t* AName) {
    return std::u16string(reinterpret_cast<const char16_t*>((firmware + L"\\" + AName).c_str()));
  };
  wchar_t temporary[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temporary);
  const std::wstring settings = std::wstring(temporary) + L"kelvane-screenshots.xml";
  DeleteFileW(settings.c_str());
  TWin32MainWindow window(TWin32MainWindow::MainWindowBehaviour(
                              std::u16string(reinterpret_cast<const char16_t*>(settings.c_str()))),
                          std::make_shared<TAnsweringDialogs>(file(L"plain_3107.bin")));
  window.Show();
  const HWND handle = window.Handle();
  const auto control = [&](const char16_t* AName) { return window.Control(AName); };
  const auto setText = [&](const char16_t* AName, const std::u16string& AText) {
    SetWindowTextW(control(AName), reinterpret_cast<LPCWSTR>(AText.c_str()));
  };
  const auto select = [&](int ARow) {
    ListView_SetItemState(control(u"listView"), -1, 0, LVIS_SELECTED);
    ListView_SetItemState(control(u"listView"), ARow, LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
  };
  RunFor(500);
  bool ok = Save(handle, output + L"\\win32-1-idle.bmp");

  SendMessageW(control(u"btnSearch"), BM_CLICK, 0, 0);
  ok = RunFor(20000,
              [&] {
                return IsWindowEnabled(control(u"btnSearch")) &&
                       ListView_GetItemCount(control(u"listView")) == 4;
              }) &&
       ok;
  RunFor(600);
  ok = Save(handle, output + L"\\win32-2-after-search.bmp") && ok;

  setText(u"edtFileName", file(L"demo_3106.bin"));
  SendMessageW(control(u"chkWriteTables"), BM_SETCHECK, BST_CHECKED, 0);
  setText(u"edtTablesFileName", file(L"tables.csv"));
  // COM6 gets a firmware of its own, whose build the register cannot reach.
  select(3);
  SendMessageW(handle, WM_COMMAND, MAKEWPARAM(203, BN_CLICKED), 0);
  SendMessageW(control(u"btnStart"), BM_CLICK, 0, 0);
  RunFor(1500);
  // COM4 is stopped half-way.
  select(1);
  SendMessageW(handle, WM_COMMAND, MAKEWPARAM(202, BN_CLICKED), 0);
  RunFor(1500);
  ok = Save(handle, output + L"\\win32-3-during-updates.bmp") && ok;

  ok = RunFor(60000, [&] { return IsWindowEnabled(control(u"btnSearch")) != 0; }) && ok;
  RunFor(600);
  ListView_SetItemState(control(u"listView"), -1, 0, LVIS_SELECTED);
  RunFor(200);
  ok = Save(handle, output + L"\\win32-4-after-updates.bmp") && ok;
  SendMessageW(handle, WM_CLOSE, 0, 0);
  DeleteFileW(settings.c_str());
  return ok ? 0 : 1;
}
