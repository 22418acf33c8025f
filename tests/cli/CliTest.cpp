// kelvane-cli: its arguments, the rows of its report against a bench with faults, its exit
// statuses and the stop.
#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include "cli/BatchRun.h"
#include "cli/CliArguments.h"
#include "cli/LiveDisplay.h"
#include "cli/Report.h"
#include "driver/sim/SimFirmware.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "support/BenchScope.h"
#include "support/GatedDriver.h"
#include "support/LocaleFormatsScope.h"
#include "support/SteppingClock.h"
#include "support/TempDir.h"

namespace kelvane::test {
namespace {

struct TArgumentsCase {
  const char* Name;
  std::vector<std::string> Arguments;
  // Empty: accepted.
  std::string Error;
  TCliCommand::TKind Kind = TCliCommand::Search;
  friend void PrintTo(const TArgumentsCase& c, std::ostream* os) { *os << c.Name; }
};

class CliArguments : public testing::TestWithParam<TArgumentsCase> {};

TEST_P(CliArguments, AreTakenOrRefusedWithOneLine) {
  const TArgumentsCase& c = GetParam();
  try {
    const TCliCommand command = ParseCliArguments(c.Arguments);
    EXPECT_TRUE(c.Error.empty()) << "accepted";
    EXPECT_EQ(command.Kind, c.Kind);
  } catch (const ECliUsage& e) {
    EXPECT_NE(std::string(e.what()).find(c.Error), std::string::npos) << e.what();
    EXPECT_FALSE(c.Error.empty()) << e.what();
    EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos) << "one line";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CliArguments,
    testing::Values(
        TArgumentsCase{"Search", {"search"}, "", TCliCommand::Search},
        TArgumentsCase{"Update", {"update", "fw_3105.bin"}, "", TCliCommand::Update},
        TArgumentsCase{"Help", {"--help"}, "", TCliCommand::Help},
        TArgumentsCase{"UpdateHelp", {"update", "--help"}, "", TCliCommand::Help},
        TArgumentsCase{"Version", {"--version"}, "", TCliCommand::Version},
        TArgumentsCase{"Nothing", {}, "subcommand"},
        TArgumentsCase{"UnknownCommand", {"flash"}, "subcommand"},
        TArgumentsCase{"NoFirmware", {"update"}, "FIRMWARE"},
        TArgumentsCase{"UnknownOption", {"update", "fw.bin", "--fast"}, "--fast"},
        TArgumentsCase{"SearchTakesNoFile", {"search", "fw.bin"}, "fw.bin"},
        TArgumentsCase{"BadPorts", {"update", "fw.bin", "--ports", "3,x"}, "--ports"},
        TArgumentsCase{"NegativePort", {"update", "fw.bin", "--ports", "-3"}, "--ports"},
        TArgumentsCase{"EmptySerial", {"update", "fw.bin", "--serials", "A,,B"}, "--serials"},
        TArgumentsCase{
            "ReportOfAnotherKind", {"update", "fw.bin", "--report", "r.txt"}, "--report"}),
    [](const testing::TestParamInfo<TArgumentsCase>& info) { return info.param.Name; });

TEST(CliArguments, UpdateTakesEveryChoice) {
  const TCliCommand command =
      ParseCliArguments({"update", "C:\\fw\\прошивка_3105.bin", "--tables", "t.csv", "--ports",
                         "3, COM5,com10", "--serials", "0154000317,S2", "--report", "R.JSON"});
  EXPECT_EQ(command.Choice.Firmware, u"C:\\fw\\прошивка_3105.bin");
  EXPECT_EQ(command.Choice.Tables, u"t.csv");
  EXPECT_EQ(command.Choice.Ports, (std::vector<std::int32_t>{3, 5, 10}));
  EXPECT_EQ(command.Choice.Serials, (std::vector<std::u16string>{u"0154000317", u"S2"}));
  EXPECT_EQ(command.Report, u"R.JSON");
  EXPECT_FALSE(ParseCliArguments({"update", "fw.bin"}).Choice.Tables.has_value());
}

std::string Register(int APort, const std::string& AExtra = "",
                     const std::string& AAttributes = "") {
  const std::string n = std::to_string(APort);
  return "<port number='" + n + "' name='USB-SERIAL CH340 (COM" + n +
         ")'><register model='154' name='Тарвик-154Ф' serial='S" + n +
         "' version='A.4' build='3021' soft-date='2025-06-16' " + AAttributes + ">" + AExtra +
         "</register></port>";
}

class CliBatch : public testing::Test {
 protected:
  CliBatch() { FClock.Clock().SetFreeRunning(true); }
  ~CliBatch() override { FGates->OpenAll(); }

  std::u16string Firmware(const std::string& AName, int ABuild = 3105) {
    return FDir.Write(AName, MakeSimFirmware({ABuild, u"A.5", EncodeDate(2026, 12, 1)}, 300));
  }

