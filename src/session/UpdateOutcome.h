#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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
  // Progress when the run ended: the real share, also for a run that failed or was stopped.
  std::int32_t StepReached = 0;
  std::int32_t StepCount = 0;
  // Local start and end as ISO 8601 with the UTC offset, and the seconds between; filled by
  // whoever followed the run.
  std::u16string Started;
  std::u16string Ended;
  double Seconds = 0;
};

// The outcome of the task's last run; NotStarted for a task that never ran.
TUpdateOutcome OutcomeOf(const TUpdateTask& ATask, std::u16string AVersionBefore);

// The versions read after the install, each once, in order of first reading.
std::vector<std::u16string> DistinctVersions(const std::vector<std::u16string>& AVersions);

// Those versions as one text, joined by ", ", as the reports and the journal write them.
std::u16string DistinctVersionsText(const std::vector<std::u16string>& AVersions);

// The words a report gives a result and a step.
std::string ResultName(TUpdateResult AResult);
std::string StepName(TUpdateStep AStep);

}  // namespace kelvane
