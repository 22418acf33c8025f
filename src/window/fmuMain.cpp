#include "window/fmuMain.h"

#include <algorithm>
#include <array>
#include <utility>

#include "discovery/USBUtils.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "platform/VersionInfo.h"
#include "session/DriverCheck.h"
#include "session/RowProgress.h"
#include "session/UpdateRequest.h"
#include "tasks/MainThread.h"
#include "window/MainForm.h"

namespace kelvane {

TfmMain::TfmMain(TMainView& AView, std::u16string ASettingsFile)
    : FView(AView),
      xmlStorage(ASettingsFile.empty() ? std::make_unique<TXmlStorage>()
                                       : std::make_unique<TXmlStorage>(std::move(ASettingsFile))),
      FSession(std::make_unique<TUpdateSession>(
          u"Kelvane", TJournal(JournalFolderOf(xmlStorage->FullFileName())))) {
  FSession->SetOnRunEnded(
      [this](size_t, const TUpdateOutcome& AOutcome) { RunEnded(AOutcome); });
  // The settings are read once the controls exist and before the creation handler runs.
  xmlStorage->Reload();
  std::vector<std::u16string> kept;
  for (const form::TKeptPropertyDesc& property : form::KeptProperties()) {
    kept.push_back(std::u16string(property.Control) + u"." + std::u16string(property.Name));
  }
  formStorage = std::make_unique<TFormStorage>(*xmlStorage, FView.KeptWindow(), std::move(kept));
  FormCreate();
}

TfmMain::~TfmMain() {
  FormDestroy();
}

void TfmMain::FormCreate() {
  FView.SetTitle(u"Kelvane v." + GetFileVersionText());
  FDeviceList = std::make_unique<TDeviceList>();
  FDeviceDiscover = std::make_unique<TDeviceDiscover>();
  FView.ClearRows();
  // Workers hand their end-of-run calls over to this thread through the view's wake-up.
  TMainThread::Instance().SetWakeup([this] { FView.Wake(); });
  FView.SetTimersActive(true);
  UpdatePage();
}

void TfmMain::FormDestroy() {
  if (FDestroyed) {
    return;
  }
  FDestroyed = true;
  // Neither timer may act on a task released below.
  FView.SetTimersActive(false);
  StopAll();
  // What the operator keeps is on the disk before any wait: ending the program while a driver
  // call hangs then costs only that call's run.
  const std::optional<std::u16string> settingsProblem = SaveKept();
  WaitInTheOpen();
  ClearDevices();
  FDeviceDiscover.reset();
  FDeviceList.reset();
  TMainThread::Instance().SetWakeup({});
  // The last try for the records the journal could not take: what fails now is lost.
  if (const std::optional<std::u16string> problem = FSession->FlushJournal()) {
    ShowErrorBox(u"Записи журнала обновлений не сохранены (" +
                 IntToStr(static_cast<std::int64_t>(FSession->JournalKept())) + u"): " + *problem);
  }
  FSession.reset();
  FollowRunningRows();
  if (settingsProblem) {
    ShowErrorBox(*settingsProblem);
  }
}

std::optional<std::u16string> TfmMain::SaveKept() {
  if (!formStorage->Saved()) {
    formStorage->SaveFormPlacement();
  }
  FSession->FlushJournal();
  std::optional<std::u16string> problem = xmlStorage->Flush();
  // A file that could not be read was not written over: that is said once, at the close.
  if (const std::optional<std::u16string> unread = xmlStorage->ReadProblem()) {
    problem = u"Настройки не прочитаны и не сохранены: " + *unread;
  }
  return problem;
}

void TfmMain::WaitInTheOpen() {
  const auto ended = [this] {
    return FSession->WorkersEnded() && FDeviceDiscover->WorkerEnded();
  };
  if (ended()) {
    return;
  }
  for (size_t i = 0; i < kControlCount; ++i) {
    FView.SetEnabled(static_cast<TControl>(i), false);
  }
  std::u16string shown;
  do {
    const std::u16string waiting = u"Ожидание завершения: " + WaitingFor();
    if (waiting != shown) {
      shown = waiting;
      SetStatusText(waiting);
    }
    FView.PaintOnly();
  } while (!TMainThread::Instance().WaitWhileDraining(ended, std::chrono::milliseconds(100)));
}

std::u16string TfmMain::WaitingFor() const {
  std::u16string waiting;
  const auto add = [&](const std::u16string& AWhat) {
    waiting += (waiting.empty() ? u"" : u", ") + AWhat;
  };
  if (FDeviceDiscover && !FDeviceDiscover->WorkerEnded()) {
    add(u"поиск устройств");
  }
  for (const TRow& row : FRows) {
    const TUpdateTask& task = FSession->Task(row.Row);
    if (!task.WorkerEnded()) {
      add(row.Caption + u" (" + task.State().Text.Get() + u")");
    }
  }
  return waiting;
}

void TfmMain::EndSession() {
  if (FDestroyed) {
    return;
  }
  StopAll();
  SaveKept();
  // Rows between two blocks stop at once: their ends are recorded too, while the system waits.
  TMainThread::Instance().WaitWhileDraining([this] { return FSession->WorkersEnded(); },
                                            std::chrono::seconds(3));
  FSession->FlushJournal();
}

void TfmMain::FormShow() {
  if (FShown || FDestroyed) {
    return;
  }
  FShown = true;
  if (!formStorage->Restored()) {
    formStorage->RestoreFormPlacement();
  }
  // A window without a kept place of its own opens in the middle of its monitor.
  if (!formStorage->PlacementApplied()) {
    FView.CentreOnScreen();
  }
}

void TfmMain::FormClose() {
  // Closing is never refused, also while a search or an update runs.
  formStorage->SaveFormPlacement();
}

void TfmMain::HandOver() {
  TMainThread::Instance().Drain();
}

void TfmMain::DropFiles(const std::vector<std::u16string>& AFiles) {
  if (FDestroyed) {
    return;
  }
  const bool busy = FDeviceDiscover->State().Started.load() || IsUpdating();
  if (busy || AFiles.size() != 1 || !FileExists(AFiles.front())) {
    return;
  }
  const std::u16string& file = AFiles.front();
  if (HasExtension(file, u".bin")) {
    TakeFile(dlgOpen, TField::edtFileName, file);
  } else if (HasExtension(file, u".csv")) {
    TakeFile(dlgOpenTables, TField::edtTablesFileName, file);
  }
}

void TfmMain::Run(TCommand ACommand) {
  // A closing window runs nothing while it waits for its workers.
  if (FDestroyed) {
    return;
  }
  RunCommand([this, ACommand] {
    switch (ACommand) {
      case TCommand::btnSearchClick:
        return btnSearchClick();
      case TCommand::btnStartClick:
        return btnStartClick();
      case TCommand::btnStopClick:
        return btnStopClick();
      case TCommand::btnOpenClick:
        return btnOpenClick();
      case TCommand::btnTablesOpenClick:
        return btnTablesOpenClick();
      case TCommand::ResetTaskPopupClick:
        return ResetTaskPopupClick();
      case TCommand::StopTaskPopupClick:
        return StopTaskPopupClick();
      case TCommand::WriteCustomFirmwareClick:
        return WriteCustomFirmwareClick();
      case TCommand::TimerTimer:
        return TimerTimer();
      case TCommand::tmrUpdateDevicesTimer:
        return tmrUpdateDevicesTimer();
    }
  });
  // A command may have started rows: the session's end is held back from that moment.
  FollowRunningRows();
}

void TfmMain::FollowRunningRows() {
  std::optional<std::u16string> reason;
  for (const TRow& row : FRows) {
    if (FSession && FSession->Running(row.Row)) {
      reason = (reason ? *reason + u", " : u"Идёт обновление прошивки ККТ: ") + row.Caption;
    }
  }
  if (reason != FSessionEndHeld) {
    FSessionEndHeld = reason;
    FView.HoldSessionEnd(reason);
  }
}

TUpdateTask& TfmMain::Task(int ARow) const {
  return FSession->Task(FRows.at(static_cast<size_t>(ARow)).Row);
}

void TfmMain::RunCommand(const std::function<void()>& ACommand) {
  try {
    ACommand();
  } catch (...) {
    ShowErrorBox(CurrentExceptionMessage());
  }
}

void TfmMain::ShowErrorBox(std::u16string AText) {
  FView.ShowError(ApplicationTitle(FView.ExecutablePath()), ErrorBoxText(std::move(AText)));
}

std::u16string TfmMain::ErrorBoxText(std::u16string AText) {
  if (!AText.empty() && AText.back() > u'.') {
    AText += u'.';
  }
  return AText;
}

std::u16string TfmMain::ApplicationTitle(std::u16string_view AExecutablePath) {
  const std::u16string name = ExtractFileName(AExecutablePath);
  const std::u16string title = name.substr(0, name.find(u'.'));
  return title.empty() ? title : title.substr(0, 1) + LowerCase(title.substr(1));
}

std::u16string TfmMain::GetFileVersionText() const {
  return FileVersionText();
}

void TfmMain::btnSearchClick() {
  ClearDevices();
  FRowFailed = false;
  SetStatusText(u"Найдено устройств: 0");
  FDeviceFoundCount = 0;
  if (!FDeviceDiscover->State().Started.load()) {
    FDeviceDiscover->SetOnFound([this](std::int32_t AComNumber, const std::u16string& ASerial,
                                       const std::u16string& AVersion, std::int32_t AProtocolType,
                                       const std::u16string& ADeviceName) {
      OnFound(AComNumber, ASerial, AVersion, AProtocolType, ADeviceName);
    });
  }
  FDeviceDiscover->Start();
  FPassToSay = true;
}

void TfmMain::OnFound(std::int32_t AComNumber, const std::u16string& ASerial,
                      const std::u16string& AVersion, std::int32_t AProtocolType,
                      const std::u16string& ADeviceName) {
  FDeviceList->Add({AComNumber, ASerial, AVersion, AProtocolType, ADeviceName});
}

void TfmMain::tmrUpdateDevicesTimer() {
  FDeviceList->HandOver([this](const TDevice& ADevice) {
    AddDevice(ADevice.ComNumber, ADevice.Serial, ADevice.Version, ADevice.ProtocolType,
              ADevice.Name);
    ++FDeviceFoundCount;
    SetStatusText(u"Найдено устройств: " + IntToStr(FDeviceFoundCount));
  });
}

void TfmMain::AddDevice(std::int32_t ComNumber, const std::u16string& Serial,
                        const std::u16string& Version, std::int32_t ProtocolType,
                        const std::u16string& Name) {
  const size_t row =
      FSession->Add({ComNumber, true, Serial, Version, ProtocolType, Name, {}, {}});
  std::u16string caption = ComPortName(ComNumber);
  // The list keeps its rows in caption order, code unit by code unit: COM10 before COM2.
  const auto at = std::upper_bound(
      FRows.begin(), FRows.end(), caption,
      [](const std::u16string& ACaption, const TRow& ARow) { return ACaption < ARow.Caption; });
  const int index = static_cast<int>(at - FRows.begin());
  std::array<std::u16string, 4> cells = {caption, Serial, u"", Version + u" [" + Name + u"]"};
  FView.InsertRow(index, {cells.begin(), cells.end()}, true);
  FRows.insert(at, TRow{std::move(caption), row, std::move(cells)});
}

void TfmMain::ClearDevices() {
  // Every run that was started is recorded, also one the list loses now.
  FSession->Clear();
  FView.ClearRows();
  FRows.clear();
}

void TfmMain::StopAll() {
  if (FDeviceDiscover->State().Started.load()) {
    FDeviceDiscover->Stop();
  }
  FSession->StopAll();
}

bool TfmMain::IsUpdating() const {
  return !FDeviceDiscover->State().Started.load() && FSession->AnyRunning();
}

void TfmMain::UpdatePage() {
  FollowRunningRows();
  SayJournalProblem();
  SayDriverProblem();
  ShowTaskbarProgress(std::exchange(FRunsEnded, false));
  const bool busy = FDeviceDiscover->State().Started.load() || IsUpdating();
  FView.SetEnabled(TControl::btnSearch, !busy);
  FView.SetEnabled(TControl::btnStop, busy);
  FView.SetEnabled(TControl::btnStart, !busy && RowCount() > 0);
  FView.SetBusy(busy);
  for (const TControl control : {TControl::btnOpen, TControl::edtFileName, TControl::chkWriteTables,
                                 TControl::edtTablesFileName, TControl::btnTablesOpen}) {
    FView.SetEnabled(control, !busy);
  }
  for (int i = 0; i < RowCount(); ++i) {
    if (const std::optional<TRowCells> cells = RowCells(Task(i).State())) {
      ShowCell(i, TColumn::Percent, cells->Percent);
      ShowCell(i, TColumn::State, cells->State);
    }
  }
}

void TfmMain::ShowCell(int ARow, TColumn AColumn, const std::u16string& AText) {
  // Unchanged cells are not written again, so that a refresh does not flicker.
  std::u16string& shown =
      FRows.at(static_cast<size_t>(ARow)).Shown.at(static_cast<size_t>(AColumn));
  if (shown != AText) {
    shown = AText;
    FView.SetCell(ARow, AColumn, AText);
  }
}

void TfmMain::TimerTimer() {
  UpdatePage();
}

void TfmMain::StartRow(int ARow, const TUpdateRequest& ARequest) {
  FSession->Start(FRows.at(static_cast<size_t>(ARow)).Row, ARequest);
}

void TfmMain::StartOrStop(int ARow, const TUpdateRequest& ARequest) {
  // A running task only hears the stop: its start would do nothing, and it reads its
  // properties while it runs. The choice is made again once the row shows the end of the run.
  if (Task(ARow).State().Started.load()) {
    Task(ARow).Stop();
    return;
  }
  StartRow(ARow, ARequest);
}

void TfmMain::RunEnded(const TUpdateOutcome& AOutcome) {
  FRowFailed |= AOutcome.Result == TUpdateResult::Failed;
  FRunsEnded = true;
  // The session's end is held no longer than the last run.
  FollowRunningRows();
}

void TfmMain::SayJournalProblem() {
  // No update waits for, or fails by, its journal: a record that cannot be written is kept for
  // the next try, and said once the rows have ended. The latest reason is the one that holds.
  if (std::optional<std::u16string> problem = FSession->TakeJournalProblem()) {
    FJournalProblem = u"Не удалось записать журнал обновлений: " + *problem;
  }
  // On closing, the last try says it instead.
  if (FJournalProblem && !FSession->AnyRunning() && !FDestroyed) {
    const std::u16string problem = std::move(*FJournalProblem);
    FJournalProblem.reset();
    ShowErrorBox(problem);
  }
}

void TfmMain::SayDriverProblem() {
  // Once a pass has ended: a list left empty because no register could be asked says why, in
  // kelvane-cli's words. The pass, its rows and its status text are as any pass leaves them.
  if (!FPassToSay || FDeviceDiscover->State().Started.load() || FDestroyed) {
    return;
  }
  FPassToSay = false;
  const std::u16string failure = FDeviceDiscover->CreationFailure();
  if (!failure.empty()) {
    ShowErrorBox(DriverProblemText(failure));
  }
}

TTaskbarProgress TfmMain::TaskbarProgressOf(const std::vector<double>& ARunningPercents,
                                            bool ARowFailed) {
  const TTaskbarState state = ARowFailed ? TTaskbarState::Error : TTaskbarState::Normal;
  if (ARunningPercents.empty()) {
    return ARowFailed ? TTaskbarProgress{state, 100} : TTaskbarProgress{};
  }
  double sum = 0;
  for (const double percent : ARunningPercents) {
    sum += percent;
  }
  const double mean = sum / static_cast<double>(ARunningPercents.size());
  return {state, std::clamp(static_cast<int>(mean), 0, 100)};
}

void TfmMain::ShowTaskbarProgress(bool ARunsEnded) {
  const std::vector<double> running = FSession->RunningPercents();
  const TTaskbarProgress progress = TaskbarProgressOf(running, FRowFailed);
  if (!(progress == FTaskbarShown)) {
    FTaskbarShown = progress;
    FView.SetTaskbarProgress(progress);
  }
  // The operator may be in another window while a long update ends.
  if (ARunsEnded && running.empty() && !FView.IsForeground()) {
    FView.CallForAttention();
  }
}

void TfmMain::btnStartClick() {
  const std::u16string fileName = FView.FieldText(TField::edtFileName);
  if (!FileExists(fileName)) {
    throw EError(u"Файл прошивки не найден!");
  }
  for (int i = 0; i < RowCount(); ++i) {
    if (FView.RowTicked(i)) {
      StartRow(i, {fileName, false, FView.WriteTablesChecked(),
                   FView.FieldText(TField::edtTablesFileName)});
    }
  }
}

void TfmMain::btnStopClick() {
  StopAll();
}

void TfmMain::ResetTaskPopupClick() {
  const std::optional<int> row = FView.SelectedRow();
  if (!row) {
    return;
  }
  FView.SetRowTicked(*row, true);
  StartOrStop(*row, {FView.FieldText(TField::edtFileName), std::nullopt,
                     FView.WriteTablesChecked(), FView.FieldText(TField::edtTablesFileName)});
}

void TfmMain::StopTaskPopupClick() {
  TUpdateTask* task = SelectedTask();
  if (task != nullptr && task->State().Started.load()) {
    task->Stop();
  }
}

void TfmMain::WriteCustomFirmwareClick() {
  const std::optional<int> row = FView.SelectedRow();
  if (!row) {
    return;
  }
  const std::optional<std::u16string> chosen = ChooseFile(dlgOpen);
  if (!chosen) {
    return;
  }
  StartOrStop(*row, {*chosen, true, FView.WriteTablesChecked(),
                     FView.FieldText(TField::edtTablesFileName)});
}

void TfmMain::btnOpenClick() {
  OpenInto(dlgOpen, TField::edtFileName);
}

void TfmMain::btnTablesOpenClick() {
  OpenInto(dlgOpenTables, TField::edtTablesFileName);
}

void TfmMain::OpenInto(TFileChooser& AChooser, TField AField) {
  const std::u16string folder = ExtractFileDir(FView.FieldText(AField));
  if (DirectoryExists(folder)) {
    AChooser.Directory = folder;
  }
  if (const std::optional<std::u16string> chosen = ChooseFile(AChooser)) {
    FView.SetFieldText(AField, *chosen);
  }
}

void TfmMain::TakeFile(TFileChooser& AChooser, TField AField, const std::u16string& AFile) {
  FView.SetFieldText(AField, AFile);
  KeepFolderOf(AChooser, AFile);
}

std::optional<std::u16string> TfmMain::ChooseFile(TFileChooser& AChooser) {
  std::optional<std::u16string> chosen = FView.ChooseFile(AChooser);
  if (chosen) {
    KeepFolderOf(AChooser, *chosen);
  }
  return chosen;
}

void TfmMain::KeepFolderOf(TFileChooser& AChooser, const std::u16string& AFile) {
  // The chooser opens next time in the folder of the file taken last, as the platform's does.
  AChooser.Directory = ExtractFileDir(AFile);
}

TUpdateTask* TfmMain::SelectedTask() const {
  const std::optional<int> row = FView.SelectedRow();
  return row ? &Task(*row) : nullptr;
}

void TfmMain::SetStatusText(const std::u16string& AText) {
  FView.SetStatusText(AText);
}

}  // namespace kelvane
