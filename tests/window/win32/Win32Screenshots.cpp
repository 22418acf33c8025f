// Drives the Win32 window through a search and an update of the default bench, and writes a
// picture of its client area at each stage: idle, after the search, during the updates, after;
// then of a state its column cuts with its tip, and of the box a search without the driver gives.
#include <windows.h>

#include <chrono>
#include <commctrl.h>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "discovery/PortSource.h"
#include "discovery/sim/SimPortSource.h"
#include "driver/TarvikFactory.h"
#include "driver/sim/SimBench.h"
#include "driver/sim/SimTarvik.h"
#include "tasks/MainThread.h"
#include "window/win32/Win32MainWindow.h"

using namespace kelvane;

namespace {

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

// A rectangle of what ASource shows, as a 24-bit BMP file.
bool SaveArea(HDC ASource, RECT AArea, const std::wstring& APath) {
  const int width = AArea.right - AArea.left;
  const int height = AArea.bottom - AArea.top;
  const HDC memory = CreateCompatibleDC(ASource);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(ASource, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, ASource, AArea.left, AArea.top, SRCCOPY);
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
  std::printf("%ls\n", APath.c_str());
  return ok;
}

// The client area.
bool Save(HWND AWindow, const std::wstring& APath) {
  RECT client{};
  GetClientRect(AWindow, &client);
  const HDC window = GetDC(AWindow);
  const bool ok = SaveArea(window, client, APath);
  ReleaseDC(AWindow, window);
  return ok;
}

// The screen where the window and the popup stand: a tip, a message box.
bool SaveWithPopup(HWND AWindow, HWND APopup, const std::wstring& APath) {
  RECT window{};
  RECT popup{};
  GetWindowRect(AWindow, &window);
  GetWindowRect(APopup, &popup);
  RECT both{};
  UnionRect(&both, &window, &popup);
  const HDC screen = GetDC(nullptr);
  const bool ok = SaveArea(screen, both, APath);
  ReleaseDC(nullptr, screen);
  return ok;
}

// Answers the firmware chooser with one file, as an operator would. An error box is the
// system's own; when a picture of it is asked for, it is taken once the box stands, and the box
// is then answered.
class TAnsweringDialogs final : public TWin32Dialogs {
 public:
  explicit TAnsweringDialogs(std::u16string AAnswer) : FAnswer(std::move(AAnswer)) {}
  std::optional<std::u16string> ChooseFile(HWND, const TFileChooser&) override { return FAnswer; }
  void ShowError(HWND AOwner, const std::u16string& ATitle,
                 const std::u16string& AText) override {
    std::fprintf(stderr, "message box: %ls\n", reinterpret_cast<const wchar_t*>(AText.c_str()));
    if (FBoxPicture.empty()) {
      return;
    }
    std::thread picture([this, AOwner] {
      for (int i = 0; i < 200; ++i) {
        const HWND box = FindWindowExW(nullptr, nullptr, L"#32770", nullptr);
        if (box != nullptr && GetWindow(box, GW_OWNER) == AOwner && IsWindowVisible(box)) {
          Sleep(500);
          FSaved = SaveWithPopup(AOwner, box, FBoxPicture);
          PostMessageW(box, WM_COMMAND, IDOK, 0);
          return;
        }
        Sleep(50);
      }
    });
    CreateWin32Dialogs()->ShowError(AOwner, ATitle, AText);
    picture.join();
    FBoxPicture.clear();
  }
  // The picture the next error box is to be taken to.
  void TakeNextBox(std::wstring APath) { FBoxPicture = std::move(APath); }
  bool Saved() const { return FSaved; }

 private:
  std::u16string FAnswer;
  std::wstring FBoxPicture;
  bool FSaved = false;
};

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
  const auto dialogs = std::make_shared<TAnsweringDialogs>(file(L"plain_3107.bin"));
  const auto behaviour = TWin32MainWindow::MainWindowBehaviour(
      std::u16string(reinterpret_cast<const char16_t*>(settings.c_str())));
  std::optional<TWin32MainWindow> shown(std::in_place, behaviour, dialogs);
  TWin32MainWindow& window = *shown;
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

  // The pointer rests on the first state its column cuts: the tip has the whole text.
  const HWND list = control(u"listView");
  for (int row = 0; row < ListView_GetItemCount(list); ++row) {
    RECT cell{};
    ListView_GetSubItemRect(list, row, 3, LVIR_LABEL, &cell);
    POINT at{cell.left + 20, (cell.top + cell.bottom) / 2};
    if (window.CellTips().TipAt(at).empty()) {
      continue;
    }
    ClientToScreen(list, &at);
    SetCursorPos(at.x, at.y);
    const HWND tips = window.CellTips().Tooltips();
    if (!RunFor(3000, [&] { return IsWindowVisible(tips) != 0; })) {
      SendMessageW(tips, TTM_POPUP, 0, 0);
    }
    ok = RunFor(3000, [&] { return IsWindowVisible(tips) != 0; }) && ok;
    RunFor(300);
    ok = SaveWithPopup(handle, tips, output + L"\\win32-5-cut-cell-tip.bmp") && ok;
    break;
  }
  SendMessageW(handle, WM_CLOSE, 0, 0);
  shown.reset();

  // The build's own driver, which this Wine has not registered: the search says so in its box.
  SetTarvikFactory({});
  shown.emplace(behaviour, dialogs);
  shown->Show();
  RunFor(500);
  dialogs->TakeNextBox(output + L"\\win32-6-no-driver-box.bmp");
  SendMessageW(shown->Control(u"btnSearch"), BM_CLICK, 0, 0);
  ok = RunFor(20000, [&] { return dialogs->Saved(); }) && ok;
  SendMessageW(shown->Handle(), WM_CLOSE, 0, 0);
  shown.reset();
  DeleteFileW(settings.c_str());
  return ok ? 0 : 1;
}
