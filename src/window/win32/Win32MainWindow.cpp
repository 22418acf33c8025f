#include "window/win32/Win32MainWindow.h"

#include <optional>
#include <span>
#include <windowsx.h>

#include "platform/Error.h"
#include "platform/SystemMessage.h"
#include "platform/Text.h"
#include "platform/WideText.h"
#include "platform/WindowPlacement.h"
#include "window/fmuMain.h"
#include "window/win32/Win32Pictures.h"

namespace kelvane {

namespace {

constexpr wchar_t kClassName[] = L"TfmMain";
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;
// Posted by the wake-up: the workers' hand-over calls wait on the window's thread.
constexpr UINT kWakeMessage = WM_APP + 1;
// The behaviour's timers are 1, 2, ... in the description's order; the busy animation's stands
// apart.
constexpr UINT_PTR kBusyTimer = 100;

// The command of a control's or a menu item's identifier, if it has one.
template <typename TDesc>
std::optional<TCommand> CommandOf(std::span<const TDesc> ADescs, int AFirstId, int AId) {
  const auto index = static_cast<size_t>(AId - AFirstId);
  return AId >= AFirstId && index < ADescs.size() ? ADescs[index].Click : std::nullopt;
}

// The resolution of a window, where Windows can say it (10 and later); the screen's otherwise.
int WindowDpi(HWND AWindow) {
  using TGetDpiForWindow = UINT(WINAPI*)(HWND);
  static const auto getDpi = reinterpret_cast<TGetDpiForWindow>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  const UINT dpi = getDpi != nullptr ? getDpi(AWindow) : 0;
  return dpi != 0 ? static_cast<int>(dpi) : NativePixelsPerInch();
}

// The window's outer size for a client area, at its resolution (Windows 10 1607 and later), or
// at the system's.
void AdjustForDpi(RECT& ARect, DWORD AStyle, DWORD AExStyle, int ADpi) {
  using TAdjust = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const auto adjust = reinterpret_cast<TAdjust>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
  if (adjust == nullptr || !adjust(&ARect, AStyle, FALSE, AExStyle, static_cast<UINT>(ADpi))) {
    AdjustWindowRectEx(&ARect, AStyle, FALSE, AExStyle);
  }
}

void RegisterWindowClass() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  if (GetClassInfoExW(GetModuleHandleW(nullptr), kClassName, &windowClass)) {
    return;
  }
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  // Each window sets its own icon, which lives as long as that window.
  windowClass.lpszClassName = kClassName;
  RegisterClassExW(&windowClass);
}

}  // namespace

TWin32MainWindow::TCommandsFactory TWin32MainWindow::MainWindowBehaviour(
    std::u16string ASettingsFile) {
  return [file = std::move(ASettingsFile)](TMainView& AView) -> std::unique_ptr<TMainCommands> {
    return std::make_unique<TfmMain>(AView, file);
  };
}

