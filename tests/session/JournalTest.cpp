// The journal: records whole or absent whatever cuts an append short, appends of several
// processes that never mix, one file per month.
#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <random>
#include <tuple>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <gtest/gtest.h>

#include "platform/Csv.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "session/Journal.h"
#include "session/JournalSample.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"
#include "support/Waiting.h"

namespace kelvane::test {
namespace {

std::string Bytes(const std::filesystem::path& AFile) {
  return ReadFileBytes(AFile.u16string());
}

TEST(Journal, ARecordReadsBackWithEveryFieldAsTheReportWritesCsv) {
  TTempDir dir;
  const TJournal journal(dir.Path().u16string());
  const TJournalRecord record = SampleRecord(u"0154000317");
  journal.Append(record);
  journal.Append(SampleRecord(u"0154000562", 5));
  const std::vector<TJournalRecord> records = journal.Read();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_TRUE(records[0] == record);
  EXPECT_EQ(records[1].ComNumber, 5);

  const std::string bytes = Bytes(dir.Path() / "journal-2026-12.csv");
  EXPECT_EQ(bytes.rfind("\xEF\xBB\xBFport;serial;device;version before;version after;result;"
                        "last step;print error;error;started;ended;firmware;build;program;"
                        "program version;check\r\n",
                        0),
            0u)
      << bytes;
  EXPECT_NE(bytes.find("COM3;0154000317;Тарвик-154Ф;A.4.3021 (16.06.2025);\"A.5.3104 (30.11.2026), "
                       "A.5.3105 (01.12.2026)\";success with print error;receipt;Нет бумаги;"
                       "\"Ошибка; \"\"в кавычках\"\"\r\nи на второй строке\";"
                       "2026-12-10T10:00:00+03:00;2026-12-10T10:00:07+03:00;"
                       "\"C:\\fw\\demo;3105.bin\";3105;kelvane-cli;1.0.0.6;"),
            std::string::npos)
      << bytes;
}

// What a register says is data: no field of the journal starts a spreadsheet formula, and the
// journal gives back exactly what was said.
TEST(Journal, TextThatCouldStartAFormulaIsWrittenInertAndReadBackAsItWas) {
  TJournalRecord record = SampleRecord(u"=HYPERLINK(\"http://example.invalid\";\"x\")");
  record.DeviceName = u"+cmd|' /C calc'!A0";
  record.Outcome.VersionBefore = u"-2+3";
  record.Outcome.PrintError = u"@SUM(1+1)";
  record.Outcome.ErrorText = u"\tTab\r\nand a line";
  record.Firmware = u"'quoted already";
  const std::string line = JournalLine(record);
  const std::optional<TCsvRecord> fields = ReadCsvRecord(line);
  ASSERT_TRUE(fields);
  for (size_t at = 0; at < line.size(); at = line.find(';', at) + 1) {
    const char first = line[at] == '"' ? line[at + 1] : line[at];
    EXPECT_EQ(std::string_view("=+-@\t\r").find(first), std::string_view::npos)
        << line.substr(at, 20);
    if (line.find(';', at) == std::string::npos) {
      break;
    }
  }
  const std::vector<TJournalRecord> read = ParseJournal(line);
  ASSERT_EQ(read.size(), 1u) << line;
  EXPECT_TRUE(read[0] == record);
  EXPECT_EQ(read[0].Serial, record.Serial);
  EXPECT_EQ(read[0].Firmware, u"'quoted already");
}

TEST(Journal, TheCheckIsTheCommonCrc32ThatOtherToolsCanVerify) {
  // Written by hand, its check by another program's CRC-32 (zip's).
  const std::vector<TJournalRecord> records = ParseJournal(
      "COM3;0154000317;Тарвик-154Ф;A.4.3021 (16.06.2025);A.5.3105 (30.11.2026);success;done;;;"
      "2026-12-09T11:11:06+03:00;2026-12-09T11:11:14+03:00;C:\\fw\\demo_3105.bin;3105;Kelvane;"
      "1.0.0.6;a47ba052\r\n");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Firmware, u"C:\\fw\\demo_3105.bin");
  EXPECT_EQ(records[0].Outcome.Result, TUpdateResult::Success);
}

TEST(Journal, ARecordOfAnEarlierVersionReadsWithItsOwnWords) {
  // Its result word held a ",", and a list of versions went unquoted.
  const std::vector<TJournalRecord> records = ParseJournal(
      "COM5;0154000562;Тарвик-154Ф;A.4.3021 (16.06.2025);A.5.3104 (30.11.2026), A.5.3105 "
      "(01.12.2026);success, print error;done;Нет бумаги;;2026-12-09T11:11:06+03:00;"
      "2026-12-09T11:11:14+03:00;C:\\fw\\demo_3105.bin;3105;Kelvane;1.0.0.6;9b971b4a\r\n");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Outcome.Result, TUpdateResult::SuccessPrintError);
  EXPECT_EQ(records[0].Outcome.VersionsAfter,
            (std::vector<std::u16string>{u"A.5.3104 (30.11.2026)", u"A.5.3105 (01.12.2026)"}));
}

