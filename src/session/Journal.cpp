#include "session/Journal.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <system_error>
#include <tuple>

#include "discovery/USBUtils.h"
#include "platform/AppDataFolder.h"
#include "platform/Csv.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "platform/VersionInfo.h"
#include "procedures/UpdateTask.h"

namespace kelvane {

namespace {

constexpr std::u16string_view kPrefix = u"journal-";
constexpr std::u16string_view kExtension = u".csv";
// The last column: the check of every byte before it.
constexpr std::string_view kCheckColumn = "check";

const std::vector<std::string>& Columns() {
  static const std::vector<std::string> columns = [] {
    std::vector<std::string> names = CsvColumns(JournalEntries(TJournalRecord()));
    names.emplace_back(kCheckColumn);
    return names;
  }();
  return columns;
}

// Where the field stands in a journal line; found once for every line read.
size_t ColumnOf(const TRecordField& AField) {
  static const std::map<std::string_view, size_t> positions = [] {
    std::map<std::string_view, size_t> at;
    for (size_t i = 0; i < Columns().size(); ++i) {
      at.emplace(Columns()[i], i);
    }
    return at;
  }();
  return positions.at(AField.Column);
}

// CRC-32 (the polynomial of zip and PNG) of the bytes, as eight hexadecimal digits.
std::string Check(std::string_view ABytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const char c : ABytes) {
    crc ^= static_cast<unsigned char>(c);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
  }
  char text[9];
  std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(~crc));
  return text;
}

std::optional<TJournalRecord> RecordOf(const std::vector<std::string>& AFields) {
  if (AFields.size() != Columns().size()) {
    return std::nullopt;
  }
  const auto text = [&](const TRecordField& AField) { return FromUtf8(AFields[ColumnOf(AField)]); };
  const auto time = [&](const TRecordField& AField, std::optional<TLocalTime>& ATime) {
    ATime = ParseIsoDateTime(text(AField));
    return ATime || text(AField).empty();
  };
  const std::optional<std::int32_t> port = ComNumberOfName(text(kPortField));
  const std::optional<TUpdateResult> result = ResultOfName(AFields[ColumnOf(kResultField)]);
  const std::optional<TUpdateStep> step = StepOfName(AFields[ColumnOf(kLastStepField)]);
  const std::optional<std::int32_t> build = StrToInt(text(kBuildField));
  TJournalRecord record;
  TUpdateOutcome& outcome = record.Outcome;
  // Every record has its start: the month file is chosen by it.
  if (!port || !result || !step || !build || !time(kStartedField, outcome.Started) ||
      !outcome.Started || !time(kEndedField, outcome.Ended)) {
    return std::nullopt;
  }
  record.ComNumber = *port;
  record.Serial = text(kSerialField);
  record.DeviceName = text(kDeviceField);
  outcome.VersionBefore = text(kVersionBeforeField);
  const std::string& versions = AFields[ColumnOf(kVersionsAfterField)];
  for (size_t at = 0; at < versions.size();) {
    const size_t end = std::min(versions.find(kCsvListSeparator, at), versions.size());
    outcome.VersionsAfter.push_back(FromUtf8(versions.substr(at, end - at)));
    at = end + kCsvListSeparator.size();
  }
  outcome.Result = *result;
  outcome.LastStep = *step;
  if (!AFields[ColumnOf(kPrintErrorField)].empty()) {
    outcome.PrintError = text(kPrintErrorField);
  }
  outcome.ErrorText = text(kErrorField);
  record.Firmware = text(kFirmwareField);
  record.Build = *build;
  record.Program = text(kProgramField);
  record.ProgramVersion = text(kProgramVersionField);
  return record;
}