TWin32MainWindow::TWin32MainWindow(const TCommandsFactory& AFactory,
                                   std::shared_ptr<TWin32Dialogs> ADialogs)
    : FDialogs(std::move(ADialogs)) {
  RegisterWindowClass();
  FHandle = CreateWindowExW(kExStyle, kClassName, L"", kStyle, CW_USEDEFAULT,
                            CW_USEDEFAULT, form::kClientWidth, form::kClientHeight, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
  if (FHandle == nullptr) {
    throw EError(u"Не удаётся создать окно: " + SystemMessage(GetLastError()));
  }
  FWindow.Reset(FHandle);
  // Messages reach this object only once it is whole, at the end; until then the system's own
  // handling answers them.
  SetWindowLongPtrW(FHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
  FDpi = WindowDpi(FHandle);
  ApplyIcons();
  RECT outer{0, 0, Scale(form::kClientWidth), Scale(form::kClientHeight)};
  AdjustForDpi(outer, kStyle, kExStyle, FDpi);
  SetWindowPos(FHandle, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  CreateControls();
  ApplyResolution();
  FKeptWindow = std::make_unique<TWin32KeptWindow>(
      FHandle, [this](std::u16string_view AName) { return Control(AName); });
  DragAcceptFiles(FHandle, TRUE);
  // Elsewhere than in a shell with a taskbar there is none: the progress then goes nowhere.
  FTaskbarResult = CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_ITaskbarList3, FTaskbar.OutVoid());
  if (SUCCEEDED(FTaskbarResult)) {
    FTaskbarResult = FTaskbar->HrInit();
  }
  if (FAILED(FTaskbarResult)) {
    FTaskbar = {};
  }
  FCommands = AFactory(*this);
  SetWindowLongPtrW(FHandle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  // A change of size that came before is laid out now.
  LayOut();
}

TWin32MainWindow::~TWin32MainWindow() {
  // The behaviour ends while every control it reaches still exists; the window goes next.
  FCommands.reset();
  if (FAccessibility) {
    for (const TChild& child : FChildren) {
      if (!child.Entry->AccessibleName.empty()) {
        MSAAPROPID name = PROPID_ACC_NAME;
        FAccessibility->ClearHwndProps(child.Handle, static_cast<DWORD>(OBJID_CLIENT),
                                       CHILDID_SELF, &name, 1);
      }
    }
  }
}

void TWin32MainWindow::ApplyIcons() {
  // The old ones go only once the window holds the new ones.
  win32::TIcon icon(CreateWindowIcon(Scale(32)));
  win32::TIcon smallIcon(CreateWindowIcon(Scale(16)));
  SendMessageW(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon.Get()));
  SendMessageW(FHandle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.Get()));
  FIcon = std::move(icon);
  FSmallIcon = std::move(smallIcon);
}

int TWin32MainWindow::RunMessageLoop(HWND AWindow) {
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Tab and the arrow keys move between the controls.
    if (!IsWindow(AWindow) || !IsDialogMessageW(AWindow, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return static_cast<int>(message.wParam);
}

LRESULT CALLBACK TWin32MainWindow::WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam,
                                              LPARAM ALParam) {
  auto* window = reinterpret_cast<TWin32MainWindow*>(GetWindowLongPtrW(AWindow, GWLP_USERDATA));
  if (window == nullptr) {
    return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
  }
  try {
    return window->Dispatch(AMessage, AWParam, ALParam);
  } catch (...) {
    // Nothing may cross back into the system's code; the operator sees what went wrong, in the
    // same box as the behaviour's own errors.
    window->FDialogs->ShowError(AWindow, TfmMain::ApplicationTitle(ProgramPath()),
                                TfmMain::ErrorBoxText(CurrentExceptionMessage()));
    return 0;
  }
}

LRESULT TWin32MainWindow::Dispatch(UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  if (AMessage == FTaskbarButtonCreated && AMessage != 0) {
    ApplyTaskbarProgress();
    return 0;
  }
  switch (AMessage) {
    case WM_COMMAND:
      if (HIWORD(AWParam) == BN_CLICKED && Clicked(LOWORD(AWParam))) {
        return 0;
      }
      break;
    case WM_TIMER:
      Tick(AWParam);
      return 0;
    case kWakeMessage:
      if (FCommands) {
        FCommands->HandOver();
      }
      return 0;
    case WM_DRAWITEM:
      if (const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(ALParam);
          item->hwndItem == FBusyPicture.Handle()) {
        DrawBusyFrame(item->hDC, item->rcItem, FBusyFrame, GetSysColor(COLOR_BTNFACE));
        return TRUE;
      }
      break;
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(AWParam) == FList.Handle()) {
        PopupMenu(ALParam);
        return 0;
      }
      break;
    case WM_SIZE:
      LayOut();
      return 0;
    case WM_GETMINMAXINFO:
      KeepSmallestSize(*reinterpret_cast<MINMAXINFO*>(ALParam));
      return 0;
    case WM_DPICHANGED:
      DpiChanged(HIWORD(AWParam), *reinterpret_cast<const RECT*>(ALParam));
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(AWParam) == WA_INACTIVE) {
        FFocus = GetFocus();
      } else if (HIWORD(AWParam) == 0) {
        RestoreFocus();
      }
      return 0;
    case WM_SETFOCUS:
      RestoreFocus();
      return 0;
    case WM_DROPFILES:
      DropFiles(reinterpret_cast<HDROP>(AWParam));
      return 0;
    case WM_QUERYENDSESSION:
      // While a register is being updated the session waits for the operator's word; the
      // reason given to the system says which.
      return FSessionEndHeld ? FALSE : TRUE;
    case WM_ENDSESSION:
      if (AWParam != FALSE && FCommands) {
        // The session ends anyway: the process may be gone as soon as this returns.
        FCommands->EndSession();
      }
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(FHandle, AMessage, AWParam, ALParam);
}

bool TWin32MainWindow::Clicked(int AId) {
  // A button's click, or a menu item's (also from the keyboard or another program).
  std::optional<TCommand> command = CommandOf(form::Controls(), kFirstControlId, AId);
  if (!command) {
    command = CommandOf(form::MenuItems(), kFirstMenuId, AId);
  }
  if (command) {
    Run(*command);
  }
  return command.has_value();
}

void TWin32MainWindow::Tick(WPARAM ATimer) {
  if (ATimer == kBusyTimer) {
    FBusyFrame = (FBusyFrame + 1) % form::kBusyDots;
    InvalidateRect(FBusyPicture.Handle(), nullptr, FALSE);
  } else if (ATimer >= 1 && ATimer <= form::Timers().size()) {
    Run(form::Timers()[ATimer - 1].Tick);
  }
}

void TWin32MainWindow::KeepSmallestSize(MINMAXINFO& ALimits) const {
  // No smaller than every control whole, at the window's resolution.
  const form::TSize least = form::MinimumClientSize();
  RECT outer{0, 0, Scale(least.Width), Scale(least.Height)};
  AdjustForDpi(outer, kStyle, kExStyle, FDpi);
  ALimits.ptMinTrackSize = {outer.right - outer.left, outer.bottom - outer.top};
}

void TWin32MainWindow::DpiChanged(int ADpi, const RECT& ASuggested) {
  FDpi = ADpi;
  SetWindowPos(FHandle, nullptr, ASuggested.left, ASuggested.top,
               ASuggested.right - ASuggested.left, ASuggested.bottom - ASuggested.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  ApplyResolution();
  ApplyIcons();
}

void TWin32MainWindow::Run(TCommand ACommand) {
  if (FCommands) {
    FCommands->Run(ACommand);
  }
}

void TWin32MainWindow::Show() {
  if (FShown) {
    return;
  }
  FShown = true;
  FCommands->FormShow();
  ShowWindow(FHandle, FKeptWindow->FirstShowCommand());
  UpdateWindow(FHandle);
  // The rows are what the keyboard acts on first.
  SetFocus(FList.Handle());
}

void TWin32MainWindow::Close() {
  // A close asked for again while the behaviour waits for its workers (another program's
  // WM_CLOSE reaches the window meanwhile) changes nothing: the first one goes on.
  if (FClosing) {
    return;
  }
  // Closing is never refused; the behaviour ends, with every worker, before the window goes.
  FClosing = true;
  if (FCommands) {
    FCommands->FormClose();
    FCommands.reset();
  }
  DestroyWindow(FHandle);
}

POINT TWin32MainWindow::ContextMenuPoint(HWND AList, LPARAM APosition) {
  POINT at{GET_X_LPARAM(APosition), GET_Y_LPARAM(APosition)};
  // From the keyboard (the Menu key, Shift+F10) both coordinates are -1, however the system
  // widens the LPARAM: then at the focused row, else at the list's corner.
  if (at.x == -1 && at.y == -1) {
    RECT rect{};
    const int focused = ListView_GetNextItem(AList, -1, LVNI_FOCUSED);
    if (focused < 0 || !ListView_GetItemRect(AList, focused, &rect, LVIR_LABEL)) {
      rect = {};
    }
    at = {rect.left, rect.bottom};
    ClientToScreen(AList, &at);
  }
  return at;
}

void TWin32MainWindow::PopupMenu(LPARAM APosition) {
  const POINT at = ContextMenuPoint(FList.Handle(), APosition);
  const int chosen =
      static_cast<int>(TrackPopupMenu(FMenu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                      at.x, at.y, 0, FHandle, nullptr));
  if (const auto command = CommandOf(form::MenuItems(), kFirstMenuId, chosen)) {
    Run(*command);
  }
}

HWND TWin32MainWindow::Control(std::u16string_view AName) const {
  for (const TChild& child : FChildren) {
    if (SameName(child.Entry->Name, AName)) {
      return child.Handle;
    }
  }
  return nullptr;
}

void TWin32MainWindow::SetTitle(const std::u16string& AText) {
  SetWindowTextW(FHandle, Wide(AText));
}

void TWin32MainWindow::SetEnabled(TControl AControl, bool AValue) {
  const HWND control = FControls.at(static_cast<size_t>(AControl));
  // A disabled control keeps no focus, and then no key would reach the window: the focus goes
  // on in the tab order first, to the list when nothing else can take it.
  if (!AValue && GetFocus() == control) {
    HWND next = GetNextDlgTabItem(FHandle, control, FALSE);
    if (next == nullptr || next == control) {
      next = FList.Handle();
    }
    SetFocus(next);
  }
  EnableWindow(control, AValue);
}

HWND TWin32MainWindow::Field(TField AField) const {
  return FControls.at(static_cast<size_t>(FieldControl(AField)));
}

void TWin32MainWindow::RestoreFocus() {
  const bool usable = FFocus != nullptr && IsChild(FHandle, FFocus) && IsWindowEnabled(FFocus) &&
                      IsWindowVisible(FFocus);
  SetFocus(usable ? FFocus : FList.Handle());
}

std::u16string TWin32MainWindow::FieldText(TField AField) const {
  return WindowText(Field(AField));
}

void TWin32MainWindow::SetFieldText(TField AField, const std::u16string& AText) {
  SetWindowTextW(Field(AField), Wide(AText));
}

bool TWin32MainWindow::WriteTablesChecked() const {
  return FWriteTables.Checked();
}

void TWin32MainWindow::InsertRow(int AIndex, const std::vector<std::u16string>& ACells,
                                 bool ATicked) {
  FList.InsertRow(AIndex, ACells.at(0));
  for (size_t column = 1; column < ACells.size(); ++column) {
    FList.SetCellText(AIndex, static_cast<int>(column), ACells[column]);
  }
  FList.SetTicked(AIndex, ATicked);
}

void TWin32MainWindow::ClearRows() {
  FList.Clear();
}

void TWin32MainWindow::SetCell(int ARow, TColumn AColumn, const std::u16string& AText) {
  FList.SetCellText(ARow, static_cast<int>(AColumn), AText);
}

bool TWin32MainWindow::RowTicked(int ARow) const {
  return FList.Ticked(ARow);
}

void TWin32MainWindow::SetRowTicked(int ARow, bool AValue) {
  FList.SetTicked(ARow, AValue);
}

std::optional<int> TWin32MainWindow::SelectedRow() const {
  const int selected = FList.NextRow(LVNI_SELECTED);
  return selected >= 0 ? std::optional<int>(selected) : std::nullopt;
}

void TWin32MainWindow::SetStatusText(const std::u16string& AText) {
  FStatusBar.SetSingleText(AText);
}

void TWin32MainWindow::SetBusy(bool AValue) {
  if (AValue == FBusy) {
    return;
  }
  FBusy = AValue;
  FBusyPicture.Show(AValue);
  if (AValue) {
    SetTimer(FHandle, kBusyTimer, form::kBusyFrameMs, nullptr);
  } else {
    KillTimer(FHandle, kBusyTimer);
  }
}

void TWin32MainWindow::SetTimersActive(bool AValue) {
  const std::span<const form::TTimerDesc> timers = form::Timers();
  for (size_t i = 0; i < timers.size(); ++i) {
    if (AValue) {
      SetTimer(FHandle, i + 1, static_cast<UINT>(timers[i].IntervalMs), nullptr);
    } else {
      KillTimer(FHandle, i + 1);
    }
  }
}

std::optional<std::u16string> TWin32MainWindow::ChooseFile(const TFileChooser& AChooser) {
  return FDialogs->ChooseFile(FHandle, AChooser);
}

void TWin32MainWindow::ShowError(const std::u16string& ATitle, const std::u16string& AText) {
  FDialogs->ShowError(FHandle, ATitle, AText);
}

void TWin32MainWindow::CentreOnScreen() {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(FHandle, MONITOR_DEFAULTTOPRIMARY), &monitor);
  RECT rect{};
  GetWindowRect(FHandle, &rect);
  const RECT& area = monitor.rcWork;
  SetWindowPos(FHandle, nullptr,
               area.left + (area.right - area.left - (rect.right - rect.left)) / 2,
               area.top + (area.bottom - area.top - (rect.bottom - rect.top)) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::u16string TWin32MainWindow::ExecutablePath() const {
  return ProgramPath();
}

std::u16string TWin32MainWindow::ProgramPath() {
  std::u16string path(MAX_PATH, u'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, reinterpret_cast<LPWSTR>(path.data()),
                                            static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

void TWin32MainWindow::DropFiles(HDROP ADrop) {
  // The drop's memory is the system's again on every way out, an exception's too.
  const win32::TScopeExit finish([ADrop] { DragFinish(ADrop); });
  std::vector<std::u16string> files;
  const UINT count = DragQueryFileW(ADrop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::u16string name(DragQueryFileW(ADrop, i, nullptr, 0) + 1, u'\0');
    name.resize(DragQueryFileW(ADrop, i, reinterpret_cast<wchar_t*>(name.data()),
                               static_cast<UINT>(name.size())));
    files.push_back(std::move(name));
  }
  if (FCommands) {
    FCommands->DropFiles(files);
  }
}

void TWin32MainWindow::SetTaskbarProgress(const TTaskbarProgress& AProgress) {
  FTaskbarProgress = AProgress;
  ApplyTaskbarProgress();
}

void TWin32MainWindow::ApplyTaskbarProgress() {
  if (!FTaskbar) {
    return;
  }
  const TBPFLAG state = FTaskbarProgress.State == TTaskbarState::None     ? TBPF_NOPROGRESS
                        : FTaskbarProgress.State == TTaskbarState::Error ? TBPF_ERROR
                                                                          : TBPF_NORMAL;
  FTaskbarResult = FTaskbar->SetProgressState(FHandle, state);
  if (SUCCEEDED(FTaskbarResult) && state != TBPF_NOPROGRESS) {
    FTaskbarResult = FTaskbar->SetProgressValue(
        FHandle, static_cast<ULONGLONG>(FTaskbarProgress.Percent), 100);
  }
}

bool TWin32MainWindow::IsForeground() const {
  return GetForegroundWindow() == FHandle;
}

void TWin32MainWindow::CallForAttention() {
  // The button flashes until the window comes forward.
  FLASHWINFO flash{sizeof flash, FHandle, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
  FlashWindowEx(&flash);
}

void TWin32MainWindow::Wake() {
  // Any thread may post; the window's thread runs the hand-over when it gets the message.
  PostMessageW(FHandle, kWakeMessage, 0, 0);
}

void TWin32MainWindow::PaintOnly() {
  // Messages sent to the window (the system's questions) are answered by any PeekMessage; of
  // those posted, only the requests to paint are taken, so no click, key or timer runs.
  MSG message{};
  while (PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) {
    DispatchMessageW(&message);
  }
}

void TWin32MainWindow::HoldSessionEnd(const std::optional<std::u16string>& AReason) {
  FSessionEndHeld = AReason.has_value();
  if (AReason) {
    ShutdownBlockReasonCreate(FHandle, Wide(*AReason));
  } else {
    ShutdownBlockReasonDestroy(FHandle);
  }
}

}  // namespace kelvane
