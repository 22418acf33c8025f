#include "cli/Report.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "window/SettingsDocument.h"

namespace kelvane {

namespace {

bool EndsWith(const std::u16string& AName, std::u16string_view AExtension) {
  return AName.size() >= AExtension.size() &&
         SameName(std::u16string_view(AName).substr(AName.size() - AExtension.size()), AExtension);
}

std::string SecondsText(double ASeconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", ASeconds);
  return text;
}

// A field as CSV quotes it when it must: the separator, a quote or a line end inside.
std::string CsvField(const std::string& AText) {
  if (AText.find_first_of(";\"\r\n") == std::string::npos) {
    return AText;
  }
  std::string quoted = "\"";
  for (const char c : AText) {
    quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  }
  return quoted + "\"";
}

}  // namespace

std::string ResultName(TUpdateResult AResult) {
  switch (AResult) {
    case TUpdateResult::Success:
      return "success";
    case TUpdateResult::SuccessPrintError:
      return "success, print error";
    case TUpdateResult::Failed:
      return "failed";
    case TUpdateResult::Stopped:
      break;
  }
  return "stopped";
}

std::string ReportCsv(const std::vector<TReportRow>& ARows) {
  std::string csv = "\xEF\xBB\xBF";
  csv += "port;serial;device;version before;version after;result;final text;started;seconds\r\n";
  for (const TReportRow& row : ARows) {
    const std::vector<std::string> fields = {"COM" + std::to_string(row.ComNumber),
                                             ToUtf8(row.Serial),
                                             ToUtf8(row.DeviceName),
                                             ToUtf8(row.VersionBefore),
                                             ToUtf8(row.VersionAfter),
                                             ResultName(row.Result),
                                             ToUtf8(row.FinalText),
                                             ToUtf8(row.StartTime),
                                             SecondsText(row.Seconds)};
    for (size_t i = 0; i < fields.size(); ++i) {
      csv += (i > 0 ? ";" : "") + CsvField(fields[i]);
    }
    csv += "\r\n";
  }
  return csv;
}

std::string ReportJson(const std::vector<TReportRow>& ARows) {
  nlohmann::ordered_json report = nlohmann::ordered_json::array();
  for (const TReportRow& row : ARows) {
    report.push_back({{"port", "COM" + std::to_string(row.ComNumber)},
                      {"serial", ToUtf8(row.Serial)},
                      {"device", ToUtf8(row.DeviceName)},
                      {"versionBefore", ToUtf8(row.VersionBefore)},
                      {"versionAfter", ToUtf8(row.VersionAfter)},
                      {"result", ResultName(row.Result)},
                      {"finalText", ToUtf8(row.FinalText)},
                      {"started", ToUtf8(row.StartTime)},
                      {"seconds", std::round(row.Seconds * 10) / 10}});
  }
  return report.dump(2) + "\n";
}

bool IsReportName(const std::u16string& AFileName) {
  return EndsWith(AFileName, u".csv") || EndsWith(AFileName, u".json");
}

void WriteReport(const std::u16string& AFileName, const std::vector<TReportRow>& ARows) {
  if (!IsReportName(AFileName)) {
    throw EError(u"Отчёт пишется в файл .csv или .json: " + AFileName);
  }
  WriteFileDurably(AFileName, EndsWith(AFileName, u".json") ? ReportJson(ARows) : ReportCsv(ARows));
}

}  // namespace kelvane