// Every place a power cut may leave the last record: cut after any of its bytes, then the next
// append. The cut record is whole or absent: read only when no byte of its own is missing (its
// line end aside), every other record is read, the next one too.
TEST(Journal, ARecordCutShortAnywhereIsWholeOrAbsentAndTheNextAppendReadsWhole) {
  const std::string head = "\xEF\xBB\xBF" + std::string("port;serial\r\n");
  const std::string first = JournalLine(SampleRecord(u"S1"));
  const TJournalRecord cutRecord = SampleRecord(u"S2");
  const std::string cut = JournalLine(cutRecord);
  const size_t whole = cut.size() - 2;
  for (size_t length = 0; length <= cut.size(); ++length) {
    TTempDir dir;
    const TJournal journal(dir.Path().u16string());
    const std::u16string file = journal.FileName(IsoTime(u"2026-12-10T10:00:00+03:00"));
    ReplaceFileContent(file, head + first + cut.substr(0, length));
    EXPECT_EQ(journal.Read().size(), length == cut.size() ? 2u : 1u) << length;
    journal.Append(SampleRecord(u"S3"));
    const std::vector<TJournalRecord> records = journal.Read();
    ASSERT_EQ(records.size(), length >= whole ? 3u : 2u) << length;
    EXPECT_EQ(records.front().Serial, u"S1");
    EXPECT_EQ(records.back().Serial, u"S3");
    if (records.size() == 3) {
      EXPECT_TRUE(records[1] == cutRecord) << length;
    }
  }
}

TEST(Journal, LinesThatAreNoWholeRecordArePassedOver) {
  const std::string good = JournalLine(SampleRecord(u"S1"));
  std::string changed = good;
  changed[good.find("S1")] = 'X';
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"a changed byte", changed},
      {"no check", good.substr(0, good.rfind(';')) + "\r\n"},
      {"a bare line feed", good.substr(0, good.size() - 2) + "\n"},
      {"an open quote", "\"COM3;S1\r\n"},
      {"an empty line", "\r\n"},
      {"other text", "kelvane-cli 1.0.0.6;firmware;demo_3105.bin;build;3105\r\n"},
  };
  for (const auto& [name, line] : cases) {
    const std::vector<TJournalRecord> records = ParseJournal(good + line + good);
    EXPECT_EQ(records.size(), 2u) << name;
  }
}

TEST(Journal, GrowsByMonthOfTheRunsStart) {
  TTempDir dir;
  const TJournal journal(dir.Path().u16string());
  // A run's start and its end stand in one file, however long the run.
  for (const char16_t* started :
       {u"2026-11-30T23:59:59+03:00", u"2026-12-01T00:00:00+03:00", u"2027-01-01T00:00:01+03:00",
        u"2026-12-31T12:00:00+03:00", u"2026-09-09T09:09:09+09:00"}) {
    journal.Append(SampleRecord(started, 3, started));
  }
  // Other files in the folder are no month of the journal.
  dir.Write("Kelvane.xml", "<?xml version=\"1.0\"?>");
  dir.Write("journal-2026-1.csv", JournalLine(SampleRecord(u"other")));
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    files.push_back(entry.path().filename().string());
  }
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files,
            (std::vector<std::string>{"Kelvane.xml", "journal-2026-09.csv", "journal-2026-1.csv",
                                      "journal-2026-11.csv", "journal-2026-12.csv",
                                      "journal-2027-01.csv"}));
  std::vector<std::u16string> read;
  for (const TJournalRecord& record : journal.Read()) {
    read.push_back(record.Serial);
  }
  EXPECT_EQ(read, (std::vector<std::u16string>{
                      u"2026-09-09T09:09:09+09:00", u"2026-11-30T23:59:59+03:00",
                      u"2026-12-01T00:00:00+03:00", u"2026-12-31T12:00:00+03:00",
                      u"2027-01-01T00:00:01+03:00"}));
}

