#include "session/UpdateOutcome.h"

#include <algorithm>

namespace kelvane {

TUpdateOutcome OutcomeOf(const TUpdateTask& ATask, std::u16string AVersionBefore) {
  TUpdateOutcome outcome;
  outcome.VersionBefore = std::move(AVersionBefore);
  const TRunEnd end = ATask.LastRunEnd();
  if (end.Kind == TRunEnd::NotRun) {
    return outcome;
  }
  const TUpdateRecord record = ATask.Record();
  outcome.LastStep = record.LastStep;
  outcome.VersionsAfter = record.VersionsAfter;
  outcome.PrintError = record.PrintError;
  outcome.ErrorText = end.ErrorMessage;
  outcome.FinalText = ATask.State().Text.Get();
  outcome.Result = end.Kind == TRunEnd::Stopped ? TUpdateResult::Stopped
                   : end.Kind != TRunEnd::Succeeded ? TUpdateResult::Failed
                   : record.PrintError              ? TUpdateResult::SuccessPrintError
                                                    : TUpdateResult::Success;
  return outcome;
}

std::vector<std::u16string> DistinctVersions(const std::vector<std::u16string>& AVersions) {
  std::vector<std::u16string> distinct;
  for (const std::u16string& version : AVersions) {
    if (std::find(distinct.begin(), distinct.end(), version) == distinct.end()) {
      distinct.push_back(version);
    }
  }
  return distinct;
}

}  // namespace kelvane
