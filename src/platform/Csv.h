#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

// What a CSV file starts with, so that a spreadsheet reads it as UTF-8.
inline constexpr std::string_view kCsvByteOrderMark = "\xEF\xBB\xBF";

// CSV as a spreadsheet on a Russian workstation opens it: ";" between the fields, CR LF after
// each record, a field quoted when it holds the separator, a ",", a quote or a line end. A field
// that a spreadsheet could take for a formula (its first character "=", "+", "-", "@", a tab or a
// CR) gets an apostrophe before it, and so does one that starts with an apostrophe: no text from
// a register ever acts in a spreadsheet, and ReadCsvRecord gives the field back as it was.
std::string CsvLine(const std::vector<std::string>& AFields);

// The record at the start of AText, and the bytes it takes with its CR LF; nothing when no whole
// record stands there: the text ends first (ATextEnded, when given, is then set), or a quote is
// out of place.
struct TCsvRecord {
  std::vector<std::string> Fields;
  size_t Length = 0;
};
std::optional<TCsvRecord> ReadCsvRecord(std::string_view AText, bool* ATextEnded = nullptr);

}  // namespace kelvane
