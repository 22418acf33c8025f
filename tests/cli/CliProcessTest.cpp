// kelvane-cli as a script meets it: the program run as a process against benches, its exit status,
// its output and the rows of its report.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

#include <algorithm>
#include <cstdlib>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <thread>

#include "driver/sim/SimFirmware.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "procedures/UpdateTask.h"
#include "session/Journal.h"
#include "support/JournalRuns.h"
#include "support/Waiting.h"
#include "support/TempDir.h"

namespace kelvane::test {
namespace {

// What the test does to the running program.
enum class TAction { None, CloseOutputAtFirstLine, InterruptInTheSearch, InterruptInTheLoading };

struct TProcessCase {
  const char* Name;
  std::string Bench;
  // "{dir}" stands for the test's folder, where fw_3105.bin and the other files are.
  std::vector<std::string> Arguments;
  int Status;
  std::vector<std::string> OutHas;
  std::vector<std::string> ErrHas;
  std::vector<std::string> OutLacks;
  // The report's rows (r.csv), each as "port;serial;result"; absent: no report is to exist.
  std::optional<std::vector<std::string>> Report;
  TAction Action = TAction::None;
  // Parts that stand in the output exactly once.
  std::vector<std::string> OutOnce = {};
  friend void PrintTo(const TProcessCase& c, std::ostream* os) { *os << c.Name; }
};

std::string Port(int APort, const std::string& AAttributes = "", const std::string& AFaults = "") {
  const std::string n = std::to_string(APort);
  return "<port number='" + n + "' name='USB-SERIAL CH340 (COM" + n +
         ")'><register model='154' name='Тарвик-154Ф' serial='S" + n +
         "' version='A.4' build='3021' soft-date='2025-06-16' " + AAttributes + ">" + AFaults +
         "</register></port>";
}

std::string EmptyPort(int APort) {
  const std::string n = std::to_string(APort);
  return "<port number='" + n + "' name='USB-SERIAL CH340 (COM" + n + ")'/>";
}

std::string Bench(const std::string& APorts) {
  return "<bench no-answer-ms='0'>" + APorts + "</bench>";
}

struct TRun {
  int Status = -1;
  std::string Out;
  std::string Err;
};

#ifndef _WIN32
// Starts the program with the bench, its output into the pipe AOut (made close-on-exec; this
// process keeps its reading end) and its errors into AErr. The journal goes beside the test's
// settings, in the bench's folder.
pid_t StartCli(const std::vector<std::string>& AArguments, const std::string& ABenchFile,
               const int (&AOut)[2], int AErr) {
  const pid_t child = fork();
  if (child == 0) {
    dup2(AOut[1], STDOUT_FILENO);
    dup2(AErr, STDERR_FILENO);
    setenv("KELVANE_BENCH", ABenchFile.c_str(), 1);
    setenv("XDG_CONFIG_HOME", std::filesystem::path(ABenchFile).parent_path().c_str(), 1);
    std::vector<char*> argv{const_cast<char*>(KELVANE_CLI_PROGRAM)};
    for (const std::string& argument : AArguments) {
      argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    execv(KELVANE_CLI_PROGRAM, argv.data());
    _exit(127);
  }
  close(AOut[1]);
  return child;
}

// Runs the program with the bench, reading what it writes; AAction acts on it as it runs. Waits
// at most a generous while, then kills it.
TRun RunCli(const std::vector<std::string>& AArguments, const std::string& ABenchFile,
            TAction AAction) {
  int out[2];
  int err[2];
  if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe";
    return {};
  }
  const pid_t child = StartCli(AArguments, ABenchFile, out, err[1]);
  close(err[1]);
  TRun run;
  bool acted = AAction == TAction::None;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
  std::vector<pollfd> open{{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  while (!open.empty() && std::chrono::steady_clock::now() < deadline) {
    poll(open.data(), open.size(), 100);
    for (size_t i = open.size(); i-- > 0;) {
      if (open[i].revents == 0) {
        continue;
      }
      char buffer[4096];
      const ssize_t count = read(open[i].fd, buffer, sizeof buffer);
      if (count <= 0) {
        close(open[i].fd);
        open.erase(open.begin() + static_cast<std::ptrdiff_t>(i));
        continue;
      }
      (open[i].fd == out[0] ? run.Out : run.Err).append(buffer, static_cast<size_t>(count));
    }
    if (!acted) {
      if (AAction == TAction::CloseOutputAtFirstLine && run.Out.find('\n') != std::string::npos) {
        acted = true;
        // The reader goes away, as "| head -n 1" does.
        std::erase_if(open, [&](const pollfd& AFd) { return AFd.fd == out[0]; });
        close(out[0]);
      } else if ((AAction == TAction::InterruptInTheSearch &&
                  run.Err.find("Поиск ККТ") != std::string::npos) ||
                 (AAction == TAction::InterruptInTheLoading &&
                  run.Out.find("Загрузка прошивки") != std::string::npos)) {
        acted = true;
        kill(child, SIGINT);
      }
    }
  }
  if (!open.empty()) {
    ADD_FAILURE() << "the program did not end";
    kill(child, SIGKILL);
    for (const pollfd& fd : open) {
      close(fd.fd);
    }
  }
  int status = 0;
  waitpid(child, &status, 0);
  run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
  EXPECT_TRUE(acted) << "the moment to act never came";
  return run;
}

// The report's rows as "port;serial;result".
std::vector<std::string> ReportRows(const std::string& ACsv) {
  std::vector<std::string> rows;
  std::istringstream lines(ACsv);
  std::string line;
  for (int i = 0; std::getline(lines, line); ++i) {
    if (i < 2) {
      continue;
    }
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    std::vector<std::string> fields;
    std::istringstream items(line);
    for (std::string field; std::getline(items, field, ';');) {
      fields.push_back(field);
    }
    fields.resize(13);
    rows.push_back(fields[0] + ";" + fields[1] + ";" + fields[5]);
  }
  return rows;
}
#endif

class CliProcess : public testing::TestWithParam<TProcessCase> {};

TEST_P(CliProcess, EndsWithItsStatusOutputAndReport) {
#ifdef _WIN32
  GTEST_SKIP() << "under Wine kelvane-cli runs as a process through the driver in e2e_tests";
#else
  const TProcessCase& c = GetParam();
  TTempDir dir;
  const std::string folder = dir.Path().string();
  const std::string image = MakeSimFirmware({3105, u"A.5", EncodeDate(2026, 12, 1)}, 65536);
  dir.Write("fw_3105.bin", image);
  dir.Write("small_3105.bin", MakeSimFirmware({3105, u"A.5", EncodeDate(2026, 12, 1)}, 300));
  // The same image under a name that promises another build.
  dir.Write("fw_3107.bin", image);
  dir.Write("empty_3105.bin", "");
  dir.Write("tables.csv", "1;1;2;45\n");
  std::filesystem::create_symlink("tables.csv", dir.Path() / "link.csv");
  std::filesystem::create_directories(dir.Path() / "Quorin" / "Kelvane");
  dir.Write("Quorin/Kelvane/Kelvane.xml", "<Configuration/>");
  std::filesystem::create_symlink("Quorin/Kelvane/Kelvane.xml", dir.Path() / "settings.csv");
  dir.Write("nobuild.bin", image);
  {
    // The largest image sent, and no more: a sparse file.
    std::ofstream(dir.Path() / "largest_3105.bin", std::ios::binary).put('x');
    std::filesystem::resize_file(dir.Path() / "largest_3105.bin",
                                 static_cast<std::uintmax_t>(TUpdateTask::kMaxImageSize));
  }
  dir.Write("plain", "a file");
  std::filesystem::create_directory(dir.Path() / "folder_3105.bin");
  std::filesystem::create_directory(dir.Path() / "folder.csv");
  {
    // Larger than any image sent, without taking the disk: a sparse file.
    std::ofstream(dir.Path() / "huge_3105.bin", std::ios::binary).put('x');
    std::filesystem::resize_file(dir.Path() / "huge_3105.bin",
                                 static_cast<std::uintmax_t>(TUpdateTask::kMaxImageSize) + 1);
  }
  const std::string bench = ToUtf8(dir.Write("bench.xml", c.Bench));
  std::vector<std::string> arguments;
  for (std::string argument : c.Arguments) {
    for (size_t at; (at = argument.find("{dir}")) != std::string::npos;) {
      argument.replace(at, 5, folder);
    }
    arguments.push_back(argument);
  }
  const TRun run = RunCli(arguments, bench, c.Action);
  EXPECT_EQ(run.Status, c.Status) << run.Out << run.Err;
  for (const std::string& part : c.OutHas) {
    EXPECT_NE(run.Out.find(part), std::string::npos) << part << "\n" << run.Out;
  }
  for (const std::string& part : c.ErrHas) {
    EXPECT_NE(run.Err.find(part), std::string::npos) << part << "\n" << run.Err;
  }
  for (const std::string& part : c.OutLacks) {
    EXPECT_EQ(run.Out.find(part), std::string::npos) << part << "\n" << run.Out;
  }
  for (const std::string& part : c.OutOnce) {
    const size_t at = run.Out.find(part);
    EXPECT_TRUE(at != std::string::npos && run.Out.find(part, at + 1) == std::string::npos)
        << part << "\n" << run.Out;
  }
  const std::filesystem::path report = dir.Path() / "r.csv";
  if (c.Report) {
    ASSERT_TRUE(std::filesystem::is_regular_file(report)) << run.Out << run.Err;
    const std::string csv = ReadFileBytes(report.u16string());
    EXPECT_NE(csv.find("kelvane-cli 1.0.0.6;firmware;"), std::string::npos) << csv;
    EXPECT_EQ(ReportRows(csv), *c.Report) << csv;
  } else {
    EXPECT_FALSE(std::filesystem::exists(report)) << "no report before a register is touched";
  }
#endif
}

#ifndef _WIN32
// Under Wine kelvane-cli's journal is written through the driver in e2e_tests.
class CliJournal : public testing::Test {
 protected:
  TTempDir FDir;
  const std::u16string FFirmware =
      FDir.Write("small_3105.bin", MakeSimFirmware({3105, u"A.5", EncodeDate(2026, 12, 1)}, 300));
};

TEST_F(CliJournal, EveryRegisterThatRanIsRecordedAndPrintedBack) {
  const std::string bench = ToUtf8(FDir.Write(
      "bench.xml", Bench(Port(3, "paper-out-at-line='1'") +
                         Port(4, "", "<fault method='WriteTable' call='1' code='103'/>") +
                         Port(5) + EmptyPort(7))));
  const std::string report = (FDir.Path() / "r.json").string();
  const TRun update = RunCli({"update", ToUtf8(FFirmware), "--ports", "3,4", "--report", report},
                             bench, TAction::None);
  EXPECT_EQ(update.Status, 2) << update.Out << update.Err;

  // Beside the settings file: the application-data folder.
  const TJournal journal((FDir.Path() / "Quorin" / "Kelvane").u16string());
  // Each written as its row ended: in the order of their ends.
  std::vector<TJournalRecord> records = journal.Read();
  ASSERT_EQ(records.size(), 2u) << "COM5 was not chosen, COM7 has no register";
  EXPECT_LE(EncodeDateTime(records[0].Outcome.Ended->Local),
            EncodeDateTime(records[1].Outcome.Ended->Local));
  std::sort(records.begin(), records.end(), [](const TJournalRecord& A, const TJournalRecord& B) {
    return A.ComNumber < B.ComNumber;
  });
  const nlohmann::json rows = nlohmann::json::parse(ReadFileBytes(FromUtf8(report)))["registers"];
  for (size_t i = 0; i < records.size(); ++i) {
    const TJournalRecord& record = records[i];
    const nlohmann::json& row = rows[i];
    EXPECT_EQ("COM" + std::to_string(record.ComNumber), row["port"]);
    EXPECT_EQ(ToUtf8(record.Serial), row["serial"]);
    EXPECT_EQ(ToUtf8(record.DeviceName), row["device"]);
    EXPECT_EQ(ToUtf8(record.Outcome.VersionBefore), row["versionBefore"]);
    EXPECT_EQ(ResultName(record.Outcome.Result), row["result"]);
    EXPECT_EQ(StepName(record.Outcome.LastStep), row["lastStep"]);
    EXPECT_EQ(ToUtf8(record.Outcome.PrintError.value_or(u"")), row["printError"]);
    EXPECT_EQ(ToUtf8(record.Outcome.ErrorText), row["error"]);
    EXPECT_EQ(ParseIsoDateTime(FromUtf8(row["started"].get<std::string>())),
              record.Outcome.Started);
    EXPECT_EQ(ParseIsoDateTime(FromUtf8(row["ended"].get<std::string>())), record.Outcome.Ended);
    EXPECT_EQ(record.Firmware, FFirmware);
    EXPECT_EQ(record.Build, 3105);
    EXPECT_EQ(record.Program, u"kelvane-cli");
    EXPECT_EQ(record.ProgramVersion, u"1.0.0.6");
  }
  EXPECT_EQ(records[0].Outcome.PrintError, u"Нет бумаги");
  EXPECT_EQ(records[0].Outcome.VersionsAfter, std::vector<std::u16string>{u"A.5.3105 (01.12.2026)"});
  EXPECT_EQ(records[1].Outcome.Result, TUpdateResult::Failed);

  const TRun all = RunCli({"journal"}, bench, TAction::None);
  EXPECT_EQ(all.Status, 0) << all.Err;
  EXPECT_NE(all.Out.find("  COM3  S3  Тарвик-154Ф  A.4.3021 (16.06.2025) -> A.5.3105 (01.12.2026)"
                         "  success with print error (done)  Ошибка печати: Нет бумаги"),
            std::string::npos)
      << all.Out;
  EXPECT_EQ(std::count(all.Out.begin(), all.Out.end(), '\n'), 2) << all.Out;
  const TRun one = RunCli({"journal", "--serial", "S4", "--json"}, bench, TAction::None);
  EXPECT_EQ(one.Status, 0) << one.Err;
  const nlohmann::json listed = nlohmann::json::parse(one.Out);
  ASSERT_EQ(listed.size(), 1u) << one.Out;
  EXPECT_EQ(listed[0]["result"], "failed");
  EXPECT_EQ(listed[0]["firmware"], ToUtf8(FFirmware));
  const TRun later = RunCli({"journal", "--since", "2999-01-01"}, bench, TAction::None);
  EXPECT_EQ(later.Status, 0);
  EXPECT_EQ(later.Out, "");
  EXPECT_NE(later.Err.find("Записей в журнале нет"), std::string::npos) << later.Err;
  EXPECT_EQ(RunCli({"journal", "--since", "2026-02-30"}, bench, TAction::None).Status, 3);
}

// Starts kelvane-cli with the bench and kills it (SIGKILL, as a crash or the task manager does)
// AAfter once it has begun its updates and AStarted holds. False when it never began them.
bool KillDuringUpdate(const std::vector<std::string>& AArguments, const std::string& ABenchFile,
                      std::chrono::milliseconds AAfter, const std::function<bool()>& AStarted) {
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) {
    return false;
  }
  const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  const pid_t child = StartCli(AArguments, ABenchFile, out, null);
  close(null);
  std::string text;
  char buffer[4096];
  ssize_t count = 0;
  while (text.find("Обновление из") == std::string::npos &&
         (count = read(out[0], buffer, sizeof buffer)) > 0) {
    text.append(buffer, static_cast<size_t>(count));
  }
  const bool began = text.find("Обновление из") != std::string::npos &&
                     WaitUntil(AStarted, std::chrono::seconds(60));
  std::this_thread::sleep_for(AAfter);
  kill(child, SIGKILL);
  close(out[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return began;
}

// A process killed at any moment of its updates leaves, for every row it had started, the record
// of the start and at most one end; the journal gives each such run once, as interrupted where
// no end came.
TEST_F(CliJournal, AnUpdateKilledAtRandomMomentsLeavesEveryStartOnRecordAndAtMostOneEnd) {
  std::mt19937 random(std::random_device{}());
  int runs = 0;
  int ended = 0;
  // A run takes about four seconds here: the kills land before, in and after the runs.
  for (int round = 0; round < 6; ++round) {
    const std::filesystem::path folder = FDir.Path() / ("round" + std::to_string(round));
    std::filesystem::create_directories(folder);
    const std::string bench = (folder / "bench.xml").string();
    std::ofstream(bench) << Bench(Port(3, "exchange-ms='10' block-ms='5' install-ms='200'") +
                                  Port(4, "exchange-ms='10' block-ms='5' install-ms='600'") +
                                  Port(5, "exchange-ms='10' block-ms='5' install-ms='1200'"));
    const auto after = std::chrono::milliseconds(
        std::uniform_int_distribution<int>(0, 4500)(random));
    const std::filesystem::path journal = folder / "Quorin" / "Kelvane";
    // The kill is timed from the rows' starts: the program's start takes its own time.
    ASSERT_TRUE(KillDuringUpdate({"update", ToUtf8(FFirmware)}, bench, after,
                                 [&] { return RunsOnRecord(journal).size() == 3; }));
    const auto records = RunsOnRecord(journal);
    EXPECT_EQ(records.size(), 3u) << "every row is started before any waits for another";
    const int endedNow = EndedRuns(records);
    runs += static_cast<int>(records.size());
    ended += endedNow;
    const TRun read = RunCli({"journal", "--json"}, bench, TAction::None);
    EXPECT_EQ(read.Status, 0) << read.Err;
    const nlohmann::json listed = nlohmann::json::parse(read.Out);
    ASSERT_EQ(listed.size(), records.size()) << read.Out;
    int interrupted = 0;
    for (const nlohmann::json& record : listed) {
      interrupted += record["result"] == "interrupted" ? 1 : 0;
    }
    EXPECT_EQ(interrupted, static_cast<int>(records.size()) - endedNow);
  }
  std::cout << "runs started: " << runs << ", ended before the kill: " << ended
            << ", interrupted: " << runs - ended << "\n";
}

TEST_F(CliJournal, ReadingNamesTheMonthItCouldNotReadAndCountsTheRecordsThatFailedTheirCheck) {
  const std::string bench = ToUtf8(FDir.Write("bench.xml", Bench(Port(3))));
  ASSERT_EQ(RunCli({"update", ToUtf8(FFirmware)}, bench, TAction::None).Status, 0);
  const std::filesystem::path folder = FDir.Path() / "Quorin" / "Kelvane";
  // A record edited by hand in a later month (its run's end), and a FIFO at an earlier one.
  std::filesystem::path month;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    month = entry.path();
  }
  std::string edited = ReadFileBytes(month.u16string());
  edited.replace(edited.rfind(";S3;"), 4, ";S9;");
  std::ofstream(folder / "journal-2999-01.csv", std::ios::binary) << edited;
  const std::filesystem::path fifo = folder / "journal-2000-01.csv";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const TRun run = RunCli({"journal"}, bench, TAction::None);
  EXPECT_EQ(run.Status, 5) << run.Out << run.Err;
  EXPECT_NE(run.Out.find("COM3  S3"), std::string::npos) << "the readable month is still read";
  EXPECT_NE(run.Err.find(fifo.string()), std::string::npos) << run.Err;
  EXPECT_NE(run.Err.find("записей не прошли проверку"), std::string::npos) << run.Err;
  const TRun json = RunCli({"journal", "--json"}, bench, TAction::None);
  EXPECT_EQ(json.Status, 5);
  // The edited month's run: its start stands, its end failed the check.
  const nlohmann::json listed = nlohmann::json::parse(json.Out);
  ASSERT_EQ(listed.size(), 2u) << json.Out;
  EXPECT_EQ(listed[0]["result"], "success");
  EXPECT_EQ(listed[1]["result"], "interrupted");
}

// Output that cannot be written (here: to a full disk) fails the command, after its work, and
// stops no update.
TEST_F(CliJournal, OutputThatCannotBeWrittenEndsWithTheOutputError) {
  const std::string bench = ToUtf8(FDir.Write("bench.xml", Bench(Port(3))));
  const std::string environment = "KELVANE_BENCH='" + bench + "' XDG_CONFIG_HOME='" +
                                  FDir.Path().string() + "' " + KELVANE_CLI_PROGRAM;
  for (const std::string& command :
       std::vector<std::string>{"search --json", "journal --json",
                                "update '" + ToUtf8(FFirmware) + "'", "--help"}) {
    const int status = std::system((environment + " " + command + " >/dev/full 2>&1").c_str());
    ASSERT_TRUE(WIFEXITED(status)) << command;
    EXPECT_EQ(WEXITSTATUS(status), 5) << command;
  }
  const std::vector<TJournalRecord> records =
      TJournal((FDir.Path() / "Quorin" / "Kelvane").u16string()).Read();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Outcome.Result, TUpdateResult::Success) << "the update ran to its end";
}

TEST_F(CliJournal, AJournalThatCannotBeWrittenStopsNoUpdateAndEndsWithTheOutputError) {
  const std::string bench = ToUtf8(FDir.Write("bench.xml", Bench(Port(3))));
  // A file where the journal's folder would be made.
  FDir.Write("Quorin", "");
  const std::string report = (FDir.Path() / "r.csv").string();
  const TRun run =
      RunCli({"update", ToUtf8(FFirmware), "--report", report}, bench, TAction::None);
  EXPECT_EQ(run.Status, 5) << run.Out << run.Err;
  EXPECT_NE(run.Err.find("журнал обновлений не записан"), std::string::npos) << run.Err;
  EXPECT_EQ(ReportRows(ReadFileBytes(FromUtf8(report))),
            std::vector<std::string>{"COM3;S3;success"});
}
#endif

const std::string kOne = Bench(Port(3));
const std::string kHostile =
    Bench("<port number='3' name='USB-SERIAL CH340 (COM3)'><register model='154' "
          "name='Тарвик&#27;[2J&#7;' serial='=1+1' version='A.4' build='3021' "
          "soft-date='2025-06-16'/></port>");
const std::vector<std::string> kHelp = {"Справка: kelvane-cli --help"};

INSTANTIATE_TEST_SUITE_P(
    Table, CliProcess,
    testing::Values(
        TProcessCase{"AllUpdated", kOne, {"update", "{dir}/fw_3105.bin", "--report", "{dir}/r.csv"},
                     0, {"COM3: S3, A.4.3021 (16.06.2025), протокол 1", "Отчёт: "}, {}, {},
                     std::vector<std::string>{"COM3;S3;success"}},
        TProcessCase{"NoReceipt", Bench(Port(3, "paper-out-at-line='1'")),
                     {"update", "{dir}/small_3105.bin", "--report", "{dir}/r.csv"}, 1,
                     {"Ошибка печати: Нет бумаги"}, {}, {},
                     std::vector<std::string>{"COM3;S3;success with print error"}},
        TProcessCase{"Failed",
                     Bench(Port(3, "", "<fault method='WriteTable' call='1' code='103'/>") +
                           Port(4)),
                     {"update", "{dir}/small_3105.bin", "--report", "{dir}/r.csv"}, 2,
                     // The failed row's bar stays where its run was: at the first step.
                     {"COM3   [....................]  ---"}, {}, {},
                     std::vector<std::string>{"COM3;S3;failed", "COM4;S4;success"}},
        TProcessCase{"VersionMismatch", kOne,
                     {"update", "{dir}/fw_3107.bin", "--report", "{dir}/r.csv"}, 2,
                     {"Версии не совпадают!"}, {}, {}, std::vector<std::string>{"COM3;S3;failed"}},
        TProcessCase{"WrongArguments", kOne, {"update", "{dir}/fw_3105.bin", "--frob"}, 3, {},
                     {"неизвестный параметр «--frob»", kHelp[0]}, {"COM3"}},
        TProcessCase{"NoCommand", kOne, {}, 3, {}, {"не указана команда", kHelp[0]}},
        TProcessCase{"MissingFirmware", kOne,
                     {"update", "{dir}/none_3105.bin", "--report", "{dir}/r.csv"}, 3, {},
                     {"файл прошивки не найден"}, {"COM3"}},
        TProcessCase{"EmptyFirmware", kOne,
                     {"update", "{dir}/empty_3105.bin", "--report", "{dir}/r.csv"}, 3, {},
                     {"файл прошивки пуст"}, {"COM3"}},
        TProcessCase{"FolderAsFirmware", kOne, {"update", "{dir}/folder_3105.bin"}, 3, {},
                     {"не обычный файл"}, {"COM3"}},
        TProcessCase{"HugeFirmware", kOne, {"update", "{dir}/huge_3105.bin"}, 3, {},
                     {"самого большого образа"}, {"COM3"}},
        TProcessCase{"MissingTables", kOne,
                     {"update", "{dir}/fw_3105.bin", "--tables", "{dir}/none.csv"}, 3, {},
                     {"файл таблиц не найден"}, {"COM3"}},
        TProcessCase{"ReportInAMissingFolder", kOne,
                     {"update", "{dir}/fw_3105.bin", "--report", "{dir}/no/r.csv"}, 3, {},
                     {"отчёт не записать"}, {"COM3"}},
        TProcessCase{"ReportUnderAFile", kOne,
                     {"update", "{dir}/fw_3105.bin", "--report", "{dir}/plain/r.csv"}, 3, {},
                     {"отчёт не записать"}, {"COM3"}},
        TProcessCase{"ReportIsAFolder", kOne,
                     {"update", "{dir}/fw_3105.bin", "--report", "{dir}/folder.csv"}, 3, {},
                     {"не обычный файл"}, {"COM3"}},
        TProcessCase{"NothingFound", Bench(EmptyPort(3)),
                     {"update", "{dir}/fw_3105.bin", "--report", "{dir}/r.csv"}, 4,
                     {"COM3: нет ККТ (Ошибка: Нет связи: ККТ не отвечает)"},
                     {"ни одной выбранной ККТ не найдено"}, {},
                     std::vector<std::string>{"COM3;;no register"}},
        // A dry run changes no register: one that asks for recovery is only said to (a
        // recovery here would fail with code 103).
        TProcessCase{"DryRunRecoversNothing",
                     Bench(Port(3, "mode='9'",
                                "<fault method='ResetSettings' call='1' code='103'/>")),
                     {"update", "{dir}/fw_3105.bin", "--dry-run"}, 0,
                     {"COM3: S3, A.4.3021 (16.06.2025), протокол 1, Тарвик-154Ф, требует "
                      "восстановления: режим 9",
                      "Были бы обновлены из ", "COM3 (S3)"},
                     {}, {"Ошибка"}},
        // A port or a serial asked for and missing: no register is touched.
        TProcessCase{"RequestedPortsMissing", Bench(Port(3) + EmptyPort(7)),
                     {"update", "{dir}/small_3105.bin", "--ports", "3,7,42", "--report",
                      "{dir}/r.csv"},
                     4, {}, {"COM7", "COM42", "ни одна ККТ не обновлялась"}, {"Отключение СКоК"},
                     std::vector<std::string>{"COM3;S3;not started", "COM7;;no register",
                                              "COM42;;not found"}},
        TProcessCase{"RequestedSerialMissing", Bench(Port(3) + Port(4)),
                     {"update", "{dir}/small_3105.bin", "--serials", "S3,S9", "--report",
                      "{dir}/r.csv"},
                     4, {}, {"S9"}, {"Отключение СКоК"},
                     std::vector<std::string>{"COM3;S3;not started", "COM4;S4;not chosen",
                                              ";S9;not found"}},
        // A port is asked for with the register of a serial asked for: COM3 holds another one.
        TProcessCase{"RequestedPortWithoutTheRequestedSerial", Bench(Port(3) + Port(4)),
                     {"update", "{dir}/small_3105.bin", "--ports", "3,4", "--serials", "S4",
                      "--report", "{dir}/r.csv"},
                     4, {}, {"порт COM3: выбранной ККТ на нём нет"}, {"Отключение СКоК"},
                     std::vector<std::string>{"COM3;S3;not chosen", "COM4;S4;not started"}},
        // A serial asked for that stands on a port not asked for is seen: no row of its own.
        TProcessCase{"RequestedSerialOnAnotherPort", Bench(Port(3) + Port(4)),
                     {"update", "{dir}/small_3105.bin", "--ports", "3", "--serials", "S4",
                      "--report", "{dir}/r.csv"},
                     4, {}, {"ККТ S4 не найдена на выбранных портах"}, {},
                     std::vector<std::string>{"COM3;S3;not chosen", "COM4;S4;not chosen"}},
        TProcessCase{"LargestFirmware", kOne, {"update", "{dir}/largest_3105.bin", "--dry-run"}, 0,
                     {"Были бы обновлены из "}},
        TProcessCase{"RequestedPortMissingInADryRun", Bench(Port(3)),
                     {"update", "{dir}/small_3105.bin", "--ports", "3,42", "--dry-run"}, 4,
                     {"Были бы обновлены из "}, {"COM42"}, {"Отключение СКоК"}},
        TProcessCase{"SearchOfAnEmptyBench", Bench(""), {"search"}, 4, {"USB-портов не найдено"}},
        TProcessCase{"SearchAsJson", Bench(Port(3) + EmptyPort(4)), {"search", "--json"}, 0,
                     {"\"serial\": \"S3\"", "\"found\": false", "\"error\": \"Ошибка: Нет связи"}},
        TProcessCase{"DryRun", kOne,
                     {"update", "{dir}/fw_3105.bin", "--dry-run", "--report", "{dir}/r.csv"}, 0,
                     {"Были бы обновлены из ", "COM3 (S3)"}, {}, {"Отключение СКоК"},
                     std::vector<std::string>{"COM3;S3;not started"}},
        // 513 blocks of 4 ms, two seconds of loading, and steps of 60 ms, sampled every 50 ms.
        TProcessCase{"ToAPipeEveryTenPerCent", Bench(Port(3, "block-ms='4' exchange-ms='60'")),
                     {"update", "{dir}/fw_3105.bin"}, 0,
                     {"Отключение СКоК", "[####....", "[########....", "[############....",
                      "[################....", "Установка прошивки"}},
        // The update runs to its end; the output lost is said by the status.
        TProcessCase{"AClosedOutputStopsNothing", kOne,
                     {"update", "{dir}/fw_3105.bin", "--report", "{dir}/r.csv"}, 5, {}, {}, {},
                     std::vector<std::string>{"COM3;S3;success"}, TAction::CloseOutputAtFirstLine},
        TProcessCase{"InterruptedInTheSearch", Bench(Port(3, "exchange-ms='400'")),
                     {"update", "{dir}/fw_3105.bin", "--ports", "3,5", "--serials", "S3",
                      "--report", "{dir}/r.csv"},
                     130, {}, {"ни одна ККТ не обновлялась"}, {"Отключение СКоК"},
                     std::vector<std::string>{"COM3;;not started", "COM5;;not started",
                                              ";S3;not started"},
                     TAction::InterruptInTheSearch},
        TProcessCase{"InterruptedInTheLoading", Bench(Port(3, "block-ms='1000'")),
                     {"update", "{dir}/small_3105.bin", "--report", "{dir}/r.csv"}, 130,
                     {"Остановка: ", "ждём COM3 (Загрузка прошивки)", "Прервано пользователем"},
                     {}, {}, std::vector<std::string>{"COM3;S3;stopped"},
                     TAction::InterruptInTheLoading, {"Остановка: "}},
        // What a register says is data: shown on a terminal, never obeyed; inert in the report.
        TProcessCase{"RegisterTextIsShownNotObeyed", kHostile, {"search"}, 0,
                     {"COM3: =1+1, A.4.3021", "Тарвик\\x1B[2J\\x07"}, {}, {"\x1b", "\a"}},
        TProcessCase{"RegisterTextIsInertInTheReport", kHostile,
                     {"update", "{dir}/small_3105.bin", "--report", "{dir}/r.csv"}, 0, {}, {},
                     {"\x1b"}, std::vector<std::string>{"COM3;'=1+1;success"}},
        // Every register would be flashed, then fail its version check.
        TProcessCase{"FirmwareWithoutABuild", kOne, {"update", "{dir}/nobuild.bin"}, 3, {},
                     {"нет номера сборки", "--allow-build-0"}, {"COM3"}},
        TProcessCase{"FirmwareWithoutABuildAllowed", kOne,
                     {"update", "{dir}/nobuild.bin", "--allow-build-0", "--dry-run"}, 0,
                     {"Были бы обновлены из "}},
        // The report never takes the place of what the tool reads or keeps.
        TProcessCase{"ReportOverTheTables", kOne,
                     {"update", "{dir}/fw_3105.bin", "--tables", "{dir}/tables.csv", "--report",
                      "{dir}/./tables.csv"},
                     3, {}, {"отчёт не записать поверх", "файл таблиц"}, {"COM3"}},
        TProcessCase{"ReportOverTheTablesThroughALink", kOne,
                     {"update", "{dir}/fw_3105.bin", "--tables", "{dir}/tables.csv", "--report",
                      "{dir}/link.csv"},
                     3, {}, {"файл таблиц"}, {"COM3"}},
        TProcessCase{"ReportOverTheSettings", kOne,
                     {"update", "{dir}/fw_3105.bin", "--report", "{dir}/settings.csv"}, 3, {},
                     {"файл настроек"}, {"COM3"}},
        TProcessCase{"ReportOverTheJournal", kOne,
                     {"update", "{dir}/fw_3105.bin", "--report",
                      "{dir}/Quorin/Kelvane/journal-2026-12.csv"},
                     3, {}, {"файл журнала обновлений"}, {"COM3"}},
        TProcessCase{"Help", kOne, {"--help"}, 0, {"Коды завершения", "Примеры"}}),
    [](const testing::TestParamInfo<TProcessCase>& AInfo) { return AInfo.param.Name; });

}  // namespace
}  // namespace kelvane::test
