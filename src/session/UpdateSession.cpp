#include "session/UpdateSession.h"

#include <algorithm>

#include "platform/Clock.h"
#include "platform/SystemAwake.h"
#include "tasks/MainThread.h"

namespace kelvane {

namespace {

std::u16string Now() {
  return IsoDateTime(Clock()->LocalNow(), LocalUtcOffsetMinutes());
}

}  // namespace

TUpdateSession::TUpdateSession(TUpdateRequest ARequest) : FRequest(std::move(ARequest)) {
}

TUpdateSession::~TUpdateSession() {
  FRows.clear();
  KeepAwake(false);
}

void TUpdateSession::Add(const TIdentifiedPort& APort) {
  auto task = std::make_unique<TUpdateTask>();
  task->SetComNumber(APort.ComNumber);
  task->SetProtocolType(APort.ProtocolType);
  task->SetName(APort.Serial);
  FRows.push_back({APort, std::move(task), {}, {}, {}, 0});
}

void TUpdateSession::StartAll() {
  KeepAwake(!FRows.empty());
  for (TRow& row : FRows) {
    row.Started = Now();
    row.StartedSteady = Clock()->SteadyNow();
    StartUpdate(*row.Task, FRequest);
  }
}

bool TUpdateSession::Wait(std::chrono::milliseconds AFor) {
  const bool ended = TMainThread::Instance().WaitWhileDraining(
      [&] {
        return std::all_of(FRows.begin(), FRows.end(),
                           [](const TRow& ARow) { return ARow.Task->WorkerEnded(); });
      },
      AFor);
  NoteEnds();
  if (ended) {
    KeepAwake(false);
  }
  return ended;
}

void TUpdateSession::StopAll() {
  for (const TRow& row : FRows) {
    if (row.Task->State().Started.load()) {
      row.Task->Stop();
    }
  }
}

bool TUpdateSession::Ended(size_t AIndex) const {
  return !FRows.at(AIndex).Ended.empty();
}

void TUpdateSession::NoteEnds() {
  for (TRow& row : FRows) {
    if (row.Ended.empty() && !row.Started.empty() && row.Task->WorkerEnded()) {
      row.Ended = Now();
      row.Seconds = static_cast<double>((Clock()->SteadyNow() - row.StartedSteady).count()) / 1000;
    }
  }
}

std::vector<TUpdateOutcome> TUpdateSession::Outcomes() const {
  std::vector<TUpdateOutcome> outcomes;
  for (const TRow& row : FRows) {
    TUpdateOutcome outcome = OutcomeOf(*row.Task, row.Port.Version);
    outcome.Started = row.Started;
    outcome.Ended = row.Ended;
    outcome.Seconds = row.Seconds;
    outcomes.push_back(std::move(outcome));
  }
  return outcomes;
}

void TUpdateSession::KeepAwake(bool AValue) {
  if (AValue != FKeepsAwake) {
    FKeepsAwake = AValue;
    SetSystemAwakeRequired(AValue);
  }
}

}  // namespace kelvane
