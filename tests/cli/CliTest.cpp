// kelvane-cli's parts: its arguments, its report and its live display. The program as a whole,
// run as a process against benches, is CliProcessTest.
#include <nlohmann/json.hpp>
#include <tuple>

#include <gtest/gtest.h>

#include "cli/CliArguments.h"
#include "cli/CliRun.h"
#include "cli/LiveDisplay.h"
#include "cli/Report.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "session/JournalSample.h"
#include "support/TempDir.h"

namespace kelvane::test {
namespace {

std::vector<std::u16string> Arguments(std::initializer_list<const char*> AItems) {
  std::vector<std::u16string> arguments;
  for (const char* item : AItems) {
    arguments.push_back(FromUtf8(item));
  }
  return arguments;
}

struct TArgumentsCase {
  const char* Name;
  std::vector<std::u16string> Arguments;
  // Empty: accepted.
  std::string Error;
  TCliCommand::TKind Kind = TCliCommand::Search;
  friend void PrintTo(const TArgumentsCase& c, std::ostream* os) { *os << c.Name; }
};

class CliArguments : public testing::TestWithParam<TArgumentsCase> {};

TEST_P(CliArguments, AreTakenOrRefusedInOneRussianLineNamingTheBadItem) {
  const TArgumentsCase& c = GetParam();
  try {
    const TCliCommand command = ParseCliArguments(c.Arguments);
    EXPECT_TRUE(c.Error.empty()) << "accepted";
    EXPECT_EQ(command.Kind, c.Kind);
  } catch (const ECliUsage& e) {
    const std::string message = ToUtf8(e.Message());
    EXPECT_NE(message.find(c.Error), std::string::npos) << message;
    EXPECT_FALSE(c.Error.empty()) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << "one line";
    EXPECT_LT(message.size(), 200u) << "the bad item alone";
  }
}

const std::string kLongList = "3," + std::string(24000, '9') + "x";

INSTANTIATE_TEST_SUITE_P(
    Lines, CliArguments,
    testing::Values(
        TArgumentsCase{"Search", Arguments({"search"}), "", TCliCommand::Search},
        TArgumentsCase{"SearchJson", Arguments({"search", "--json"}), "", TCliCommand::Search},
        TArgumentsCase{"Update", Arguments({"update", "fw_3105.bin"}), "", TCliCommand::Update},
        TArgumentsCase{"DryRun", Arguments({"update", "--dry-run", "fw.bin"}), "",
                       TCliCommand::Update},
        TArgumentsCase{"Help", Arguments({"--help"}), "", TCliCommand::Help},
        TArgumentsCase{"UpdateHelp", Arguments({"update", "-h"}), "", TCliCommand::Help},
        TArgumentsCase{"Version", Arguments({"--version"}), "", TCliCommand::Version},
        TArgumentsCase{"Nothing", {}, "не указана команда"},
        TArgumentsCase{"UnknownCommand", Arguments({"flash"}), "неизвестная команда «flash»"},
        TArgumentsCase{"OptionFirst", Arguments({"--ports", "3"}), "«--ports»"},
        TArgumentsCase{"NoFirmware", Arguments({"update"}), "не указан файл прошивки"},
        TArgumentsCase{"UnknownOption", Arguments({"update", "fw.bin", "--fast"}),
                       "неизвестный параметр «--fast»"},
        TArgumentsCase{"JsonIsSearchs", Arguments({"update", "fw.bin", "--json"}), "«--json»"},
        TArgumentsCase{"SearchTakesNoFile", Arguments({"search", "fw.bin"}),
                       "лишний аргумент «fw.bin»"},
        TArgumentsCase{"NoValue", Arguments({"update", "fw.bin", "--ports"}),
                       "у параметра --ports нет значения"},
        TArgumentsCase{"Twice", Arguments({"update", "fw.bin", "--ports", "3", "--ports=4"}),
                       "--ports указан дважды"},
        TArgumentsCase{"BadPorts", Arguments({"update", "fw.bin", "--ports", "3, x7 ,5"}),
                       "--ports: «x7»"},
        TArgumentsCase{"LongBadPorts", Arguments({"update", "fw.bin", "--ports", kLongList.c_str()}),
                       "--ports: «99999"},
        TArgumentsCase{"NegativePort", Arguments({"update", "fw.bin", "--ports", "-3"}),
                       "--ports: «-3»"},
        TArgumentsCase{"EmptySerial", Arguments({"update", "fw.bin", "--serials", "A,,B"}),
                       "--serials"},
        TArgumentsCase{"Journal",
                       Arguments({"journal", "--since", "2024-02-29", "--serial=S3", "--json"}),
                       "", TCliCommand::Journal},
        TArgumentsCase{"JournalSinceNoDate", Arguments({"journal", "--since", "10.12.2026"}),
                       "--since: «10.12.2026» — не дата"},
        TArgumentsCase{"JournalSinceNoDay", Arguments({"journal", "--since", "2026-02-29"}),
                       "«2026-02-29»"},
        TArgumentsCase{"JournalEmptySerial", Arguments({"journal", "--serial="}),
                       "--serial: пустой заводской номер"},
        TArgumentsCase{"UpdateTakesNoSince",
                       Arguments({"update", "fw.bin", "--since", "2026-12-01"}),
                       "неизвестный параметр «--since» команды update"},
        TArgumentsCase{"JournalTakesNoPorts", Arguments({"journal", "--ports", "3"}),
                       "неизвестный параметр «--ports» команды journal"},
        TArgumentsCase{"JournalWorkbookOfAnotherKind", Arguments({"journal", "--xlsx", "j.csv"}),
                       "--xlsx: книга пишется в файл .xlsx, а не «j.csv»"},
        TArgumentsCase{"JournalAsJsonAndWorkbook",
                       Arguments({"journal", "--xlsx", "j.xlsx", "--json"}),
                       "--json и --xlsx вместе"},
        TArgumentsCase{"ReportOfAnotherKind", Arguments({"update", "fw.bin", "--report", "r.txt"}),
                       "--report: отчёт пишется в файл .csv, .json или .xlsx, а не «r.txt»"},
        TArgumentsCase{"ReportNamedLikeJsonWithoutItsPoint",
                       Arguments({"update", "fw.bin", "--report", "r.xjson"}),
                       "--report: отчёт пишется в файл .csv, .json или .xlsx, а не «r.xjson»"}),
    [](const testing::TestParamInfo<TArgumentsCase>& info) { return info.param.Name; });

// When several outcomes apply, the status is that of the one ranked first: every pair of them.
TEST(CliExitStatus, TheFirstInRankOfEveryPairOfOutcomesWins) {
  using TField = bool TRunFacts::*;
  const std::vector<std::pair<TField, int>> ranked = {
      {&TRunFacts::Usage, 3},      {&TRunFacts::Interrupted, 130}, {&TRunFacts::Failed, 2},
      {&TRunFacts::OutputLost, 5}, {&TRunFacts::NothingToDo, 4},   {&TRunFacts::NoReceipt, 1}};
  EXPECT_EQ(ExitStatusOf({}), 0);
  for (size_t first = 0; first < ranked.size(); ++first) {
    TRunFacts alone;
    alone.*ranked[first].first = true;
    EXPECT_EQ(ExitStatusOf(alone), ranked[first].second);
    for (size_t second = first + 1; second < ranked.size(); ++second) {
      TRunFacts both = alone;
      both.*ranked[second].first = true;
      EXPECT_EQ(ExitStatusOf(both), ranked[first].second) << first << " " << second;
    }
  }
}

TEST(CliArgumentsChoice, UpdateTakesEveryChoice) {
  const TCliCommand command = ParseCliArguments(
      Arguments({"update", "C:\\fw\\прошивка_3105.bin", "--tables", "t.csv", "--ports",
                 "3, COM5,com10", "--serials=0154000317,S2", "--report", "R.JSON", "--dry-run"}));
  EXPECT_EQ(command.Choice.Firmware, u"C:\\fw\\прошивка_3105.bin");
  EXPECT_EQ(command.Choice.Tables, u"t.csv");
  EXPECT_EQ(command.Choice.Ports, (std::vector<std::int32_t>{3, 5, 10}));
  EXPECT_EQ(command.Choice.Serials, (std::vector<std::u16string>{u"0154000317", u"S2"}));
  EXPECT_EQ(command.Report, u"R.JSON");
  EXPECT_TRUE(command.DryRun);
  EXPECT_FALSE(ParseCliArguments(Arguments({"update", "fw.bin"})).Choice.Tables.has_value());
  const TCliCommand journal =
      ParseCliArguments(Arguments({"journal", "--since=2026-12-01", "--serial", "0154000317"}));
  ASSERT_TRUE(journal.Since);
  EXPECT_EQ(std::tie(journal.Since->Year, journal.Since->Month, journal.Since->Day),
            std::make_tuple(2026, 12, 1));
  EXPECT_EQ(journal.Serial, u"0154000317");
  const std::string help = CliHelpText();
  for (const char* part : {"Коды завершения", "130", "Примеры", "KELVANE_BENCH", "--dry-run"}) {
    EXPECT_NE(help.find(part), std::string::npos) << part;
  }
}

std::vector<TReportRow> SampleRows() {
  TReportRow failed;
  failed.ComNumber = 3;
  failed.Serial = u"0154000317";
  failed.DeviceName = u"Тарвик-154Ф";
  failed.Outcome.VersionBefore = u"A.4.3021 (16.06.2025)";
  failed.Outcome.VersionsAfter = {u"A.5.3105 (01.12.2026)"};
  failed.Outcome.Result = TUpdateResult::Failed;
  failed.Outcome.LastStep = TUpdateStep::VersionCheck;
  failed.Outcome.ErrorText = u"сбой; \"блок\" 2";
  failed.Outcome.FinalText = u"Ошибка: сбой; \"блок\" 2";
  failed.Outcome.Started = IsoTime(u"2026-12-09T10:00:00+03:00");
  failed.Outcome.Ended = IsoTime(u"2026-12-09T10:00:12+03:00");
  failed.Outcome.Seconds = 12.34;
  TReportRow empty;
  empty.ComNumber = 7;
  empty.Kind = TRowKind::NoRegister;
  empty.Note = u"Ошибка: Неверный номер модели";
  TReportRow missing;
  missing.Serial = u"S9";
  missing.Kind = TRowKind::NotFound;
  // Registers never touched: one not chosen, one chosen and not started.
  TReportRow notChosen;
  notChosen.ComNumber = 5;
  notChosen.Serial = u"0154000562";
  notChosen.DeviceName = u"Тарвик-154Ф";
  notChosen.Outcome.VersionBefore = u"A.3.2810 (22.03.2024)";
  notChosen.Kind = TRowKind::NotChosen;
  TReportRow notStarted = notChosen;
  notStarted.ComNumber = 6;
  notStarted.Kind = TRowKind::Updated;
  return {failed, empty, missing, notChosen, notStarted};
}

const TReportHeader kHeader{u"1.0.0.6", u"C:\\fw\\demo_3105.bin", 3105};

// A report that cannot be written whole (here: the disk fills up) is said by its own name, not by
// that of the new file beside it, which goes away.
TEST(CliReport, AReportThatCannotBeWrittenIsNamedByItsOwnPath) {
  TTempDir dir;
  const std::u16string report = (dir.Path() / "r.csv").u16string();
  SetFileWriteLimit(10);
  try {
    WriteReport(report, kHeader, SampleRows());
    ADD_FAILURE() << "written on a full disk";
  } catch (const EError& e) {
    EXPECT_NE(e.Message().find(u"\"" + report + u"\""), std::u16string::npos)
        << ToUtf8(e.Message());
  }
  SetFileWriteLimit(std::nullopt);
  EXPECT_FALSE(FileExists(report));
}

TEST(CliReport, CsvAndJsonHoldEveryFieldOfEveryRow) {
  const std::string csv = ReportCsv(kHeader, SampleRows());
  EXPECT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_NE(csv.find("kelvane-cli 1.0.0.6;firmware;C:\\fw\\demo_3105.bin;build;3105\r\n"
                     "port;serial;device;version before;version after;result;last step;"
                     "print error;error;final text;started;ended;seconds\r\n"),
            std::string::npos)
      << csv;
  EXPECT_NE(csv.find("\r\nCOM3;0154000317;Тарвик-154Ф;A.4.3021 (16.06.2025);A.5.3105 (01.12.2026);"
                     "failed;version check;;\"сбой; \"\"блок\"\" 2\";\"Ошибка: сбой; \"\"блок\"\" "
                     "2\";2026-12-09T10:00:00+03:00;2026-12-09T10:00:12+03:00;12.3\r\n"),
            std::string::npos)
      << csv;
  EXPECT_NE(csv.find("\r\nCOM7;;;;;no register;;;Ошибка: Неверный номер модели;;;;\r\n"),
            std::string::npos)
      << csv;
  EXPECT_NE(csv.find("\r\n;S9;;;;not found;;;;;;;\r\n"), std::string::npos) << csv;
  // A register never touched has nothing but what the identification read: every column.
  EXPECT_NE(csv.find("\r\nCOM5;0154000562;Тарвик-154Ф;A.3.2810 (22.03.2024);;not chosen;;;;;;;"
                     "\r\nCOM6;0154000562;Тарвик-154Ф;A.3.2810 (22.03.2024);;not started;;;;;;;"
                     "\r\n"),
            std::string::npos)
      << csv;

  const nlohmann::json json = nlohmann::json::parse(ReportJson(kHeader, SampleRows()));
  EXPECT_EQ(json["version"], "1.0.0.6");
  EXPECT_EQ(json["build"], 3105);
  ASSERT_EQ(json["registers"].size(), 5u);
  const nlohmann::json& row = json["registers"][0];
  EXPECT_EQ(row["port"], "COM3");
  EXPECT_EQ(row["versionsAfter"], nlohmann::json::array({"A.5.3105 (01.12.2026)"}));
  EXPECT_EQ(row["result"], "failed");
  EXPECT_EQ(row["lastStep"], "version check");
  EXPECT_EQ(row["error"], "сбой; \"блок\" 2");
  EXPECT_DOUBLE_EQ(row["seconds"].get<double>(), 12.3);
  EXPECT_EQ(json["registers"][2]["result"], "not found");

  TTempDir dir;
  const std::u16string file = (dir.Path() / "report.Json").u16string();
  WriteReport(file, kHeader, SampleRows());
  EXPECT_EQ(ReadFileBytes(file), ReportJson(kHeader, SampleRows()));
  EXPECT_THROW(WriteReport((dir.Path() / "report.txt").u16string(), kHeader, {}), EError);
}

TLiveRow Row(std::int32_t APort, const char16_t* APercent, const char16_t* AText,
             std::int32_t AStep, bool AEnded = false, bool AFailed = false) {
  return {APort, APercent, AText, AStep, 100, AEnded, AFailed};
}

TEST(CliDisplay, OnATerminalRedrawsInPlaceCutToTheWidth) {
  std::string out;
  TLiveDisplay live(
      true, [] { return std::optional<std::pair<int, int>>({41, 24}); },
      [&](const std::string& AText) { out += AText; });
  const std::vector<TLiveRow> rows = {Row(3, u"0%", u"Отключение СКоК", 1),
                                      Row(10, u"50%", u"Загрузка прошивки", 50)};
  live.Show(rows);
  live.Show(rows);
  EXPECT_EQ(LiveLine(rows[1]), "COM10  [##########..........]  50%  Загрузка прошивки");
  // 40 characters, the last column free; a cut line ends with "…", never taken for a whole one.
  EXPECT_EQ(LiveLine(rows[1], 40), "COM10  [##########..........]  50%  Заг…");
  EXPECT_EQ(LiveLine(rows[1], 53), "COM10  [##########..........]  50%  Загрузка прошивки");
  EXPECT_EQ(out, "\r\x1b[2K" + LiveLine(rows[0], 40) + "\n\r\x1b[2K" + LiveLine(rows[1], 40) +
                     "\n\x1b[2A\r\x1b[2K" + LiveLine(rows[0], 40) + "\n\r\x1b[2K" +
                     LiveLine(rows[1], 40) + "\n");
  // A failed row's bar stands where it stopped.
  EXPECT_EQ(LiveLine(Row(3, u"---", u"Ошибка: сбой", 35, true, true)),
            "COM3   [#######.............]  ---  Ошибка: сбой");
}

TEST(CliDisplay, RowsThatDoNotFitGiveOneSummaryLineAndTheRowsThatChanged) {
  std::string out;
  TLiveDisplay live(
      true, [] { return std::optional<std::pair<int, int>>({200, 3}); },
      [&](const std::string& AText) { out += AText; });
  std::vector<TLiveRow> rows = {Row(3, u"0%", u"Отключение СКоК", 1),
                                Row(4, u"0%", u"Отключение СКоК", 1),
                                Row(5, u"0%", u"Отключение СКоК", 1)};
  live.Show(rows);
  out.clear();
  rows[1] = Row(4, u"100%", u"Успешно завершено", 100, true);
  live.Show(rows);
  EXPECT_EQ(out, "\r\x1b[2K\r\x1b[2K" + LiveLine(rows[1], 199) +
                     "\n\r\x1b[2K2 идёт, 1 завершено, 0 с ошибкой или остановлено (всего ККТ: 3)");
  out.clear();
  live.Finish();
  EXPECT_EQ(out, "\n");
}

// A terminal made narrower wraps what was drawn: the display goes back over every row it takes
// now and clears below, so that no broken line stays.
TEST(CliDisplay, AChangeOfWidthIsDrawnOverCleanly) {
  std::string out;
  int columns = 81;
  TLiveDisplay live(
      true, [&] { return std::optional<std::pair<int, int>>({columns, 24}); },
      [&](const std::string& AText) { out += AText; });
  const std::vector<TLiveRow> rows = {Row(3, u"50%", u"Загрузка прошивки: блок 2 из 513", 50),
                                      Row(4, u"0%", u"СКоК", 1)};
  live.Show(rows);
  ASSERT_GT(FromUtf8(LiveLine(rows[0])).size(), 41u);
  out.clear();
  columns = 41;
  live.Show(rows);
  // The first line (over 40 characters) now takes two rows, the second one: three rows back.
  EXPECT_EQ(out.rfind("\x1b[3A\r\x1b[J\r\x1b[2K", 0), 0u) << out;
  out.clear();
  live.Show(rows);
  EXPECT_EQ(out.rfind("\x1b[2A\r\x1b[2K", 0), 0u) << "the same width: the same rows" << out;
}

TEST(CliDisplay, TheSummaryShowsItsCountsFirstOnTheNarrowestTerminal) {
  std::string out;
  TLiveDisplay live(
      true, [] { return std::optional<std::pair<int, int>>({41, 2}); },
      [&](const std::string& AText) { out += AText; });
  live.Show({Row(3, u"100%", u"Успешно завершено", 100, true),
             Row(4, u"---", u"Ошибка: сбой", 35, true, true), Row(5, u"0%", u"Загрузка", 1)});
  EXPECT_NE(out.find("\x1b[2K1 идёт, 1 завершено, 1 с ошибкой или ос…"), std::string::npos)
      << out;
}

TEST(CliDisplay, ToAPipeALineAtEveryStepAndEveryTenPerCent) {
  std::string out;
  TLiveDisplay lines(
      false, [] { return std::nullopt; }, [&](const std::string& AText) { out += AText; });
  for (const std::int32_t step : {1, 5, 9, 10, 15, 19, 20}) {
    lines.Show({Row(3, u"", u"Загрузка прошивки", step)});
  }
  lines.Show({Row(3, u"", u"Установка прошивки", 21)});
  EXPECT_EQ(out, LiveLine(Row(3, u"", u"Загрузка прошивки", 1)) + "\n" +
                     LiveLine(Row(3, u"", u"Загрузка прошивки", 10)) + "\n" +
                     LiveLine(Row(3, u"", u"Загрузка прошивки", 20)) + "\n" +
                     LiveLine(Row(3, u"", u"Установка прошивки", 21)) + "\n");
}

}  // namespace
}  // namespace kelvane::test
