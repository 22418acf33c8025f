#include "session/UpdateSession.h"

#include <algorithm>

#include "platform/Error.h"
#include "platform/SystemAwake.h"
#include "session/RowProgress.h"
#include "tasks/MainThread.h"

namespace kelvane {

TUpdateSession::TUpdateSession(std::u16string AProgram, std::optional<TJournal> AJournal)
    : FProgram(std::move(AProgram)) {
  if (AJournal) {
    FJournal.emplace(std::move(*AJournal));
  }
}

TUpdateSession::~TUpdateSession() {
  Clear();
  KeepAwake(false);
}

size_t TUpdateSession::Add(const TIdentifiedPort& APort) {
  const size_t index = FRows.size();
  auto task = std::make_unique<TUpdateTask>();
  task->SetComNumber(APort.ComNumber);
  task->SetProtocolType(APort.ProtocolType);
  task->SetName(APort.Serial);
  // The end-of-run call runs on the main thread, once per run, before the task can be started
  // again or released: the one moment a run's end is certain.
  task->SetOnTerminate([this, index](TObject*) { RunEnded(index); });
  FRows.push_back({APort, std::move(task), {}, std::nullopt});
  return index;
}

bool TUpdateSession::Start(size_t ARow, const TUpdateRequest& ARequest) {
  TRow& row = FRows.at(ARow);
  if (row.Task->State().Started.load()) {
    return false;
  }
  // A failed run clears Started before its end-of-run call: that call, which records the run's
  // end, comes before the next start.
  TMainThread::Instance().WaitWhileDraining([&] { return row.Task->WorkerEnded(); });
  row.Times.NoteStart();
  TUpdateOutcome start;
  start.Result = TUpdateResult::Started;
  start.VersionBefore = row.Port.Version;
  row.Times.FillIn(start);
  row.Record = JournalRecordOf(row.Port.ComNumber, row.Port.Serial, row.Port.DeviceName,
                               std::move(start), ARequest.FileName, FProgram);
  Journal(*row.Record);
  KeepAwake(true);
  try {
    StartUpdate(*row.Task, ARequest);
  } catch (...) {
    // No worker: no end-of-run call will come, so the run's end is recorded here.
    row.Times.NoteEnd();
    TJournalRecord end = *row.Record;
    row.Record.reset();
    end.Outcome.Result = TUpdateResult::Failed;
    end.Outcome.ErrorText = CurrentExceptionMessage();
    row.Times.FillIn(end.Outcome);
    Journal(end);
    KeepAwake(AnyRunning());
    throw;
  }
  return true;
}

void TUpdateSession::StartAll(const TUpdateRequest& ARequest) {
  for (size_t i = 0; i < FRows.size(); ++i) {
    Start(i, ARequest);
  }
}

void TUpdateSession::Stop(size_t ARow) {
  if (Running(ARow)) {
    FRows.at(ARow).Task->Stop();
  }
}

void TUpdateSession::StopAll() {
  for (size_t i = 0; i < FRows.size(); ++i) {
    Stop(i);
  }
}

void TUpdateSession::Clear() {
  // Every task hears the stop at once, so that the waits overlap; a task is released only once
  // its end-of-run call, which records its end, has run.
  for (const TRow& row : FRows) {
    row.Task->Stop();
  }
  TMainThread::Instance().WaitWhileDraining([this] { return WorkersEnded(); });
  FRows.clear();
}

bool TUpdateSession::Wait(std::chrono::milliseconds AFor) {
  return TMainThread::Instance().WaitWhileDraining([this] { return WorkersEnded(); }, AFor);
}

bool TUpdateSession::WorkersEnded() const {
  return std::all_of(FRows.begin(), FRows.end(),
                     [](const TRow& ARow) { return ARow.Task->WorkerEnded(); });
}

bool TUpdateSession::Running(size_t ARow) const {
  return FRows.at(ARow).Task->State().Started.load();
}

bool TUpdateSession::AnyRunning() const {
  return std::any_of(FRows.begin(), FRows.end(),
                     [](const TRow& ARow) { return ARow.Task->State().Started.load(); });
}

std::vector<double> TUpdateSession::RunningPercents() const {
  std::vector<double> percents;
  for (const TRow& row : FRows) {
    const TTaskState& state = row.Task->State();
    if (state.Started.load()) {
      percents.push_back(PercentOf(state.Step.load(), state.StepCount.load()));
    }
  }
  return percents;
}

bool TUpdateSession::Ended(size_t ARow) const {
  return FRows.at(ARow).Times.Ended();
}

TUpdateOutcome TUpdateSession::Outcome(size_t ARow) const {
  const TRow& row = FRows.at(ARow);
  TUpdateOutcome outcome = OutcomeOf(*row.Task, row.Port.Version);
  if (row.Times.Started() && !row.Task->State().Finished.load(std::memory_order_acquire)) {
    // Asked for before the run has ended: as the journal would give it if the program ended now.
    outcome = {};
    outcome.Result = TUpdateResult::Interrupted;
    outcome.LastStep = row.Task->Record().LastStep;
    outcome.VersionBefore = row.Port.Version;
  }
  row.Times.FillIn(outcome);
  return outcome;
}

std::vector<TUpdateOutcome> TUpdateSession::Outcomes() const {
  std::vector<TUpdateOutcome> outcomes;
  for (size_t i = 0; i < FRows.size(); ++i) {
    outcomes.push_back(Outcome(i));
  }
  return outcomes;
}

void TUpdateSession::RunEnded(size_t ARow) {
  TRow& row = FRows.at(ARow);
  row.Times.NoteEnd();
  const TUpdateOutcome outcome = Outcome(ARow);
  if (row.Record) {
    TJournalRecord end = std::move(*row.Record);
    row.Record.reset();
    end.Outcome = outcome;
    Journal(end);
  }
  if (!AnyRunning()) {
    KeepAwake(false);
  }
  if (FOnRunEnded) {
    FOnRunEnded(ARow, outcome);
  }
}

void TUpdateSession::Journal(const TJournalRecord& ARecord) {
  if (!FJournal) {
    return;
  }
  if (std::optional<std::u16string> problem = FJournal->Add(ARecord)) {
    FJournalProblem = std::move(problem);
  }
}

std::optional<std::u16string> TUpdateSession::TakeJournalProblem() {
  std::optional<std::u16string> problem = std::move(FJournalProblem);
  FJournalProblem.reset();
  return problem;
}

std::optional<std::u16string> TUpdateSession::FlushJournal() {
  return FJournal ? FJournal->Flush() : std::nullopt;
}

void TUpdateSession::KeepAwake(bool AValue) {
  if (AValue != FKeepsAwake) {
    FKeepsAwake = AValue;
    SetSystemAwakeRequired(AValue);
  }
}

}  // namespace kelvane
