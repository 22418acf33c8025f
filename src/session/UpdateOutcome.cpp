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
  outcome.StepReached = end.StepReached;
  outcome.StepCount = ATask.State().StepCount.load();
  switch (end.Kind) {
    case TRunEnd::Succeeded:
      outcome.Result = record.PrintError ? TUpdateResult::SuccessPrintError : TUpdateResult::Success;
      break;
    case TRunEnd::Stopped:
      outcome.Result = TUpdateResult::Stopped;
      break;
    case TRunEnd::Failed:
    case TRunEnd::NotRun:
      outcome.Result = TUpdateResult::Failed;
      break;
  }
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

std::u16string DistinctVersionsText(const std::vector<std::u16string>& AVersions) {
  std::u16string text;
  for (const std::u16string& version : DistinctVersions(AVersions)) {
    text += (text.empty() ? u"" : u", ") + version;
  }
  return text;
}

std::string ResultName(TUpdateResult AResult) {
  switch (AResult) {
    case TUpdateResult::NotStarted:
      return "not started";
    case TUpdateResult::Success:
      return "success";
    case TUpdateResult::SuccessPrintError:
      return "success, print error";
    case TUpdateResult::Failed:
      return "failed";
    case TUpdateResult::Stopped:
      return "stopped";
    case TUpdateResult::Started:
      return "started";
    case TUpdateResult::Interrupted:
      break;
  }
  return "interrupted";
}

std::string StepName(TUpdateStep AStep) {
  switch (AStep) {
    case TUpdateStep::None:
      return "not touched";
    case TUpdateStep::ReadingFile:
      return "firmware file";
    case TUpdateStep::SkokOff:
      return "SKoK off";
    case TUpdateStep::Loading:
      return "loading";
    case TUpdateStep::Installing:
      return "installing";
    case TUpdateStep::SkokOn:
      return "SKoK on";
    case TUpdateStep::DateTime:
      return "date and time";
    case TUpdateStep::VersionCheck:
      return "version check";
    case TUpdateStep::Tables:
      return "tables";
    case TUpdateStep::Receipt:
      return "receipt";
    case TUpdateStep::Done:
      break;
  }
  return "done";
}

}  // namespace kelvane
