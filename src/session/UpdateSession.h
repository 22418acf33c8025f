#pragma once

#include <chrono>
#include <memory>
#include <vector>

#include "procedures/UpdateTask.h"
#include "session/Identification.h"
#include "session/RunTimes.h"
#include "session/UpdateOutcome.h"
#include "session/UpdateRequest.h"

namespace kelvane {

// The updates of a batch of registers at the same time, one task each, followed to their end on
// the calling thread, which plays the main thread: what kelvane-cli runs.
class TUpdateSession {
 public:
  explicit TUpdateSession(TUpdateRequest ARequest);
  // Waits for every row's worker (a destroyed task asks its run to stop at its next stop point).
  ~TUpdateSession();
  TUpdateSession(const TUpdateSession&) = delete;
  TUpdateSession& operator=(const TUpdateSession&) = delete;

  void Add(const TIdentifiedPort& APort);
  // Starts every row; the workstation is kept awake from then until every row has ended.
  void StartAll();
  // Plays the main thread for up to AFor; true once every row has ended.
  bool Wait(std::chrono::milliseconds AFor);
  // Asks every running row to stop at its next stop point.
  void StopAll();

  size_t Size() const { return FRows.size(); }
  const TIdentifiedPort& Port(size_t AIndex) const { return FRows.at(AIndex).Port; }
  const TUpdateTask& Task(size_t AIndex) const { return *FRows.at(AIndex).Task; }
  bool Ended(size_t AIndex) const;
  // True from the start until every row has ended.
  bool KeepsSystemAwake() const { return FKeepsAwake; }
  // A row's outcome, with its times; each row's, in the order the rows were added.
  TUpdateOutcome Outcome(size_t AIndex) const;
  std::vector<TUpdateOutcome> Outcomes() const;

 private:
  struct TRow {
    TIdentifiedPort Port;
    std::unique_ptr<TUpdateTask> Task;
    TRunTimes Times;
  };
  void NoteEnds();
  void KeepAwake(bool AValue);

  TUpdateRequest FRequest;
  std::vector<TRow> FRows;
  bool FKeepsAwake = false;
};

}  // namespace kelvane
