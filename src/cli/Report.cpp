#include "cli/Report.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "platform/Csv.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace kelvane {

namespace {

std::string SecondsText(double ASeconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", ASeconds);
  return text;
}

std::string PortText(const TReportRow& ARow) {
  return ARow.ComNumber ? "COM" + std::to_string(*ARow.ComNumber) : "";
}

bool Touched(const TReportRow& ARow) {
  return ARow.Kind == TRowKind::Updated && ARow.Outcome.Result != TUpdateResult::NotStarted;
}

std::string ErrorText(const TReportRow& ARow) {
  return ToUtf8(ARow.Kind == TRowKind::NoRegister ? ARow.Note : ARow.Outcome.ErrorText);
}

}  // namespace

std::string RowResultName(const TReportRow& ARow) {
  switch (ARow.Kind) {
    case TRowKind::Updated:
      return ResultName(ARow.Outcome.Result);
    case TRowKind::NotChosen:
      return "not chosen";
    case TRowKind::NoRegister:
      return "no register";
    case TRowKind::NotFound:
      break;
  }
  return "not found";
}

std::string ReportCsv(const TReportHeader& AHeader, const std::vector<TReportRow>& ARows) {
  std::string csv(kCsvByteOrderMark);
  csv += CsvLine({"kelvane-cli " + ToUtf8(AHeader.ToolVersion), "firmware",
                  ToUtf8(AHeader.Firmware), "build", std::to_string(AHeader.Build)});
  csv += CsvLine({"port", "serial", "device", "version before", "version after", "result",
                  "last step", "print error", "error", "final text", "started", "ended",
                  "seconds"});
  for (const TReportRow& row : ARows) {
    const TUpdateOutcome& outcome = row.Outcome;
    csv += CsvLine({PortText(row), ToUtf8(row.Serial), ToUtf8(row.DeviceName),
                    ToUtf8(outcome.VersionBefore),
                    ToUtf8(DistinctVersionsText(outcome.VersionsAfter)), RowResultName(row),
                    Touched(row) ? StepName(outcome.LastStep) : "",
                    ToUtf8(outcome.PrintError.value_or(u"")), ErrorText(row),
                    ToUtf8(outcome.FinalText), ToUtf8(outcome.Started), ToUtf8(outcome.Ended),
                    Touched(row) ? SecondsText(outcome.Seconds) : ""});
  }
  return csv;
}

std::string ReportJson(const TReportHeader& AHeader, const std::vector<TReportRow>& ARows) {
  nlohmann::ordered_json rows = nlohmann::ordered_json::array();
  for (const TReportRow& row : ARows) {
    const TUpdateOutcome& outcome = row.Outcome;
    nlohmann::ordered_json versions = nlohmann::ordered_json::array();
    for (const std::u16string& version : DistinctVersions(outcome.VersionsAfter)) {
      versions.push_back(ToUtf8(version));
    }
    rows.push_back({{"port", PortText(row)},
                    {"serial", ToUtf8(row.Serial)},
                    {"device", ToUtf8(row.DeviceName)},
                    {"versionBefore", ToUtf8(outcome.VersionBefore)},
                    {"versionsAfter", versions},
                    {"result", RowResultName(row)},
                    {"lastStep", Touched(row) ? StepName(outcome.LastStep) : ""},
                    {"printError", ToUtf8(outcome.PrintError.value_or(u""))},
                    {"error", ErrorText(row)},
                    {"finalText", ToUtf8(outcome.FinalText)},
                    {"started", ToUtf8(outcome.Started)},
                    {"ended", ToUtf8(outcome.Ended)},
                    {"seconds", std::round(outcome.Seconds * 10) / 10}});
  }
  const nlohmann::ordered_json report = {{"tool", "kelvane-cli"},
                                         {"version", ToUtf8(AHeader.ToolVersion)},
                                         {"firmware", ToUtf8(AHeader.Firmware)},
                                         {"build", AHeader.Build},
                                         {"registers", rows}};
  return report.dump(2) + "\n";
}

std::string JournalTextLine(const TJournalRecord& ARecord) {
  const TUpdateOutcome& outcome = ARecord.Outcome;
  // What the register and the driver said is shown, never obeyed, by the terminal.
  const auto shown = [](const std::u16string& AText) { return ToUtf8(ShownOnTerminal(AText)); };
  const std::string after = shown(DistinctVersionsText(outcome.VersionsAfter));
  // A run without an end is dated by its start.
  std::string text = shown(outcome.Ended.empty() ? outcome.Started : outcome.Ended) + "  COM" +
                     std::to_string(ARecord.ComNumber) + "  " + shown(ARecord.Serial) + "  " +
                     shown(ARecord.DeviceName) + "  " + shown(outcome.VersionBefore) + " -> " +
                     (after.empty() ? "-" : after) + "  " + ResultName(outcome.Result) + " (" +
                     StepName(outcome.LastStep) + ")";
  if (outcome.PrintError) {
    text += "  " + ToUtf8(u"Ошибка печати: ") + shown(*outcome.PrintError);
  }
  if (!outcome.ErrorText.empty()) {
    text += "  " + shown(outcome.ErrorText);
  }
  return text + "  " + shown(ARecord.Firmware) + "  " + shown(ARecord.Program) + " " +
         shown(ARecord.ProgramVersion) + "\n";
}

std::string JournalJsonItem(const TJournalRecord& ARecord) {
  const TUpdateOutcome& outcome = ARecord.Outcome;
  nlohmann::ordered_json versions = nlohmann::ordered_json::array();
  for (const std::u16string& version : DistinctVersions(outcome.VersionsAfter)) {
    versions.push_back(ToUtf8(version));
  }
  const nlohmann::ordered_json item = {{"port", "COM" + std::to_string(ARecord.ComNumber)},
                                       {"serial", ToUtf8(ARecord.Serial)},
                                       {"device", ToUtf8(ARecord.DeviceName)},
                                       {"versionBefore", ToUtf8(outcome.VersionBefore)},
                                       {"versionsAfter", versions},
                                       {"result", ResultName(outcome.Result)},
                                       {"lastStep", StepName(outcome.LastStep)},
                                       {"printError", ToUtf8(outcome.PrintError.value_or(u""))},
                                       {"error", ToUtf8(outcome.ErrorText)},
                                       {"started", ToUtf8(outcome.Started)},
                                       {"ended", ToUtf8(outcome.Ended)},
                                       {"firmware", ToUtf8(ARecord.Firmware)},
                                       {"build", ARecord.Build},
                                       {"program", ToUtf8(ARecord.Program)},
                                       {"programVersion", ToUtf8(ARecord.ProgramVersion)}};
  // Indented as an element of the array the records make.
  std::string text = "  ";
  for (const char c : item.dump(2)) {
    text += c;
    if (c == '\n') {
      text += "  ";
    }
  }
  return text;
}

bool IsReportName(const std::u16string& AFileName) {
  return HasExtension(AFileName, u".csv") || HasExtension(AFileName, u".json");
}

void WriteReport(const std::u16string& AFileName, const TReportHeader& AHeader,
                 const std::vector<TReportRow>& ARows) {
  if (!IsReportName(AFileName)) {
    throw EError(u"Отчёт пишется в файл .csv или .json: " + AFileName);
  }
  ReplaceFileContent(AFileName, HasExtension(AFileName, u".json") ? ReportJson(AHeader, ARows)
                                                             : ReportCsv(AHeader, ARows));
}

}  // namespace kelvane
