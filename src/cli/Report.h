#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "session/Journal.h"
#include "session/UpdateOutcome.h"

namespace kelvane {

// What a report row stands for: a register that was updated (or was to be), one not chosen, a
// port without a register, or a requested port or serial that no identification found.
enum class TRowKind { Updated, NotChosen, NoRegister, NotFound };

// One row of the report: a port the identification saw, or a requested one.
struct TReportRow {
  std::optional<std::int32_t> ComNumber;
  std::u16string Serial;
  std::u16string DeviceName;
  TRowKind Kind = TRowKind::Updated;
  // For an updated row; the version before for any row with a register.
  TUpdateOutcome Outcome;
  // Why a port has no register: its search's final text.
  std::u16string Note;
};

// What the report names before its rows.
struct TReportHeader {
  std::u16string ToolVersion;
  std::u16string Firmware;
  std::int32_t Build = 0;
};

// The result a row reports: the outcome's for an updated row, else what the row stands for.
std::string RowResultName(const TReportRow& ARow);

// The report as CSV: UTF-8 with its byte-order mark, ";" between the fields, CR LF, quoted where
// needed, so that a spreadsheet on a Russian workstation opens it as it is. A first line names
// the tool, the firmware and its build; the second names the columns.
std::string ReportCsv(const TReportHeader& AHeader, const std::vector<TReportRow>& ARows);
// The report as a workbook: the header's fields in its first row, the columns' names in the
// second, then the rows, each cell of its own type.
std::string ReportWorkbook(const TReportHeader& AHeader, const std::vector<TReportRow>& ARows);
// The report as JSON: the header's fields and an array of one object per row.
std::string ReportJson(const TReportHeader& AHeader, const std::vector<TReportRow>& ARows);

// A journal record as kelvane-cli journal prints it: its line, or its element of the JSON array.
std::string JournalTextLine(const TJournalRecord& ARecord);
std::string JournalJsonItem(const TJournalRecord& ARecord);

// Writes the report in the format its extension names (.csv, .json or .xlsx, any letter case),
// never over the only copy of an earlier one; raises EError for another extension or a file that
// cannot be written.
void WriteReport(const std::u16string& AFileName, const TReportHeader& AHeader,
                 const std::vector<TReportRow>& ARows);
// True when the name ends with .csv, .json or .xlsx.
bool IsReportName(const std::u16string& AFileName);

}  // namespace kelvane