  TLocaleFormatsScope FFormats;
  TTempDir FDir;
  TBenchScope FBench{"<bench no-answer-ms='0'>" + Register(1) +
                     Register(2, "<fault method='LoadBlockOnSDCard' call='2' code='162'/>") +
                     Register(3, "", "paper-out-at-line='1'") + Register(4) +
                     "<port number='5' name='USB-SERIAL CH340 (COM5)'/>" +
                     "<port number='6' name='Communications Port (COM6)'>" + "</port></bench>"};
  std::shared_ptr<TPortGates> FGates = std::make_shared<TPortGates>();
  TGatedDriverScope FDriver{FBench.Bench(), FGates};
  TSteppingClockScope FClock;
};

TEST_F(CliBatch, SearchReportsEveryUsbPortWithItsRegisterOrItsError) {
  const std::vector<TIdentifiedPort> ports = IdentifyPorts();
  ASSERT_EQ(ports.size(), 5u) << "USB ports only";
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(ports[static_cast<size_t>(i)].Found) << i;
    EXPECT_EQ(ports[static_cast<size_t>(i)].Serial, u"S" + IntToStr(i + 1));
  }
  EXPECT_EQ(ports[0].Version, u"A.4.3021 (16.06.2025)");
  EXPECT_EQ(ports[0].DeviceName, u"Тарвик-154Ф");
  EXPECT_FALSE(ports[4].Found);
  EXPECT_EQ(ports[4].ComNumber, 5);
  EXPECT_EQ(ports[4].Error.rfind(u"Ошибка: ", 0), 0u) << ToUtf8(ports[4].Error);
}

TEST_F(CliBatch, ReportHasARowPerRegisterWithItsResult) {
  const std::vector<TIdentifiedPort> ports = IdentifyPorts();
  TUpdateChoice choice;
  choice.Firmware = Firmware("fw_3105.bin");
  choice.Ports = {4, 3, 2, 1};
  FGates->Close(4);
  std::atomic<bool> stop{false};
  // COM4 is held until the others have ended; then the operator presses Ctrl+C, and at the next
  // refresh, when the rows have heard it, COM4's driver call returns.
  bool opened = false;
  const std::vector<TReportRow> rows = UpdateRegisters(
      ChosenRegisters(ports, choice), choice, stop, [&](const std::vector<TLiveRow>& ALive) {
        int ended = 0;
        for (const TLiveRow& row : ALive) {
          ended += row.ComNumber != 4 && (row.Percent == u"---" || row.Percent == u"100%");
        }
        if (stop && !opened) {
          opened = true;
          FGates->Open(4);
        }
        if (ended == 3) {
          stop = true;
        }
      });
  ASSERT_EQ(rows.size(), 4u);
  const std::vector<TUpdateResult> results = {TUpdateResult::Success, TUpdateResult::Failed,
                                              TUpdateResult::SuccessPrintError,
                                              TUpdateResult::Stopped};
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].ComNumber, static_cast<std::int32_t>(i + 1)) << "in port order";
    EXPECT_EQ(rows[i].Result, results[i]) << ToUtf8(rows[i].FinalText);
    EXPECT_EQ(rows[i].Serial, u"S" + IntToStr(static_cast<std::int64_t>(i + 1)));
    EXPECT_EQ(rows[i].VersionBefore, u"A.4.3021 (16.06.2025)");
    EXPECT_EQ(rows[i].StartTime.size(), 19u);
    EXPECT_GE(rows[i].Seconds, 0.0);
  }
  EXPECT_EQ(rows[0].VersionAfter, u"A.5.3105 (01.12.2026)");
  EXPECT_EQ(rows[0].FinalText.rfind(u"Успешно завершено: A.5.3105 (01.12.2026) за ", 0), 0u);
  EXPECT_EQ(rows[1].VersionAfter, u"");
  EXPECT_EQ(rows[1].FinalText.rfind(u"Ошибка: ", 0), 0u);
  EXPECT_EQ(rows[2].VersionAfter, u"A.5.3105 (01.12.2026)");
  EXPECT_EQ(rows[3].FinalText, u"Прервано пользователем");
  EXPECT_EQ(ExitStatusOf(rows), kExitFailed);
}

TEST_F(CliBatch, VersionMismatchFailsTheRowAndSerialsChooseTheRegisters) {
  const std::vector<TIdentifiedPort> ports = IdentifyPorts();
  TUpdateChoice choice;
  // The image carries build 3105; the name promises 3107.
  choice.Firmware = Firmware("fw_3107.bin");
  choice.Serials = {u"S1"};
  const std::atomic<bool> stop{false};
  const std::vector<TReportRow> rows =
      UpdateRegisters(ChosenRegisters(ports, choice), choice, stop, [](const auto&) {});
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].ComNumber, 1);
  EXPECT_EQ(rows[0].Result, TUpdateResult::Failed);
  EXPECT_EQ(rows[0].FinalText.rfind(u"Ошибка: Завершено. Версии не совпадают! A.5.3105", 0), 0u)
      << ToUtf8(rows[0].FinalText);
  EXPECT_EQ(ExitStatusOf(rows), kExitFailed);
}

