#include "platform/Csv.h"

namespace kelvane {

namespace {

// What a field that could start a formula gets before it; a field read that starts with it loses
// it again.
constexpr char kInert = '\'';

bool CouldStartAFormula(const std::string& AText) {
  return !AText.empty() && std::string_view("=+-@\t\r'").find(AText.front()) != std::string::npos;
}

std::string CsvField(const std::string& AField) {
  const std::string text = CouldStartAFormula(AField) ? kInert + AField : AField;
  // A "," too: a spreadsheet asked to split at commas as well keeps a quoted field whole.
  if (text.find_first_of(";,\"\r\n") == std::string::npos) {
    return text;
  }
  std::string quoted = "\"";
  for (const char c : text) {
    quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  }
  return quoted + "\"";
}

}  // namespace

std::string CsvLine(const std::vector<std::string>& AFields) {
  std::string line;
  for (size_t i = 0; i < AFields.size(); ++i) {
    line += (i > 0 ? ";" : "") + CsvField(AFields[i]);
  }
  return line + "\r\n";
}

std::optional<TCsvRecord> ReadCsvRecord(std::string_view AText, bool* ATextEnded) {
  TCsvRecord record;
  size_t at = 0;
  const auto ended = [&] {
    if (ATextEnded != nullptr) {
      *ATextEnded = true;
    }
    return std::nullopt;
  };
  if (ATextEnded != nullptr) {
    *ATextEnded = false;
  }
  while (true) {
    std::string field;
    if (at < AText.size() && AText[at] == '"') {
      ++at;
      while (true) {
        const size_t quote = AText.find('"', at);
        if (quote == std::string_view::npos) {
          return ended();
        }
        field.append(AText.substr(at, quote - at));
        at = quote + 1;
        if (at < AText.size() && AText[at] == '"') {
          field += '"';
          ++at;
        } else {
          break;
        }
      }
    } else {
      const size_t end = AText.find_first_of(";\r\n\"", at);
      if (end == std::string_view::npos) {
        return ended();
      }
      if (AText[end] == '"') {
        return std::nullopt;
      }
      field.assign(AText.substr(at, end - at));
      at = end;
    }
    if (field.starts_with(kInert)) {
      field.erase(0, 1);
    }
    record.Fields.push_back(std::move(field));
    if (AText.substr(at, 1) == ";") {
      ++at;
      continue;
    }
    if (AText.substr(at, 2) == "\r\n") {
      record.Length = at + 2;
      return record;
    }
    if (at + 2 > AText.size()) {
      return ended();
    }
    return std::nullopt;
  }
}

}  // namespace kelvane
