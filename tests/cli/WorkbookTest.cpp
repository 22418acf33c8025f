// The workbooks of kelvane-cli's report and journal, read back as a spreadsheet reads them: each
// cell's type and value, the frozen header, the columns' widths.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include "cli/CliArguments.h"
#include "cli/CliRun.h"
#include "cli/Report.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "session/JournalSample.h"
#include "support/TempDir.h"
#include "support/WorkbookReader.h"

namespace kelvane::test {
namespace {

using enum TWorkbookCell::TKind;

struct TExpectedCell {
  const char* Ref;
  TWorkbookCell::TKind Kind;
  std::string Value;
};

// A date-time as the number a spreadsheet stores: days since 30 December 1899.
std::string Serial(double ADays, int AHour, int AMinute, int ASecond) {
  return std::to_string(ADays + (AHour * 3600 + AMinute * 60 + ASecond) / 86400.0);
}

void ExpectCells(const TWorkbookSheet& ASheet, const std::vector<TExpectedCell>& AExpected) {
  for (const TExpectedCell& expected : AExpected) {
    const auto found = ASheet.Cells.find(expected.Ref);
    ASSERT_NE(found, ASheet.Cells.end()) << expected.Ref;
    const TWorkbookCell& cell = found->second;
    EXPECT_EQ(cell.Kind, expected.Kind) << expected.Ref;
    if (expected.Kind == DateTime) {
      EXPECT_NEAR(std::stod(cell.Value), std::stod(expected.Value), 1e-6) << expected.Ref;
    } else {
      EXPECT_EQ(cell.Value, expected.Value) << expected.Ref;
    }
  }
}

size_t CodePoints(const std::string& AText) {
  return FromUtf8(AText).size();
}

// Every text is whole in its column (up to the widest a column gets).
void ExpectWideEnough(const TWorkbookSheet& ASheet) {
  for (const auto& [ref, cell] : ASheet.Cells) {
    const size_t column = static_cast<size_t>(ref[0] - 'A');
    ASSERT_LT(column, ASheet.Widths.size()) << ref;
    if (cell.Kind == Text) {
      EXPECT_GE(ASheet.Widths[column], std::min<size_t>(CodePoints(cell.Value), 80)) << ref;
    }
  }
}

TEST(Workbook, TheReportGivesEveryCellItsTypeAndKeepsItsHeaderInView) {
  TReportRow updated;
  updated.ComNumber = 3;
  updated.Serial = u"0154000317";
  // Text from a register that a spreadsheet could take for a formula.
  updated.DeviceName = u"=HYPERLINK(\"http://x\";\"Тарвик\")";
  TUpdateOutcome& outcome = updated.Outcome;
  outcome.VersionBefore = u"A.4.3021 (16.06.2025)";
  outcome.VersionsAfter = {u"A.5.3104 (30.11.2026)", u"A.5.3105 (01.12.2026)"};
  outcome.Result = TUpdateResult::SuccessPrintError;
  outcome.LastStep = TUpdateStep::Done;
  outcome.PrintError = u"Нет бумаги";
  outcome.FinalText = u"Успешно завершено: A.5.3105 (01.12.2026) Ошибка печати: Нет бумаги";
  outcome.Started = IsoTime(u"2026-12-09T11:11:06+03:00");
  outcome.Ended = IsoTime(u"2026-12-09T11:11:14-05:30");
  outcome.Seconds = 7.71;
  TReportRow missing;
  missing.Serial = u"S9";
  missing.Kind = TRowKind::NotFound;
  const TWorkbookSheet sheet = ReadWorkbook(
      ReportWorkbook({u"1.0.0.6", u"C:\\fw\\demo_3105.bin", 3105}, {updated, missing}));

  ExpectCells(sheet, {{"A1", Text, "kelvane-cli 1.0.0.6"},
                      {"C1", Text, "C:\\fw\\demo_3105.bin"},
                      {"E1", Number, "3105"},
                      {"A2", Text, "port"},
                      {"M2", Text, "seconds"},
                      {"A3", Text, "COM3"},
                      {"B3", Text, "0154000317"},
                      {"C3", Text, "=HYPERLINK(\"http://x\";\"Тарвик\")"},
                      {"D3", Text, "A.4.3021 (16.06.2025)"},
                      {"E3", Text, "A.5.3104 (30.11.2026), A.5.3105 (01.12.2026)"},
                      {"F3", Text, "success with print error"},
                      {"H3", Text, "Нет бумаги"},
                      {"K3", DateTime, Serial(46365, 11, 11, 6)},
                      {"L3", DateTime, Serial(46365, 11, 11, 14)},
                      {"M3", Number, "7.7"},
                      {"B4", Text, "S9"},
                      {"F4", Text, "not found"}});
  // Each time shows the offset it was taken at.
  EXPECT_NE(sheet.Cells.at("K3").Format.find("+03:00"), std::string::npos);
  EXPECT_NE(sheet.Cells.at("L3").Format.find("-05:30"), std::string::npos);
  EXPECT_EQ(sheet.Cells.at("M3").Format, "0.0");
  // Texts stay texts when edited: a serial keeps its leading zero.
  EXPECT_EQ(sheet.Cells.at("B3").Format, "@");
  // A row without times or seconds has no such cells, rather than empty texts.
  for (const char* ref : {"A4", "K4", "L4", "M4"}) {
    EXPECT_EQ(sheet.Cells.count(ref), 0u) << ref;
  }
  EXPECT_EQ(sheet.FrozenBelow, "A3");
  ExpectWideEnough(sheet);
}

struct TJournalRun {
  int Status;
  std::string Out;
  std::string Err;
};

TJournalRun Journal(const TTempDir& ADir, const std::u16string& AWorkbook) {
  TJournalRun run{};
  TCliIo io;
  io.Out = [&](const std::string& AText) { run.Out += AText; };
  io.Err = [&](const std::string& AText) { run.Err += AText; };
  io.JournalFolder = ADir.Path().u16string();
  run.Status = RunCli(ParseCliArguments({u"journal", u"--xlsx", AWorkbook}), io);
  return run;
}

TEST(Workbook, TheJournalGoesIntoAWorkbookRecordByRecord) {
  TTempDir dir;
  const TJournal journal(dir.Path().u16string());
  journal.Append(SampleRecord(u"0154000317"));
  journal.Append(SampleRecord(u"0154000562", 5));
  const std::u16string file = (dir.Path() / "журнал.xlsx").u16string();
  const TJournalRun run = Journal(dir, file);
  ASSERT_EQ(run.Status, kExitSuccess) << run.Err;
  EXPECT_NE(run.Out.find("(записей: 2)"), std::string::npos) << run.Out;
  EXPECT_EQ(run.Out.find("0154000317"), std::string::npos) << "the records go to the workbook";

  const TWorkbookSheet sheet = ReadWorkbook(ReadFileBytes(file));
  ExpectCells(sheet, {{"A1", Text, "port"},
                      {"O1", Text, "program version"},
                      {"A2", Text, "COM3"},
                      {"B2", Text, "0154000317"},
                      {"F2", Text, "success with print error"},
                      {"I2", Text, "Ошибка; \"в кавычках\"\r\nи на второй строке"},
                      {"J2", DateTime, Serial(46366, 10, 0, 0)},
                      {"K2", DateTime, Serial(46366, 10, 0, 7)},
                      {"L2", Text, "C:\\fw\\demo;3105.bin"},
                      {"M2", Number, "3105"},
                      {"A3", Text, "COM5"},
                      {"B3", Text, "0154000562"}});
  EXPECT_EQ(sheet.Cells.count("P1"), 0u) << "no check: it holds for a journal's line alone";
  EXPECT_EQ(sheet.FrozenBelow, "A2");
  ExpectWideEnough(sheet);
}

// An empty journal still gives a workbook: the columns' names alone, said as written.
TEST(Workbook, AnEmptyJournalGivesAWorkbookOfItsColumnsAlone) {
  TTempDir dir;
  const std::u16string file = (dir.Path() / "j.xlsx").u16string();
  const TJournalRun run = Journal(dir, file);
  EXPECT_EQ(run.Status, kExitSuccess);
  EXPECT_EQ(run.Err, "") << "the workbook's line says it";
  EXPECT_NE(run.Out.find("(записей: 0)"), std::string::npos) << run.Out;
  const TWorkbookSheet sheet = ReadWorkbook(ReadFileBytes(file));
  EXPECT_EQ(sheet.Cells.at("A1").Value, "port");
  EXPECT_EQ(sheet.Cells.count("A2"), 0u);
}

// A workbook that cannot be written whole leaves the one there as it was.
TEST(Workbook, AJournalsWorkbookThatCannotBeWrittenLeavesTheOldOneWhole) {
  TTempDir dir;
  TJournal(dir.Path().u16string()).Append(SampleRecord(u"0154000317"));
  const std::u16string file = (dir.Path() / "j.xlsx").u16string();
  WriteFileDurably(file, "the earlier workbook");
  SetFileWriteLimit(100);
  const TJournalRun run = Journal(dir, file);
  SetFileWriteLimit(std::nullopt);
  EXPECT_EQ(run.Status, kExitOutput);
  EXPECT_NE(run.Err.find("книгу не записать"), std::string::npos) << run.Err;
  EXPECT_EQ(ReadFileBytes(file), "the earlier workbook");
}

// The system's temporary folder named elsewhere for the life of the scope.
class TTemporaryFolderScope {
 public:
  explicit TTemporaryFolderScope(const std::filesystem::path& AFolder) { Set(AFolder.native()); }
  ~TTemporaryFolderScope() { Set(FKept); }
  TTemporaryFolderScope(const TTemporaryFolderScope&) = delete;
  TTemporaryFolderScope& operator=(const TTemporaryFolderScope&) = delete;

