#include "session/UpdateSession.h"

#include <algorithm>

#include "platform/SystemAwake.h"
#include "tasks/MainThread.h"

namespace kelvane {

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
  FRows.push_back({APort, std::move(task), {}});
}

void TUpdateSession::StartAll() {
  KeepAwake(!FRows.empty());
  for (TRow& row : FRows) {
    row.Times.NoteStart();
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
  return FRows.at(AIndex).Times.Ended();
}

void TUpdateSession::NoteEnds() {
  for (TRow& row : FRows) {
    if (row.Task->WorkerEnded()) {
      row.Times.NoteEnd();
    }
  }
}

TUpdateOutcome TUpdateSession::Outcome(size_t AIndex) const {
  const TRow& row = FRows.at(AIndex);
  TUpdateOutcome outcome = OutcomeOf(*row.Task, row.Port.Version);
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

void TUpdateSession::KeepAwake(bool AValue) {
  if (AValue != FKeepsAwake) {
    FKeepsAwake = AValue;
    SetSystemAwakeRequired(AValue);
  }
}

}  // namespace kelvane