TEST(Journal, WhatIsNotARegularFileIsNeitherWrittenNorRead) {
  TTempDir dir;
  const TJournal journal(dir.Path().u16string());
  std::filesystem::create_directory(dir.Path() / "journal-2026-12.csv");
  EXPECT_THROW(journal.Append(SampleRecord(u"S1")), EError);
  EXPECT_THROW(journal.Read(), EError);
  // A folder that cannot be made: a file stands at its name.
  const TJournal under(dir.Write("plain", "") + u"/journal");
  EXPECT_THROW(under.Append(SampleRecord(u"S1")), EError);
  EXPECT_TRUE(under.Read().empty()) << "no journal yet";
  EXPECT_THROW(TJournal(u"").Append(SampleRecord(u"S1")), EError);
  EXPECT_THROW(journal.Append(SampleRecord(u"S1", 3, u"")), EError) << "a run without its start";
}

// The record of a run's start, as the row model writes it before the run's first driver call.
TJournalRecord StartOf(const TJournalRecord& AEnd) {
  TJournalRecord start = AEnd;
  start.Outcome.Result = TUpdateResult::Started;
  start.Outcome.LastStep = TUpdateStep::None;
  start.Outcome.VersionsAfter.clear();
  start.Outcome.PrintError.reset();
  start.Outcome.ErrorText.clear();
  start.Outcome.Ended.reset();
  return start;
}

TEST(Journal, AStartMetByItsEndIsOneRunAndAStartWithoutOneWasInterrupted) {
  TTempDir dir;
  const TJournal journal(dir.Path().u16string());
  const TJournalRecord first = SampleRecord(u"S3", 3);
  TJournalRecord again = SampleRecord(u"S3", 3);
  again.Outcome.Result = TUpdateResult::Stopped;
  const TJournalRecord killed = SampleRecord(u"S4", 4);
  // The same port twice within one second, and a run whose program ended during it.
  for (const TJournalRecord& record :
       {StartOf(first), StartOf(killed), first, StartOf(again), again}) {
    journal.Append(record);
  }
  const std::vector<TJournalRecord> records = journal.Read();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_TRUE(records[0] == first);
  EXPECT_TRUE(records[1] == again);
  TJournalRecord interrupted = StartOf(killed);
  interrupted.Outcome.Result = TUpdateResult::Interrupted;
  EXPECT_TRUE(records[2] == interrupted) << ResultName(records[2].Outcome.Result);
  EXPECT_EQ(records[2].Outcome.Started, killed.Outcome.Started);
  EXPECT_EQ(records[2].Firmware, killed.Firmware);
}

// A record of exactly the longest length is read; one byte more is broken.
TEST(Journal, ARecordOfTheLongestLengthIsReadAndALongerOneIsNot) {
  TJournalRecord record = SampleRecord(u"S1");
  record.Outcome.ErrorText.clear();
  const size_t base = JournalLine(record).size();
  for (const size_t extra : {size_t{0}, size_t{1}}) {
    record.Outcome.ErrorText = std::u16string(kLongestJournalRecord - base + extra, u'x');
    ASSERT_EQ(JournalLine(record).size(), kLongestJournalRecord + extra);
    TJournalParser parser([](const TJournalRecord&) {});
    parser.Feed(JournalLine(record));
    parser.Finish();
    EXPECT_EQ(parser.FailedChecks(), extra) << extra;
  }
}

// An end completes only its own run's start: the same register at the same second from the
// window and from kelvane-cli are two runs.
TEST(Journal, AnEndMeetsTheStartOfItsOwnProgram) {
  TJournalRecord window = SampleRecord(u"S3", 3);
  window.Program = u"Kelvane";
  const TJournalRecord cli = SampleRecord(u"S3", 3);
  const std::vector<TJournalRecord> records =
      ParseJournal(JournalLine(StartOf(window)) + JournalLine(StartOf(cli)) + JournalLine(cli));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_TRUE(records[0] == cli);
  EXPECT_EQ(records[1].Program, u"Kelvane");
  EXPECT_EQ(records[1].Outcome.Result, TUpdateResult::Interrupted);
}