 private:
#ifdef _WIN32
  void Set(const std::wstring& AFolder) {
    SetEnvironmentVariableW(L"TMP", AFolder.empty() ? nullptr : AFolder.c_str());
  }
  std::wstring FKept = std::filesystem::temp_directory_path().native();
#else
  void Set(const std::string& AFolder) {
    AFolder.empty() ? unsetenv("TMPDIR") : setenv("TMPDIR", AFolder.c_str(), 1);
  }
  std::string FKept = std::getenv("TMPDIR") != nullptr ? std::getenv("TMPDIR") : "";
#endif
};

// Where the workbook cannot be begun, that is said before the journal is read, and nothing is
// written.
TEST(Workbook, AWorkbookThatCannotBeBegunIsRefusedBeforeAnythingIsRead) {
  TTempDir dir;
  TJournal(dir.Path().u16string()).Append(SampleRecord(u"0154000317"));
  const std::u16string file = (dir.Path() / "j.xlsx").u16string();
  TJournalRun run{};
  {
    const TTemporaryFolderScope missing(dir.Path() / "no such folder");
    run = Journal(dir, file);
  }
  EXPECT_EQ(run.Status, kExitUsage);
  EXPECT_NE(run.Err.find("книгу не записать: нет папки для временных файлов"), std::string::npos)
      << run.Err;
  EXPECT_FALSE(FileExists(file));
}

}  // namespace
}  // namespace kelvane::test
