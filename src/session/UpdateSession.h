#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "procedures/UpdateTask.h"
#include "session/Identification.h"
#include "session/Journal.h"
#include "session/RunTimes.h"
#include "session/UpdateOutcome.h"
#include "session/UpdateRequest.h"

namespace kelvane {

// The rows updating at once, under every front end: the one place that creates an update task.
// It starts and stops rows, notes when each run starts and ends, keeps the workstation awake
// while any row runs, and writes the journal ahead: a row's start is recorded before its first
// driver call, and its end at the run's end-of-run call, so that a process that dies mid-run
// leaves the start on record. All on the main thread; a wait plays the main thread.
class TUpdateSession {
 public:
  // AProgram names the program in the journal's records; without a journal nothing is recorded.
  explicit TUpdateSession(std::u16string AProgram, std::optional<TJournal> AJournal = std::nullopt);
  // Asks every row to stop and waits for each, recording the runs' ends.
  ~TUpdateSession();
  TUpdateSession(const TUpdateSession&) = delete;
  TUpdateSession& operator=(const TUpdateSession&) = delete;

  // A new row for the register, not started; its index, which it keeps until Clear.
  size_t Add(const TIdentifiedPort& APort);
  // Records the start in the journal, then configures the row's task and starts it; false, and
  // nothing done, for a row whose run is started. A running task's properties are never changed.
  bool Start(size_t ARow, const TUpdateRequest& ARequest);
  void StartAll(const TUpdateRequest& ARequest);
  // Asks the row's run to stop at its next stop point, when it runs.
  void Stop(size_t ARow);
  void StopAll();
  // Asks every row to stop, waits for each (their ends recorded), and removes them all.
  void Clear();
  // Plays the main thread for up to AFor; true once no row's worker is alive.
  bool Wait(std::chrono::milliseconds AFor);
  // True once no row's worker is alive.
  bool WorkersEnded() const;

  size_t Size() const { return FRows.size(); }
  const TIdentifiedPort& Port(size_t ARow) const { return FRows.at(ARow).Port; }
  TUpdateTask& Task(size_t ARow) const { return *FRows.at(ARow).Task; }
  bool Running(size_t ARow) const;
  bool AnyRunning() const;
  // The progress of each running row, in percent, in the order the rows were added.
  std::vector<double> RunningPercents() const;
  // The run started last has ended and its end is noted.
  bool Ended(size_t ARow) const;
  // A row's outcome, with its times; each row's, in the order the rows were added.
  TUpdateOutcome Outcome(size_t ARow) const;
  std::vector<TUpdateOutcome> Outcomes() const;
  // True while any row runs.
  bool KeepsSystemAwake() const { return FKeepsAwake; }
  // Called on the main thread after a row's run has ended and its end is recorded.
  void SetOnRunEnded(std::function<void(size_t ARow, const TUpdateOutcome& AOutcome)> AValue) {
    FOnRunEnded = std::move(AValue);
  }

  // The journal. A record that cannot be written stops and fails no update: it is kept and tried
  // again with the next one.
  const std::optional<TJournalQueue>& JournalQueue() const { return FJournal; }
  // The last reason a record could not be written since the last call; nothing when none.
  std::optional<std::u16string> TakeJournalProblem();
  // Tries the kept records again; the reason one was not written, if one was not.
  std::optional<std::u16string> FlushJournal();
  size_t JournalKept() const { return FJournal ? FJournal->Kept() : 0; }

 private:
  struct TRow {
    TIdentifiedPort Port;
    std::unique_ptr<TUpdateTask> Task;
    TRunTimes Times;
    // The journal's record of the run started last, for its end.
    std::optional<TJournalRecord> Record;
  };
  void RunEnded(size_t ARow);
  void Journal(const TJournalRecord& ARecord);
  void KeepAwake(bool AValue);

  std::u16string FProgram;
  std::optional<TJournalQueue> FJournal;
  std::optional<std::u16string> FJournalProblem;
  std::vector<TRow> FRows;
  bool FKeepsAwake = false;
  std::function<void(size_t, const TUpdateOutcome&)> FOnRunEnded;
};

}  // namespace kelvane
