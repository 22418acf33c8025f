#pragma once

#include <string>
#include <vector>

#include "cli/BatchRun.h"

namespace kelvane {

// The words a report gives a result.
std::string ResultName(TUpdateResult AResult);

// The report as CSV: UTF-8 with its byte-order mark, ";" between the fields, a header line, CR LF,
// so that a spreadsheet on a Russian workstation opens it as it is.
std::string ReportCsv(const std::vector<TReportRow>& ARows);
// The report as JSON: an array of one object per register.
std::string ReportJson(const std::vector<TReportRow>& ARows);

// Writes the report in the format its extension names (.csv or .json, any letter case); raises
// EError for another extension or a file that cannot be written.
void WriteReport(const std::u16string& AFileName, const std::vector<TReportRow>& ARows);
// True when the name ends with .csv or .json.
bool IsReportName(const std::u16string& AFileName);

}  // namespace kelvane
