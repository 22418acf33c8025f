#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "procedures/UpdateTask.h"

namespace kelvane {

// How the update of one register ended. In the journal, Started marks the record of a run's
// start, and a start that has no end when the journal is read is Interrupted: the program ended
// during the run.
enum class TUpdateResult {
  NotStarted,
  Success,
  SuccessPrintError,
  Failed,
  Stopped,
  Started,
  Interrupted
};

// The outcome of one register's update as data, for whatever shows or keeps it: the front ends'
// reports and the journal. Never read back from a text meant for the operator.
struct TUpdateOutcome {
  TUpdateResult Result = TUpdateResult::NotStarted;
  TUpdateStep LastStep = TUpdateStep::None;
  std::u16string VersionBefore;
  // Every version the register reported after the install, in order.
  std::vector<std::u16string> VersionsAfter;
  std::optional<std::u16string> PrintError;
  // The message of the error that ended a failed run.
  std::u16string ErrorText;
  // The row's final state text, as the operator saw it.
  std::u16string FinalText;
  // When the run started and ended, and the seconds between; filled by whoever followed the run.
  std::optional<TLocalTime> Started;
  std::optional<TLocalTime> Ended;
  double Seconds = 0;
};

// The outcome of the task's last run; NotStarted for a task that never ran.
TUpdateOutcome OutcomeOf(const TUpdateTask& ATask, std::u16string AVersionBefore);

// The versions read after the install, each once, in order of first reading.
std::vector<std::u16string> DistinctVersions(const std::vector<std::u16string>& AVersions);

}  // namespace kelvane
