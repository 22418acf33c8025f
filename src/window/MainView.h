#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "window/KeptWindow.h"

namespace kelvane {

// The controls whose state the window's behaviour sets.
enum class TControl {
  btnSearch,
  btnStart,
  btnStop,
  btnOpen,
  edtFileName,
  chkWriteTables,
  edtTablesFileName,
  btnTablesOpen
};
// btnTablesOpen is the last.
constexpr size_t kControlCount = static_cast<size_t>(TControl::btnTablesOpen) + 1;

// The two text fields.
enum class TField { edtFileName, edtTablesFileName };

// A control's name: that of its place in the window's description.
std::u16string_view ControlName(TControl AControl);

constexpr TControl FieldControl(TField AField) {
  return AField == TField::edtFileName ? TControl::edtFileName : TControl::edtTablesFileName;
}

inline std::u16string_view FieldName(TField AField) {
  return ControlName(FieldControl(AField));
}

// The list's columns.
enum class TColumn { Com = 0, Serial = 1, Percent = 2, State = 3 };

// A file-open chooser as the window keeps it from one use to the next: its name, its filters
// and the folder it shows. The dialog itself exists only while it is open.
struct TFileChooser {
  std::u16string Name;
  std::vector<std::u16string> Filters;
  std::u16string Directory;
};

// What the taskbar button shows of the updates: nothing, their progress, or their progress in the
// error colour.
enum class TTaskbarState { None, Normal, Error };

struct TTaskbarProgress {
  TTaskbarState State = TTaskbarState::None;
  // 0 to 100.
  int Percent = 0;
  friend bool operator==(const TTaskbarProgress&, const TTaskbarProgress&) = default;
};

// What the operator and the toolkit can ask of the window.
enum class TCommand {
  btnSearchClick,
  btnStartClick,
  btnStopClick,
  btnOpenClick,
  btnTablesOpenClick,
  ResetTaskPopupClick,
  StopTaskPopupClick,
  WriteCustomFirmwareClick,
  TimerTimer,
  tmrUpdateDevicesTimer
};

// The window's behaviour as a view reaches it, all on the window's thread.
class TMainCommands {
 public:
  virtual ~TMainCommands() = default;
  // A click, a menu item or a timer tick; an error it raises is shown in the error box.
  virtual void Run(TCommand ACommand) = 0;
  // The window is being shown (the first time counts) or closed.
  virtual void FormShow() = 0;
  virtual void FormClose() = 0;
  // The wake-up has arrived on the window's thread: the workers' hand-over calls run.
  virtual void HandOver() = 0;
  // The system's session is ending (a logoff, a shutdown, a restart): what the window keeps is
  // written before this returns.
  virtual void EndSession() = 0;
  // Files dropped on the window, as full paths.
  virtual void DropFiles(const std::vector<std::u16string>& AFiles) = 0;
};

// The window's controls as a toolkit shows them. The rows stand in the order the behaviour puts
// them in (a view never sorts them itself), so that a row's index names the same row, tick and
// task on both sides.
class TMainView {
 public:
  virtual ~TMainView() = default;

  virtual void SetTitle(const std::u16string& AText) = 0;
  virtual void SetEnabled(TControl AControl, bool AValue) = 0;
  virtual std::u16string FieldText(TField AField) const = 0;
  virtual void SetFieldText(TField AField, const std::u16string& AText) = 0;
  virtual bool WriteTablesChecked() const = 0;

  // A new row at AIndex (0 to RowCount), ticked or not, with its four cells.
  virtual void InsertRow(int AIndex, const std::vector<std::u16string>& ACells, bool ATicked) = 0;
  virtual void ClearRows() = 0;
  virtual void SetCell(int ARow, TColumn AColumn, const std::u16string& AText) = 0;
  virtual bool RowTicked(int ARow) const = 0;
  virtual void SetRowTicked(int ARow, bool AValue) = 0;
  // The selected row's index; nothing when no row is selected.
  virtual std::optional<int> SelectedRow() const = 0;

  virtual void SetStatusText(const std::u16string& AText) = 0;
  // The busy animation: running and shown, or still and hidden.
  virtual void SetBusy(bool AValue) = 0;
  // Starts or stops both 500 ms timers, whose ticks come back as TimerTimer and
  // tmrUpdateDevicesTimer.
  virtual void SetTimersActive(bool AValue) = 0;

  // Shows the chooser, starting in its folder when it has one; it does not demand that the named
  // file exist. The chosen path with the platform's separators, or nothing when cancelled.
  virtual std::optional<std::u16string> ChooseFile(const TFileChooser& AChooser) = 0;
  // A modal box with the error icon and a single OK button.
  virtual void ShowError(const std::u16string& ATitle, const std::u16string& AText) = 0;
  // The running program's path, for the error box's title.
  virtual std::u16string ExecutablePath() const = 0;
  // Centres the window on the work area of its monitor.
  virtual void CentreOnScreen() = 0;

  // The progress on the window's taskbar button, where the system has one.
  virtual void SetTaskbarProgress(const TTaskbarProgress& AProgress) = 0;
  // True while the window is the one the operator works in.
  virtual bool IsForeground() const = 0;
  // Calls the operator's attention to the window until it is brought forward.
  virtual void CallForAttention() = 0;

  // Called from any thread: asks the window's thread to call HandOver soon.
  virtual void Wake() = 0;
  // Lets the window repaint what changed and answer the system, running nothing else: no
  // command, timer, click or key. For the waits of a closing window.
  virtual void PaintOnly() = 0;
  // While a reason is given, the system's session does not end by a logoff, a shutdown or a
  // restart without the operator's word, and shows the reason; nothing lets it end again.
  virtual void HoldSessionEnd(const std::optional<std::u16string>& AReason) = 0;

  // The window as the window-state keeper sees it.
  virtual TKeptWindow& KeptWindow() = 0;
};

}  // namespace kelvane
