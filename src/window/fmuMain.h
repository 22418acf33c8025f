#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "discovery/DeviceDiscover.h"
#include "procedures/UpdateTask.h"
#include "session/Journal.h"
#include "session/UpdateRequest.h"
#include "session/UpdateSession.h"
#include "window/DeviceList.h"
#include "window/FormStorage.h"
#include "window/MainView.h"
#include "window/XmlStorage.h"

namespace kelvane {

// The tool's only window, without its toolkit: the discovery, the list of found registers
// with one update task per row, the update commands and the periodic refresh of buttons and row
// cells. It reaches its controls through the view, which must outlive it.
class TfmMain final : public TMainCommands {
 public:
  // ASettingsFile: the settings file to use instead of the one in the application-data folder.
  explicit TfmMain(TMainView& AView, std::u16string ASettingsFile = {});
  ~TfmMain() override;
  TfmMain(const TfmMain&) = delete;
  TfmMain& operator=(const TfmMain&) = delete;

  void Run(TCommand ACommand) override;
  void FormShow() override;
  void FormClose() override;
  void HandOver() override;
  // The system's session ends now: every row is asked to stop, and the settings and the journal
  // are written before this returns (after a short wait for the rows that stop at once).
  void EndSession() override;
  // One firmware file (.bin) fills the firmware field, one tables file (.csv) the tables field,
  // as their choosers would; anything else, several files, or a drop while the window is busy is
  // passed over. Nothing starts by a drop.
  void DropFiles(const std::vector<std::u16string>& AFiles) override;

  // The commands, each on the window's thread; Run shows what they raise.
  void btnSearchClick();
  void btnStartClick();
  void btnStopClick();
  void btnOpenClick();
  void btnTablesOpenClick();
  void ResetTaskPopupClick();
  void StopTaskPopupClick();
  void WriteCustomFirmwareClick();
  void TimerTimer();
  void tmrUpdateDevicesTimer();

  // Enables the controls by the busy state and shows every row's progress and state.
  void UpdatePage();
  // The discovery coordinator's report; runs on the coordinator's worker thread.
  void OnFound(std::int32_t AComNumber, const std::u16string& ASerial,
               const std::u16string& AVersion, std::int32_t AProtocolType,
               const std::u16string& ADeviceName);
  void AddDevice(std::int32_t ComNumber, const std::u16string& Serial,
                 const std::u16string& Version, std::int32_t ProtocolType,
                 const std::u16string& Name);
  void ClearDevices();
  void StopAll();
  bool IsUpdating() const;
  std::u16string GetFileVersionText() const;

  const TDeviceDiscover& DeviceDiscover() const { return *FDeviceDiscover; }
  int RowCount() const { return static_cast<int>(FRows.size()); }
  TUpdateTask& Task(int ARow) const;
  // True while the window asks the workstation to stay awake: while any row's update runs.
  bool KeepsSystemAwake() const { return FSession->KeepsSystemAwake(); }
  // Where every run of a row is recorded when it starts and when it ends.
  const TJournal& Journal() const { return FSession->JournalQueue()->Journal(); }
  // What the window waits for while it closes: "COM3 (Установка прошивки)" for each row that
  // still runs, the search too; nothing once no worker is alive.
  std::u16string WaitingFor() const;

  // The application title of message boxes: the executable's name up to its first point, every
  // character after the first in lower case.
  static std::u16string ApplicationTitle(std::u16string_view AExecutablePath);
  // What the taskbar button shows: the running rows' mean percentage, truncated; after a failed
  // run since the last search, in the error colour, and full once no row runs; else nothing.
  static TTaskbarProgress TaskbarProgressOf(const std::vector<double>& ARunningPercents,
                                            bool ARowFailed);
  // An error's text as the error box shows it: with a full stop after a last character above
  // ".". For the views' own last-resort boxes too.
  static std::u16string ErrorBoxText(std::u16string AText);

 private:
  struct TRow {
    std::u16string Caption;
    // The row in the session, which holds its task.
    size_t Row = 0;
    // The cells as the view shows them, in TColumn order.
    std::array<std::u16string, 4> Shown;
  };

  void FormCreate();
  void FormDestroy();
  void RunCommand(const std::function<void()>& ACommand);
  // The modal box of an error, titled with the program's name.
  void ShowErrorBox(std::u16string AText);
  // The view's chooser, which then keeps the folder of the file picked.
  std::optional<std::u16string> ChooseFile(TFileChooser& AChooser);
  void ShowCell(int ARow, TColumn AColumn, const std::u16string& AText);
  TUpdateTask* SelectedTask() const;
  void SetStatusText(const std::u16string& AText);
  void OpenInto(TFileChooser& AChooser, TField AField);
  // Holds the end of the system's session back exactly while any row's update runs.
  void FollowRunningRows();
  void StartRow(int ARow, const TUpdateRequest& ARequest);
  // Starts the row, or only asks it to stop while it runs.
  void StartOrStop(int ARow, const TUpdateRequest& ARequest);
  // A row's run has ended and is recorded.
  void RunEnded(const TUpdateOutcome& AOutcome);
  // Once no row runs, the error box says if a journal record could not be written.
  void SayJournalProblem();
  // Once a pass has ended, the error box says why no search could create the driver's control.
  void SayDriverProblem();
  // The settings, the window's place among them, and the journal's kept records, written now.
  // What went wrong with the settings, when anything did.
  std::optional<std::u16string> SaveKept();
  // Waits for every worker with the window on the screen: it only paints, its controls disabled,
  // and its status bar says what it waits for.
  void WaitInTheOpen();
  // The taskbar button by the running rows, and the call for attention when runs have ended and
  // none runs any more.
  void ShowTaskbarProgress(bool ARunsEnded);
  // The field gets a file the operator dropped, and the chooser its folder, as a pick would.
  void TakeFile(TFileChooser& AChooser, TField AField, const std::u16string& AFile);
  static void KeepFolderOf(TFileChooser& AChooser, const std::u16string& AFile);

  TMainView& FView;
  std::unique_ptr<TXmlStorage> xmlStorage;
  std::unique_ptr<TFormStorage> formStorage;
  std::unique_ptr<TDeviceList> FDeviceList;
  std::unique_ptr<TDeviceDiscover> FDeviceDiscover;
  // In the view's order: caption order, code unit by code unit (COM10 before COM2).
  std::vector<TRow> FRows;
  std::int32_t FDeviceFoundCount = 0;
  bool FShown = false;
  bool FDestroyed = false;
  std::unique_ptr<TUpdateSession> FSession;
  std::optional<std::u16string> FJournalProblem;
  // A pass was started whose end has not been looked at yet.
  bool FPassToSay = false;
  // A row's run failed since the list was last searched: the taskbar shows the error colour.
  bool FRowFailed = false;
  // A run ended since the last refresh.
  bool FRunsEnded = false;
  // What the end of the system's session is held back by, as last given to the view.
  std::optional<std::u16string> FSessionEndHeld;
  TTaskbarProgress FTaskbarShown;
  TFileChooser dlgOpen{u"dlgOpen", {u"*.bin", u"*.*"}, {}};
  TFileChooser dlgOpenTables{u"dlgOpenTables", {u"*.csv", u"*.*"}, {}};
};

}  // namespace kelvane