// As many runs open at once as are held open: the oldest still meets its end.
TEST(Journal, TheMostStartsHeldOpenStillMeetTheirEnds) {
  constexpr int kHeld = 4096;
  std::string lines;
  for (int i = 0; i < kHeld; ++i) {
    lines += JournalLine(StartOf(SampleRecord(IntToStr(i))));
  }
  lines += JournalLine(SampleRecord(u"0"));
  size_t interrupted = 0;
  const std::vector<TJournalRecord> records = ParseJournal(lines);
  for (const TJournalRecord& record : records) {
    interrupted += record.Outcome.Result == TUpdateResult::Interrupted ? 1 : 0;
  }
  EXPECT_EQ(records.size(), static_cast<size_t>(kHeld));
  EXPECT_EQ(interrupted, static_cast<size_t>(kHeld - 1));
}

TEST(Journal, AMonthThatCannotBeReadIsNamedAndTheOthersAreStillRead) {
  TTempDir dir;
  const TJournal journal(dir.Path().u16string());
  journal.Append(SampleRecord(u"S1", 3, u"2026-11-10T10:00:00+03:00"));
  journal.Append(SampleRecord(u"S2", 3, u"2027-01-10T10:00:00+03:00"));
  const std::filesystem::path blocked = dir.Path() / "journal-2026-12.csv";
  std::vector<std::pair<const char*, std::function<void()>>> cases = {
      {"a folder", [&] { std::filesystem::create_directory(blocked); }}};
#ifndef _WIN32
  cases.push_back({"a FIFO", [&] { ASSERT_EQ(mkfifo(blocked.c_str(), 0600), 0); }});
  cases.push_back(
      {"a link to a device", [&] { std::filesystem::create_symlink("/dev/null", blocked); }});
#endif
  for (const auto& [name, make] : cases) {
    std::filesystem::remove(blocked);
    make();
    std::vector<std::u16string> serials;
    const TJournalReading reading =
        journal.ReadEach([&](const TJournalRecord& ARecord) { serials.push_back(ARecord.Serial); });
    EXPECT_EQ(serials, (std::vector<std::u16string>{u"S1", u"S2"})) << name;
    ASSERT_EQ(reading.Problems.size(), 1u) << name;
    EXPECT_NE(reading.Problems[0].find(blocked.u16string()), std::u16string::npos)
        << ToUtf8(reading.Problems[0]);
    EXPECT_THROW(journal.Read(), EError) << name;
  }
}

TEST(Journal, LinesThatFailTheirCheckAreCountedAndTheRecordsAroundThemRead) {
  const std::string good = JournalLine(SampleRecord(u"S1"));
  std::string changed = good;
  changed[good.find("S1")] = 'X';
  // What a spreadsheet saves back: its own separator, no check that still holds.
  std::string resaved = good;
  std::replace(resaved.begin(), resaved.end(), ';', ',');
  const std::string head = "\xEF\xBB\xBFport;serial;device;version before;version after;result;"
                           "last step;print error;error;started;ended;firmware;build;program;"
                           "program version;check\r\n";
  const std::vector<std::tuple<const char*, std::string, size_t>> cases = {
      {"the column names and an empty line", head + "\r\n", 0},
      {"a changed byte", changed, 1},
      // Its error text holds a line end: two lines, neither of which starts a record now.
      {"saved back by a spreadsheet", resaved, 2},
      {"an open quote", "\"COM3;S1\r\n", 1},
      {"a line longer than any record", std::string(kLongestJournalRecord + 10, ';') + "\r\n", 1},
      {"twenty megabytes of separators", std::string(20u << 20, ';') + "\r\n", 1},
      {"a record cut short", good.substr(0, good.size() / 2) + "\r\n", 1},
  };
  for (const auto& [name, lines, failed] : cases) {
    std::vector<TJournalRecord> records;
    TJournalParser parser([&](const TJournalRecord& ARecord) { records.push_back(ARecord); });
    // Fed in pieces of every size, as a file is read.
    const std::string bytes = good + lines + good;
    for (size_t at = 0, piece = 1; at < bytes.size(); at += piece, piece = piece * 3 + 1) {
      parser.Feed(std::string_view(bytes).substr(at, piece));
    }
    parser.Finish();
    EXPECT_EQ(records.size(), 2u) << name;
    EXPECT_EQ(parser.FailedChecks(), failed) << name;
  }
}