bool IsJournalFileName(std::u16string_view AName) {
  // journal-YYYY-MM.csv
  if (AName.size() != kPrefix.size() + 7 + kExtension.size() ||
      AName.substr(0, kPrefix.size()) != kPrefix || !HasExtension(AName, kExtension)) {
    return false;
  }
  const std::u16string_view month = AName.substr(kPrefix.size(), 7);
  for (size_t i = 0; i < month.size(); ++i) {
    if (i == 4 ? month[i] != u'-' : (month[i] < u'0' || month[i] > u'9')) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool operator==(const TJournalRecord& A, const TJournalRecord& B) {
  const auto kept = [](const TJournalRecord& R) {
    const TUpdateOutcome& o = R.Outcome;
    return std::tie(R.ComNumber, R.Serial, R.DeviceName, o.VersionBefore, o.VersionsAfter, o.Result,
                    o.LastStep, o.PrintError, o.ErrorText, o.Started, o.Ended, R.Firmware, R.Build,
                    R.Program, R.ProgramVersion);
  };
  return kept(A) == kept(B);
}

TRecordEntries JournalEntries(const TJournalRecord& ARecord) {
  const TUpdateOutcome& outcome = ARecord.Outcome;
  TRecordEntries entries =
      RunEntries(ARecord.ComNumber, ARecord.Serial, ARecord.DeviceName, outcome,
                 ResultName(outcome.Result), StepName(outcome.LastStep), outcome.ErrorText);
  entries.insert(entries.end(), {{&kStartedField, outcome.Started},
                                 {&kEndedField, outcome.Ended},
                                 {&kFirmwareField, ToUtf8(ARecord.Firmware)},
                                 {&kBuildField, ARecord.Build},
                                 {&kProgramField, ToUtf8(ARecord.Program)},
                                 {&kProgramVersionField, ToUtf8(ARecord.ProgramVersion)}});
  return entries;
}

std::string JournalLine(const TJournalRecord& ARecord) {
  std::vector<std::string> fields = CsvFields(JournalEntries(ARecord));
  fields.emplace_back();
  std::string line = CsvLine(fields);
  // The check covers every byte before it, its separator included.
  line.resize(line.size() - 2);
  return line + Check(line) + "\r\n";
}

std::vector<TJournalRecord> ParseJournal(std::string_view ABytes) {
  std::vector<TJournalRecord> records;
  TJournalParser parser([&](const TJournalRecord& ARecord) { records.push_back(ARecord); });
  parser.Feed(ABytes);
  parser.Finish();
  return records;
}

TJournalParser::TJournalParser(std::function<void(const TJournalRecord&)> AEach)
    : FEach(std::move(AEach)) {
}

void TJournalParser::Feed(std::string_view APiece) {
  while (!APiece.empty()) {
    const size_t end = APiece.find('\n');
    const std::string_view part = APiece.substr(0, end == std::string_view::npos ? end : end + 1);
    APiece.remove_prefix(part.size());
    if (!FSkipping) {
      FLine += part;
      if (FLine.size() > kLongestJournalRecord) {
        // Longer than any record: broken, and the rest of it is passed over.
        FLine.clear();
        FSkipping = true;
        ++FFailedChecks;
      }
    }
    if (end != std::string_view::npos) {
      if (FSkipping) {
        FSkipping = false;
      } else {
        TakeLine();
      }
    }
  }
}

void TJournalParser::Finish() {
  if (!FLine.empty()) {
    TakeLine();
  }
  FSkipping = false;
  ReadHeld(true);
  for (TJournalRecord& start : FOpen) {
    start.Outcome.Result = TUpdateResult::Interrupted;
    FEach(start);
  }
  FOpen.clear();
}

void TJournalParser::TakeLine() {
  FHeld += FLine;
  ++FHeldLines;
  FLine.clear();
  ReadHeld(false);
}

void TJournalParser::ReadHeld(bool AAtEnd) {
  // A record spans several lines only where a quoted field holds a line end, and never more than
  // a record's length.
  constexpr size_t kMostLines = 64;
  static const std::string kHead = CsvLine(Columns());
  std::string_view text = FHeld;
  size_t lines = FHeldLines;
  const auto dropLine = [&](std::string_view ALine) {
    text.remove_prefix(ALine.size());
    --lines;
  };
  while (!text.empty()) {
    if (text.starts_with(kCsvByteOrderMark)) {
      text.remove_prefix(kCsvByteOrderMark.size());
    }
    const size_t lineEnd = text.find('\n');
    const std::string_view line =
        text.substr(0, lineEnd == std::string_view::npos ? lineEnd : lineEnd + 1);
    if (line == "\r\n" || line == "\n" || line == kHead) {
      dropLine(line);
      continue;
    }
    bool textEnded = false;
    const std::optional<TCsvRecord> csv = ReadCsvRecord(text, &textEnded);
    if (!csv) {
      if (textEnded && !AAtEnd && text.size() <= kLongestJournalRecord && lines <= kMostLines) {
        break;  // the record goes on in the lines to come
      }
      // No record starts in this line: the next may start one.
      ++FFailedChecks;
      dropLine(line);
      continue;
    }
    const std::string_view record = text.substr(0, csv->Length - 2);
    lines -= static_cast<size_t>(std::count(text.begin(), text.begin() + csv->Length, '\n'));
    text.remove_prefix(csv->Length);
    const size_t checkAt = record.rfind(';') + 1;
    std::optional<TJournalRecord> read;
    if (checkAt > 0 && Check(record.substr(0, checkAt)) == record.substr(checkAt)) {
      read = RecordOf(csv->Fields);
    }
    if (read) {
      Take(std::move(*read));
    } else {
      ++FFailedChecks;
    }
  }
  FHeld.erase(0, FHeld.size() - text.size());
  FHeldLines = lines;
}

void TJournalParser::Take(TJournalRecord ARecord) {
  // More runs open at once than a workstation has ports: the oldest will meet no end.
  constexpr size_t kMostOpen = 4096;
  if (ARecord.Outcome.Result == TUpdateResult::Started) {
    if (FOpen.size() == kMostOpen) {
      FOpen.front().Outcome.Result = TUpdateResult::Interrupted;
      FEach(FOpen.front());
      FOpen.erase(FOpen.begin());
    }
    FOpen.push_back(std::move(ARecord));
    return;
  }
  // An end completes the first open start of the same run.
  const auto start = std::find_if(FOpen.begin(), FOpen.end(), [&](const TJournalRecord& AStart) {
    return AStart.ComNumber == ARecord.ComNumber && AStart.Serial == ARecord.Serial &&
           AStart.Program == ARecord.Program && AStart.Outcome.Started == ARecord.Outcome.Started;
  });
  if (start != FOpen.end()) {
    FOpen.erase(start);
  }
  FEach(ARecord);
}

TJournal::TJournal(std::u16string AFolder) : FFolder(std::move(AFolder)) {
}

std::u16string TJournal::FileName(const TLocalTime& AStarted) const {
  const TDateTimeParts& date = AStarted.Local;
  return FFolder + PathSeparator() + std::u16string(kPrefix) + IntToStr(date.Year) +
         (date.Month < 10 ? u"-0" : u"-") + IntToStr(date.Month) + std::u16string(kExtension);
}

bool TJournal::Holds(const std::u16string& AFile) const {
  return IsJournalFileName(ExtractFileName(AFile)) && !FFolder.empty() &&
         SameFile(FFolder + PathSeparator() + ExtractFileName(AFile), AFile);
}

void TJournal::Append(const TJournalRecord& ARecord) const {
  if (FFolder.empty()) {
    throw EError(u"Не удаётся записать журнал: папка настроек не определена");
  }
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(FFolder), error);
  if (!ARecord.Outcome.Started) {
    throw EError(u"Не удаётся записать журнал: у записи нет времени начала");
  }
  const std::u16string file = FileName(*ARecord.Outcome.Started);
  std::string head(kCsvByteOrderMark);
  head += CsvLine(Columns());
  AppendRecord(file, head, JournalLine(ARecord));
}

TJournalReading TJournal::ReadEach(
    const std::function<void(const TJournalRecord&)>& AEach) const {
  std::vector<std::u16string> files;
  std::error_code error;
  for (std::filesystem::directory_iterator entry(std::filesystem::path(FFolder), error), end;
       !error && entry != end; entry.increment(error)) {
    const std::u16string name = entry->path().filename().u16string();
    if (IsJournalFileName(name)) {
      files.push_back(name);
    }
  }
  std::sort(files.begin(), files.end());
  TJournalReading reading;
  for (const std::u16string& name : files) {
    TJournalParser parser(AEach);
    try {
      ReadAppendedFile(FFolder + PathSeparator() + name,
                       [&](std::string_view APiece) { parser.Feed(APiece); });
      parser.Finish();
    } catch (const EError& e) {
      reading.Problems.push_back(e.Message());
    }
    reading.FailedChecks += parser.FailedChecks();
  }
  return reading;
}

std::vector<TJournalRecord> TJournal::Read() const {
  std::vector<TJournalRecord> records;
  const TJournalReading reading =
      ReadEach([&](const TJournalRecord& ARecord) { records.push_back(ARecord); });
  if (!reading.Problems.empty()) {
    throw EError(reading.Problems.front());
  }
  return records;
}

std::optional<std::u16string> TJournalQueue::Add(TJournalRecord ARecord) {
  FKept.push_back(std::move(ARecord));
  return Flush();
}

std::optional<std::u16string> TJournalQueue::Flush() {
  std::optional<std::u16string> problem;
  std::vector<TJournalRecord> kept;
  for (TJournalRecord& record : FKept) {
    try {
      FJournal.Append(record);
    } catch (const EError& e) {
      problem = problem.value_or(e.Message());
      kept.push_back(std::move(record));
    }
  }
  FKept = std::move(kept);
  return problem;
}

std::u16string JournalFolderOf(const std::u16string& ASettingsFile) {
  return ExtractFileDir(ASettingsFile);
}

TJournalRecord JournalRecordOf(std::int32_t AComNumber, std::u16string ASerial,
                               std::u16string ADeviceName, TUpdateOutcome AOutcome,
                               std::u16string AFirmware, std::u16string AProgram) {
  TJournalRecord record;
  record.ComNumber = AComNumber;
  record.Serial = std::move(ASerial);
  record.DeviceName = std::move(ADeviceName);
  record.Outcome = std::move(AOutcome);
  record.Build = TUpdateTask::BuildFromFileName(AFirmware);
  record.Firmware = std::move(AFirmware);
  record.Program = std::move(AProgram);
  record.ProgramVersion = FileVersionText();
  return record;
}

}  // namespace kelvane
