#pragma once

#include <windows.h>

#include <array>
#include <commctrl.h>
#include <oleacc.h>
#include <shellapi.h>
#include <shobjidl.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/ComApartment.h"
#include "window/MainForm.h"
#include "window/MainView.h"
#include "window/win32/Win32CellTips.h"
#include "window/win32/Win32Controls.h"
#include "window/win32/Win32Dialogs.h"
#include "window/win32/Win32KeptWindow.h"

namespace kelvane {

// The window in Win32 and the common controls: it creates the controls, forwards what the
// operator and the timers do to the window's behaviour, and shows what it is told.
class TWin32MainWindow final : public TMainView {
 public:
  using TCommandsFactory = std::function<std::unique_ptr<TMainCommands>(TMainView&)>;

  // ASettingsFile: the settings file to use instead of the one in the application-data folder.
  static TCommandsFactory MainWindowBehaviour(std::u16string ASettingsFile = {});

  explicit TWin32MainWindow(const TCommandsFactory& AFactory = MainWindowBehaviour(),
                            std::shared_ptr<TWin32Dialogs> ADialogs = CreateWin32Dialogs());
  ~TWin32MainWindow() override;
  TWin32MainWindow(const TWin32MainWindow&) = delete;
  TWin32MainWindow& operator=(const TWin32MainWindow&) = delete;

  // The first showing: the kept state is applied before the window appears.
  void Show();
  HWND Handle() const { return FHandle; }
  // A control by its name ("btnSearch", "listView", "statusBar", ...); null when there is none.
  HWND Control(std::u16string_view AName) const;
  // The running program's path.
  static std::u16string ProgramPath();
  // The window's resolution: 96 is 100 %.
  int Dpi() const { return FDpi; }
  const win32::TCellTips& CellTips() const { return *FCellTips; }
  // Runs the messages of this thread until the window is closed and gone.
  static int RunMessageLoop(HWND AWindow);
  // The WM_COMMAND identifier of the list menu's item AIndex in the window's description.
  static int MenuItemId(size_t AIndex) { return kFirstMenuId + static_cast<int>(AIndex); }
  // Where the list's menu opens for a WM_CONTEXTMENU position, in screen coordinates.
  static POINT ContextMenuPoint(HWND AList, LPARAM APosition);
  // What the taskbar answered when it was last given the progress, or when it was reached.
  HRESULT TaskbarResult() const { return FTaskbarResult; }

  void SetTitle(const std::u16string& AText) override;
  void SetEnabled(TControl AControl, bool AValue) override;
  std::u16string FieldText(TField AField) const override;
  void SetFieldText(TField AField, const std::u16string& AText) override;
  bool WriteTablesChecked() const override;
  void InsertRow(int AIndex, const std::vector<std::u16string>& ACells, bool ATicked) override;
  void ClearRows() override;
  void SetCell(int ARow, TColumn AColumn, const std::u16string& AText) override;
  bool RowTicked(int ARow) const override;
  void SetRowTicked(int ARow, bool AValue) override;
  std::optional<int> SelectedRow() const override;
  void SetStatusText(const std::u16string& AText) override;
  void SetBusy(bool AValue) override;
  void SetTimersActive(bool AValue) override;
  std::optional<std::u16string> ChooseFile(const TFileChooser& AChooser) override;
  void ShowError(const std::u16string& ATitle, const std::u16string& AText) override;
  std::u16string ExecutablePath() const override;
  void CentreOnScreen() override;
  void SetTaskbarProgress(const TTaskbarProgress& AProgress) override;
  bool IsForeground() const override;
  void CallForAttention() override;
  void Wake() override;
  void PaintOnly() override;
  void HoldSessionEnd(const std::optional<std::u16string>& AReason) override;
  TKeptWindow& KeptWindow() override { return *FKeptWindow; }
  // True while the window holds the end of the system's session back.
  bool SessionEndHeld() const { return FSessionEndHeld; }

 private:
  struct TChild {
    const form::TControlDesc* Entry;
    HWND Handle;
  };
  // The identifiers of the controls and of the menu's items: these plus their index in the
  // window's description.
  static constexpr int kFirstControlId = 101;
  static constexpr int kFirstMenuId = 201;

  static LRESULT CALLBACK WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam);
  // A click on a button or a menu item of that id; false for any other id.
  bool Clicked(int AId);
  void Tick(WPARAM ATimer);
  void DpiChanged(int ADpi, const RECT& ASuggested);
  void KeepSmallestSize(MINMAXINFO& ALimits) const;
  LRESULT Dispatch(UINT AMessage, WPARAM AWParam, LPARAM ALParam);
  void CreateControls();
  // Gives assistive technology the names the description has for controls.
  void NameControls();
  void ApplyResolution();
  void LayOut();
  // The icons at the window's resolution, in place of those it had.
  void ApplyIcons();
  // Gives the focus to a control of the window: the one that had it, when it can still take it.
  void RestoreFocus();
  HWND Field(TField AField) const;
  int Scale(int AValue) const;
  void PopupMenu(LPARAM APosition);
  void Close();
  void Run(TCommand ACommand);
  void DropFiles(HDROP ADrop);
  // Gives the taskbar button the progress last asked for.
  void ApplyTaskbarProgress();

  // The taskbar's interface is a COM object of the window's thread.
  TComApartment FApartment;
  std::shared_ptr<TWin32Dialogs> FDialogs;
  HWND FHandle = nullptr;
  int FDpi = 96;
  win32::TFont FFont;
  // The window's icons, made for its resolution: the title bar's and the taskbar's.
  win32::TIcon FIcon;
  win32::TIcon FSmallIcon;
  // The buttons' pictures at the window's resolution.
  std::vector<win32::TImageList> FImages;
  win32::TMenu FMenu;
  HWND FTooltips = nullptr;
  std::unique_ptr<win32::TCellTips> FCellTips;
  // The annotations of the controls' names, cleared before the controls go.
  TComPtr<IAccPropServices> FAccessibility;
  // Every control, in the description's order; those the view reaches itself by their kind.
  std::vector<TChild> FChildren;
  win32::TListView FList;
  win32::TButton FWriteTables;
  win32::TControlWindow FBusyPicture;
  win32::TStatusBar FStatusBar;
  // The controls whose state the behaviour sets, in TControl order.
  std::array<HWND, kControlCount> FControls{};
  std::unique_ptr<TWin32KeptWindow> FKeptWindow;
  std::unique_ptr<TMainCommands> FCommands;
  bool FShown = false;
  // The control that had the focus when the window was last deactivated.
  HWND FFocus = nullptr;
  bool FBusy = false;
  int FBusyFrame = 0;
  // Sent when the taskbar has made (or, after a restart of the shell, made again) its button.
  UINT FTaskbarButtonCreated = RegisterWindowMessageW(L"TaskbarButtonCreated");
  TComPtr<ITaskbarList3> FTaskbar;
  TTaskbarProgress FTaskbarProgress;
  HRESULT FTaskbarResult = S_OK;
  bool FSessionEndHeld = false;
  bool FClosing = false;
  // Last, so that it goes first: the window is destroyed before what it shows, also when the
  // construction fails midway.
  win32::TOwnWindow FWindow;
};

}  // namespace kelvane
