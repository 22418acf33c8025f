#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "session/RecordFields.h"
#include "session/UpdateOutcome.h"

namespace kelvane {

// One update as the journal keeps it: which register, what it had and got, how the run ended,
// when, from which firmware and by which program.
struct TJournalRecord {
  std::int32_t ComNumber = 0;
  std::u16string Serial;
  std::u16string DeviceName;
  // Its VersionBefore, VersionsAfter (each once), Result, LastStep, PrintError, ErrorText,
  // Started and Ended; the journal keeps no other of its fields.
  TUpdateOutcome Outcome;
  std::u16string Firmware;
  std::int32_t Build = 0;
  std::u16string Program;
  std::u16string ProgramVersion;

  friend bool operator==(const TJournalRecord& A, const TJournalRecord& B);
};

// What a reading of the journal met beside its records.
struct TJournalReading {
  // Lines that are no whole record with a good check: cut short by a crash, edited by hand,
  // saved back by a spreadsheet, or longer than any record.
  size_t FailedChecks = 0;
  // Each month's file that could not be read, named with the reason.
  std::vector<std::u16string> Problems;
};

// The journal of every update made on this workstation, from the window or from kelvane-cli: one
// CSV file per month of the runs' starts (journal-YYYY-MM.csv) in one folder, beside the settings
// file. It is written ahead: a record when a run starts, and a whole record again when it ends.
// Records are only ever appended, each whole with a check of its own, so that a record cut short
// by a crash or a power cut is known.
class TJournal {
 public:
  explicit TJournal(std::u16string AFolder);
  const std::u16string& Folder() const { return FFolder; }

  // Adds the record to the file of its start's month, making the folder when missing. Raises
  // EError.
  void Append(const TJournalRecord& ARecord) const;
  // Every record of every month, oldest month first, in bounded memory: in each month the runs
  // that ended, in the order of their ends, then the starts that have no end, as interrupted. A
  // month that cannot be read is named in the result, and the others are still read.
  TJournalReading ReadEach(const std::function<void(const TJournalRecord&)>& AEach) const;
  // Those records together; raises EError with the first month that could not be read.
  std::vector<TJournalRecord> Read() const;

  // The file that keeps records of runs that started then.
  std::u16string FileName(const TLocalTime& AStarted) const;
  // True when the path names one of the journal's month files, there yet or not.
  bool Holds(const std::u16string& AFile) const;

 private:
  std::u16string FFolder;
};

// Reads one journal file's bytes as they come, piece by piece, holding no more than the longest
// record it accepts (kLongestJournalRecord): a longer line is passed over as broken.
class TJournalParser {
 public:
  explicit TJournalParser(std::function<void(const TJournalRecord&)> AEach);
  void Feed(std::string_view APiece);
  // The file's end: what is left is read, and each start that met no end is given as
  // interrupted.
  void Finish();
  size_t FailedChecks() const { return FFailedChecks; }

 private:
  void TakeLine();
  // Reads the records that the held lines make; AAtEnd: no more lines will come.
  void ReadHeld(bool AAtEnd);
  void Take(TJournalRecord ARecord);

  std::function<void(const TJournalRecord&)> FEach;
  // The line being read, and whether the rest of an over-long line is being passed over.
  std::string FLine;
  bool FSkipping = false;
  // Whole lines not yet read as records: a quoted field may hold a line end.
  std::string FHeld;
  size_t FHeldLines = 0;
  // Starts not yet met by their ends, oldest first.
  std::vector<TJournalRecord> FOpen;
  size_t FFailedChecks = 0;
};

// No record is longer: a longer line is broken.
constexpr size_t kLongestJournalRecord = 64 * 1024;

// Records on their way to the journal. One that cannot be written now (its month's file held
// open by a spreadsheet that denies writes, say) is kept and tried again with the next one, so
// that a journal unwritable for a while loses nothing the program still holds.
class TJournalQueue {
 public:
  explicit TJournalQueue(TJournal AJournal) : FJournal(std::move(AJournal)) {}
  const TJournal& Journal() const { return FJournal; }

  // Keeps the record and writes every kept one; the first reason one was not, if one was not.
  std::optional<std::u16string> Add(TJournalRecord ARecord);
  // Writes every kept record; the first reason one was not, if one was not.
  std::optional<std::u16string> Flush();
  size_t Kept() const { return FKept.size(); }

 private:
  TJournal FJournal;
  std::vector<TJournalRecord> FKept;
};

// The journal's folder: the settings file's.
std::u16string JournalFolderOf(const std::u16string& ASettingsFile);

// A record's fields as the journal and its JSON give them.
TRecordEntries JournalEntries(const TJournalRecord& ARecord);
// A record as its line in the journal, CR LF included.
std::string JournalLine(const TJournalRecord& ARecord);
// The records in a journal file's bytes, as TJournalParser reads them; any other line is passed
// over.
std::vector<TJournalRecord> ParseJournal(std::string_view ABytes);

// The record of a row's run: which register, what it had, and how its outcome came out.
TJournalRecord JournalRecordOf(std::int32_t AComNumber, std::u16string ASerial,
                               std::u16string ADeviceName, TUpdateOutcome AOutcome,
                               std::u16string AFirmware, std::u16string AProgram);

}  // namespace kelvane
