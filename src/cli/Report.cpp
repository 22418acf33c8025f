#include "cli/Report.h"

#include <type_traits>
#include <nlohmann/json.hpp>

#include "cli/Workbook.h"
#include "platform/Csv.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace kelvane {

namespace {

bool Touched(const TReportRow& ARow) {
  return ARow.Kind == TRowKind::Updated && ARow.Outcome.Result != TUpdateResult::NotStarted;
}

TRecordEntries ReportEntries(const TReportRow& ARow) {
  const TUpdateOutcome& outcome = ARow.Outcome;
  TRecordEntries entries =
      RunEntries(ARow.ComNumber, ARow.Serial, ARow.DeviceName, outcome, RowResultName(ARow),
                 Touched(ARow) ? StepName(outcome.LastStep) : "",
                 ARow.Kind == TRowKind::NoRegister ? ARow.Note : outcome.ErrorText);
  entries.insert(entries.end(), {{&kFinalTextField, ToUtf8(outcome.FinalText)},
                                 {&kStartedField, outcome.Started},
                                 {&kEndedField, outcome.Ended},
                                 {&kSecondsField, TTenths{outcome.Seconds, Touched(ARow)}}});
  return entries;
}

nlohmann::ordered_json JsonObject(const TRecordEntries& AEntries) {
  nlohmann::ordered_json object = nlohmann::ordered_json::object();
  for (const TRecordEntry& entry : AEntries) {
    nlohmann::ordered_json& value = object[std::string(entry.Field->Key)];
    std::visit(
        [&](const auto& AValue) {
          using TValue = std::decay_t<decltype(AValue)>;
          if constexpr (std::is_same_v<TValue, TTenths>) {
            value = AValue.Rounded();
          } else if constexpr (std::is_same_v<TValue, std::optional<TLocalTime>>) {
            value = TimeText(AValue);
          } else {
            value = AValue;
          }
        },
        entry.Value);
  }
  return object;
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
  csv += CsvLine(CsvColumns(ReportEntries(TReportRow())));
  for (const TReportRow& row : ARows) {
    csv += CsvLine(CsvFields(ReportEntries(row)));
  }
  return csv;
}

std::string ReportWorkbook(const TReportHeader& AHeader, const std::vector<TReportRow>& ARows) {
  TRecordWorkbook workbook({"kelvane-cli " + ToUtf8(AHeader.ToolVersion), "firmware",
                            ToUtf8(AHeader.Firmware), "build", AHeader.Build},
                           CsvColumns(ReportEntries(TReportRow())));
  for (const TReportRow& row : ARows) {
    workbook.Add(ReportEntries(row));
  }
  return workbook.Finish();
}

std::string ReportJson(const TReportHeader& AHeader, const std::vector<TReportRow>& ARows) {
  nlohmann::ordered_json rows = nlohmann::ordered_json::array();
  for (const TReportRow& row : ARows) {
    rows.push_back(JsonObject(ReportEntries(row)));
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
  std::vector<std::string> versions;
  for (const std::u16string& version : DistinctVersions(outcome.VersionsAfter)) {
    versions.push_back(shown(version));
  }
  const std::string after = JoinedList(versions);
  // A run without an end is dated by its start.
  std::string text = TimeText(outcome.Ended ? outcome.Ended : outcome.Started) + "  " +
                     PortText(ARecord.ComNumber) + "  " + shown(ARecord.Serial) + "  " +
                     shown(ARecord.DeviceName) + "  " + shown(outcome.VersionBefore) + " -> " +
                     (after.empty() ? "-" : after) + "  " +
                     ResultName(outcome.Result) + " (" + StepName(outcome.LastStep) + ")";
  if (outcome.PrintError) {
    text += "  " + ToUtf8(kPrintErrorPrefix) + shown(*outcome.PrintError);
  }
  if (!outcome.ErrorText.empty()) {
    text += "  " + shown(outcome.ErrorText);
  }
  return text + "  " + shown(ARecord.Firmware) + "  " + shown(ARecord.Program) + " " +
         shown(ARecord.ProgramVersion) + "\n";
}

std::string JournalJsonItem(const TJournalRecord& ARecord) {
  // Indented as an element of the array the records make.
  std::string text = "  ";
  for (const char c : JsonObject(JournalEntries(ARecord)).dump(2)) {
    text += c;
    if (c == '\n') {
      text += "  ";
    }
  }
  return text;
}

bool IsReportName(const std::u16string& AFileName) {
  return HasExtension(AFileName, u".csv") || HasExtension(AFileName, u".json") ||
         HasExtension(AFileName, kWorkbookExtension);
}

void WriteReport(const std::u16string& AFileName, const TReportHeader& AHeader,
                 const std::vector<TReportRow>& ARows) {
  if (!IsReportName(AFileName)) {
    throw EError(u"Отчёт пишется в файл .csv, .json или .xlsx: " + AFileName);
  }
  ReplaceFileContent(AFileName, HasExtension(AFileName, u".json") ? ReportJson(AHeader, ARows)
                                : HasExtension(AFileName, kWorkbookExtension)
                                    ? ReportWorkbook(AHeader, ARows)
                                    : ReportCsv(AHeader, ARows));
}

}  // namespace kelvane
