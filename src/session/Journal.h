#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// The journal of every update made on this workstation, from the window or from kelvane-cli: one
// CSV file per month of the runs' ends (journal-YYYY-MM.csv) in one folder, beside the settings
// file. Records are only ever appended, each whole with a check of its own, so that a record cut
// short by a crash or a power cut is known and passed over.
class TJournal {
 public:
  explicit TJournal(std::u16string AFolder);
  const std::u16string& Folder() const { return FFolder; }

  // Adds the record to its month's file, making the folder when missing. Raises EError.
  void Append(const TJournalRecord& ARecord) const;
  // Every whole record of every month, oldest month first, each file in its order. Raises EError
  // when a file is there and cannot be read.
  std::vector<TJournalRecord> Read() const;

  // The file that keeps records of runs that ended then (an ISO 8601 date and time).
  std::u16string FileName(std::u16string_view AEnded) const;

 private:
  std::u16string FFolder;
};

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

// A record as its line in the journal, CR LF included.
std::string JournalLine(const TJournalRecord& ARecord);
// The whole records in a journal file's bytes; any other line is passed over.
std::vector<TJournalRecord> ParseJournal(std::string_view ABytes);

// The record of a row's run: which register, what it had, and how its outcome came out.
TJournalRecord JournalRecordOf(std::int32_t AComNumber, std::u16string ASerial,
                               std::u16string ADeviceName, TUpdateOutcome AOutcome,
                               std::u16string AFirmware, std::u16string AProgram);

}  // namespace kelvane