TEST(JournalQueue, KeepsWhatCannotBeWrittenForTheNextTryAndLetsNoRecordHoldUpAnother) {
  TTempDir dir;
  TJournalQueue queue{TJournal(dir.Path().u16string())};
  // The month's file held: a folder stands at its name.
  const std::filesystem::path held = dir.Path() / "journal-2026-12.csv";
  std::filesystem::create_directory(held);
  EXPECT_TRUE(queue.Add(SampleRecord(u"S1")).has_value());
  EXPECT_TRUE(queue.Add(SampleRecord(u"S2")).has_value());
  // A record that can never be written stays kept, and holds up no other.
  const std::optional<std::u16string> problem = queue.Add(SampleRecord(u"bad", 3, u""));
  EXPECT_EQ(queue.Kept(), 3u);
  // The first record's reason: the held month, not the record without a start.
  ASSERT_TRUE(problem.has_value());
  EXPECT_NE(problem->find(held.u16string()), std::u16string::npos) << ToUtf8(*problem);
  std::filesystem::remove(held);
  EXPECT_TRUE(queue.Add(SampleRecord(u"S3")).has_value()) << "the bad one still fails";
  EXPECT_EQ(queue.Kept(), 1u);
  std::vector<std::u16string> serials;
  for (const TJournalRecord& record : queue.Journal().Read()) {
    serials.push_back(record.Serial);
  }
  EXPECT_EQ(serials, (std::vector<std::u16string>{u"S1", u"S2", u"S3"}));
}

// The serials of every record of the journal, by the process that wrote them (the serial), in
// the order read (the device name counts each process's records).
std::map<std::u16string, std::vector<std::u16string>> ByWriter(const TJournal& AJournal) {
  std::map<std::u16string, std::vector<std::u16string>> writers;
  for (const TJournalRecord& record : AJournal.Read()) {
    writers[record.Serial].push_back(record.DeviceName);
  }
  return writers;
}

std::vector<std::u16string> Counted(int AFrom, int ACount) {
  std::vector<std::u16string> numbers;
  for (int i = AFrom; i < AFrom + ACount; ++i) {
    numbers.push_back(IntToStr(i));
  }
  return numbers;
}

TEST(JournalProcesses, TwoAppendingAtOnceNeitherMixNorLoseARecord) {
  TTempDir dir;
  const std::u16string folder = dir.Path().u16string();
  TChildProcess a("journal_appender", {folder, u"A", u"1000"});
  TChildProcess b("journal_appender", {folder, u"B", u"1000"});
  ASSERT_TRUE(a.Started() && b.Started());
  EXPECT_EQ(a.Wait(), 0);
  EXPECT_EQ(b.Wait(), 0);
  const auto writers = ByWriter(TJournal(folder));
  ASSERT_EQ(writers.size(), 2u);
  EXPECT_EQ(writers.at(u"A"), Counted(0, 1000));
  EXPECT_EQ(writers.at(u"B"), Counted(0, 1000));
}

TEST(JournalProcesses, AWriterKilledAtRandomPointsLeavesOnlyWholeRecords) {
  TTempDir dir;
  const std::u16string folder = dir.Path().u16string();
  const TJournal journal(folder);
  std::mt19937 random(std::random_device{}());
  size_t writers = 6;
  for (int round = 0; round < 6; ++round) {
    const std::u16string tag = u"K" + IntToStr(round);
    const size_t more = std::uniform_int_distribution<size_t>(1, 60)(random);
    {
      TChildProcess writer("journal_appender", {folder, tag, u"0"});
      ASSERT_TRUE(writer.Started());
      ASSERT_TRUE(WaitUntil([&] { return ByWriter(journal)[tag].size() >= more; }));
      writer.Kill();
      EXPECT_NE(writer.Wait(), 0);
    }
    // Every record the killed process wrote is whole, in its order.
    const std::vector<std::u16string> written = ByWriter(journal)[tag];
    EXPECT_GE(written.size(), more);
    EXPECT_EQ(written, Counted(0, static_cast<int>(written.size())));
    // Now and then a power cut takes the end of the last record with it, into its check (a cut
    // of its line end alone leaves it whole, and the next append ends its line): a writer whose
    // only record it was is gone from the journal.
    if (round % 2 == 1) {
      const std::filesystem::path file = journal.FileName(IsoTime(u"2026-12-10T10:00:00+03:00"));
      const auto size = std::filesystem::file_size(file);
      std::filesystem::resize_file(
          file, size - std::uniform_int_distribution<std::uintmax_t>(3, 100)(random));
      const std::map<std::u16string, std::vector<std::u16string>> after = ByWriter(journal);
      const std::vector<std::u16string> left =
          after.contains(tag) ? after.at(tag) : std::vector<std::u16string>{};
      EXPECT_EQ(left, Counted(0, static_cast<int>(written.size()) - 1));
      writers -= left.empty() ? 1 : 0;
    }
  }
  EXPECT_EQ(ByWriter(journal).size(), writers);
}

}  // namespace
}  // namespace kelvane::test