TEST(CliExitStatus, TellsTheWorstOutcome) {
  const auto rows = [](std::initializer_list<TUpdateResult> AResults) {
    std::vector<TReportRow> list;
    for (const TUpdateResult result : AResults) {
      list.push_back(TReportRow{});
      list.back().Result = result;
    }
    return list;
  };
  using enum TUpdateResult;
  EXPECT_EQ(ExitStatusOf(rows({Success, Success})), kExitSuccess);
  EXPECT_EQ(ExitStatusOf(rows({Success, SuccessPrintError})), kExitNoReceipt);
  EXPECT_EQ(ExitStatusOf(rows({SuccessPrintError, Stopped})), kExitFailed);
  EXPECT_EQ(ExitStatusOf(rows({Failed, Success})), kExitFailed);
  EXPECT_EQ(ExitStatusOf({}), kExitUsage);
}

TEST(CliReport, CsvAndJsonHoldEveryField) {
  TReportRow row;
  row.ComNumber = 3;
  row.Serial = u"0154000317";
  row.DeviceName = u"Тарвик-154Ф";
  row.VersionBefore = u"A.4.3021 (16.06.2025)";
  row.Result = TUpdateResult::Failed;
  row.FinalText = u"Ошибка: сбой; \"блок\" 2";
  row.StartTime = u"2026-12-09 10:00:00";
  row.Seconds = 12.34;
  const std::string csv = ReportCsv({row});
  EXPECT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_EQ(csv.substr(3, csv.find("\r\n") - 3),
            "port;serial;device;version before;version after;result;final text;started;seconds");
  EXPECT_NE(csv.find("\r\nCOM3;0154000317;Тарвик-154Ф;A.4.3021 (16.06.2025);;failed;"
                     "\"Ошибка: сбой; \"\"блок\"\" 2\";2026-12-09 10:00:00;12.3\r\n"),
            std::string::npos)
      << csv;

  const nlohmann::json json = nlohmann::json::parse(ReportJson({row}));
  ASSERT_EQ(json.size(), 1u);
  EXPECT_EQ(json[0]["port"], "COM3");
  EXPECT_EQ(json[0]["device"], "Тарвик-154Ф");
  EXPECT_EQ(json[0]["versionAfter"], "");
  EXPECT_EQ(json[0]["result"], "failed");
  EXPECT_EQ(json[0]["finalText"], "Ошибка: сбой; \"блок\" 2");
  EXPECT_DOUBLE_EQ(json[0]["seconds"].get<double>(), 12.3);

  TTempDir dir;
  const std::u16string file = (dir.Path() / "report.Json").u16string();
  WriteReport(file, {row});
  EXPECT_EQ(ReadFileBytes(file), ReportJson({row}));
  EXPECT_THROW(WriteReport((dir.Path() / "report.txt").u16string(), {row}), EError);
}

TEST(CliResult, ComesFromTheFinalText) {
  EXPECT_EQ(ResultOf(true, u"Успешно завершено: A.5.3105 (01.12.2026) за 0 мин. 2 сек."),
            TUpdateResult::Success);
  EXPECT_EQ(ResultOf(true, u"Успешно завершено: A.5.3105 (01.12.2026) Ошибка печати: Нет бумаги"),
            TUpdateResult::SuccessPrintError);
  EXPECT_EQ(ResultOf(false, u"Прервано пользователем"), TUpdateResult::Stopped);
  EXPECT_EQ(ResultOf(false, u"Ошибка: Файл не найден"), TUpdateResult::Failed);
  EXPECT_EQ(VersionAfter(u"Успешно завершено: A.5.3105 (01.12.2026) Ошибка печати: X"),
            u"A.5.3105 (01.12.2026)");
  EXPECT_EQ(VersionAfter(u"Ошибка: Файл не найден"), u"");
}

TEST(CliDisplay, RedrawsInPlaceOnATerminalAndWritesChangesElsewhere) {
  std::string terminal;
  TLiveDisplay live(true, [&](const std::string& AText) { terminal += AText; });
  const std::vector<TLiveRow> first = {{3, u"0%", u"Отключение СКоК", 1, 100},
                                       {10, u"50%", u"Загрузка прошивки", 50, 100}};
  live.Show(first);
  live.Show(first);
  EXPECT_EQ(LiveLine(first[1]), "COM10  [##########..........]  50%  Загрузка прошивки");
  EXPECT_EQ(terminal, "\r\x1b[2K" + LiveLine(first[0]) + "\n\r\x1b[2K" + LiveLine(first[1]) +
                          "\n\x1b[2A\r\x1b[2K" + LiveLine(first[0]) + "\n\r\x1b[2K" +
                          LiveLine(first[1]) + "\n");

  std::string plain;
  TLiveDisplay lines(false, [&](const std::string& AText) { plain += AText; });
  lines.Show(first);
  lines.Show({{3, u"1%", u"Отключение СКоК", 2, 100}, {10, u"---", u"Ошибка: сбой", 100, 100}});
  EXPECT_EQ(plain, LiveLine(first[0]) + "\n" + LiveLine(first[1]) + "\n" +
                       LiveLine({10, u"---", u"Ошибка: сбой", 100, 100}) + "\n");
}

}  // namespace
}  // namespace kelvane::test
