#include "cli/CliRun.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "cli/Report.h"
#include "cli/Workbook.h"
#include "discovery/USBUtils.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "platform/VersionInfo.h"
#include "procedures/UpdateTask.h"
#include "session/DriverCheck.h"
#include "session/Identification.h"
#include "session/RowProgress.h"
#include "session/UpdateSession.h"

namespace kelvane {

namespace {

constexpr auto kPoll = std::chrono::milliseconds(50);
constexpr auto kRefresh = std::chrono::milliseconds(500);

class TRun {
 public:
  TRun(const TCliCommand& ACommand, const TCliIo& AIo) : FCommand(ACommand), FIo(AIo) {}

  int Search();
  int Update();
  int Journal();

 private:
  bool StopRequested() const { return FIo.StopRequested != nullptr && FIo.StopRequested->load(); }
  void Line(const std::u16string& AText) const { FIo.Out(ToUtf8(AText) + "\n"); }
  void Error(const std::u16string& AText) const {
    FIo.Err("kelvane-cli: " + ToUtf8(AText) + "\n");
  }
  std::optional<std::vector<TIdentifiedPort>> Identify();
  // The update's ends: stopped while the ports were identified; a dry run or a stop before any
  // register is touched; the chosen registers updated.
  int StoppedInIdentification();
  int UpdateNone(const std::vector<TReportRow>& ARows, const std::vector<size_t>& AChosen,
                 bool AMissing);
  int UpdateChosen(const std::vector<TIdentifiedPort>& APorts, std::vector<TReportRow>& ARows,
                   const std::vector<size_t>& AChosen, bool AMissing);
  void PrintPorts(const std::vector<TIdentifiedPort>& APorts) const;
  std::optional<std::u16string> InputProblem() const;
  // Why AFile cannot take an output (AWhat: "отчёт", "книгу"): it is a file the tool reads or
  // keeps, or it could not be written.
  std::optional<std::u16string> OutputProblem(const std::u16string& AFile,
                                              const std::u16string& AWhat) const;
  // A row for every port seen and every requested one; AMissing gets what was requested and is
  // not there.
  std::vector<TReportRow> Rows(const std::vector<TIdentifiedPort>& APorts,
                               std::vector<std::u16string>& AMissing) const;
  // Follows the rows to their end; the session records each in the journal as it starts and
  // ends. When the system's session ends meanwhile, the report and the journal are written at
  // once, within the system's grace time, with the rows still running as interrupted.
  void Follow(TUpdateSession& ASession, std::vector<TReportRow>& ARows,
              const std::vector<size_t>& AChosen);
  // The rows' outcomes into the report's rows.
  static void TakeOutcomes(const TUpdateSession& ASession, std::vector<TReportRow>& ARows,
                           const std::vector<size_t>& AChosen);
  // Writes the report when one was asked for; false when it could not be written.
  bool Report(const std::vector<TReportRow>& ARows) const;
  bool SessionEnding() const { return FIo.SessionEnding && FIo.SessionEnding(); }

  const TCliCommand& FCommand;
  const TCliIo& FIo;
};

std::optional<std::vector<TIdentifiedPort>> TRun::Identify() {
  FIo.Err("Поиск ККТ на USB-портах...\n");
  // A dry run changes no register: one that asks for recovery is only said to.
  return IdentifyPorts([this] { return StopRequested(); }, !FCommand.DryRun);
}

void TRun::PrintPorts(const std::vector<TIdentifiedPort>& APorts) const {
  if (APorts.empty()) {
    Line(u"USB-портов не найдено");
  }
  for (const TIdentifiedPort& port : APorts) {
    // What the register and the driver said is shown, never obeyed, by the terminal.
    const std::u16string name = ComPortName(port.ComNumber) + u": ";
    if (port.Found) {
      const std::u16string recovery =
          port.RecoveryNeeded.empty() ? u"" : u", требует восстановления: " + port.RecoveryNeeded;
      Line(name + ShownOnTerminal(port.Serial + u", " + port.Version + u", протокол " +
                                  IntToStr(port.ProtocolType) + u", " + port.DeviceName) +
           recovery);
    } else {
      Line(name + u"нет ККТ (" + ShownOnTerminal(port.Error) + u")");
    }
  }
}

int TRun::Search() {
  if (const std::optional<std::u16string> problem = DriverProblem()) {
    Error(*problem);
    return kExitUsage;
  }
  const std::optional<std::vector<TIdentifiedPort>> ports = Identify();
  if (!ports) {
    Error(u"прервано оператором");
    return kExitInterrupted;
  }
  if (FCommand.Json) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const TIdentifiedPort& port : *ports) {
      nlohmann::ordered_json item = {{"port", PortText(port.ComNumber)},
                                     {"found", port.Found}};
      if (port.Found) {
        item["serial"] = ToUtf8(port.Serial);
        item["version"] = ToUtf8(port.Version);
        item["protocol"] = port.ProtocolType;
        item["device"] = ToUtf8(port.DeviceName);
      } else {
        item["error"] = ToUtf8(port.Error);
      }
      list.push_back(item);
    }
    FIo.Out(list.dump(2) + "\n");
  } else {
    PrintPorts(*ports);
  }
  const bool found = std::any_of(ports->begin(), ports->end(),
                                 [](const TIdentifiedPort& APort) { return APort.Found; });
  return found ? kExitSuccess : kExitNothingToDo;
}

// A file the update reads: there, a regular file, readable.
std::optional<std::u16string> ReadableFileProblem(const std::u16string& AName,
                                                  const std::u16string& AWhat) {
  if (!FileExists(AName)) {
    return AWhat + u" не найден или это не обычный файл: " + AName;
  }
  try {
    FileSize(AName);
  } catch (const EError& e) {
    return AWhat + u": " + e.Message();
  }
  return std::nullopt;
}

std::optional<std::u16string> TRun::InputProblem() const {
  const TUpdateChoice& choice = FCommand.Choice;
  if (auto problem = ReadableFileProblem(choice.Firmware, u"файл прошивки")) {
    return problem;
  }
  const std::uintmax_t size = FileSize(choice.Firmware);
  if (size == 0) {
    return u"файл прошивки пуст: " + choice.Firmware;
  }
  if (size > static_cast<std::uintmax_t>(TUpdateTask::kMaxImageSize)) {
    return u"файл прошивки больше " + IntToStr(TUpdateTask::kMaxImageSize) +
           u" байт, самого большого образа, который передаётся: " + choice.Firmware;
  }
  if (TUpdateTask::BuildFromFileName(choice.Firmware) == 0 && !FCommand.AllowBuild0) {
    // Every register would be flashed and then fail its version check.
    return u"в имени файла прошивки нет номера сборки: " + choice.Firmware +
           u" (нужно имя вида fw_3105.bin — номер между последним «_» и «.»; ККТ, которая "
           u"сообщает сборку 0, обновляется с --allow-build-0)";
  }
  if (choice.Tables) {
    if (auto problem = ReadableFileProblem(*choice.Tables, u"файл таблиц")) {
      return problem;
    }
  }
  return FCommand.Report ? OutputProblem(*FCommand.Report, u"отчёт") : std::nullopt;
}

std::optional<std::u16string> TRun::OutputProblem(const std::u16string& AFile,
                                                  const std::u16string& AWhat) const {
  // An output never takes the place of a file the tool reads or keeps.
  const TUpdateChoice& choice = FCommand.Choice;
  const std::vector<std::pair<std::u16string, std::u16string>> inputs = {
      {choice.Firmware, u"файл прошивки"},
      {choice.Tables.value_or(u""), u"файл таблиц"},
      {FIo.SettingsFile, u"файл настроек"}};
  for (const auto& [file, what] : inputs) {
    if (!file.empty() && SameFile(AFile, file)) {
      return AWhat + u" не записать поверх: " + AFile + u" — это " + what + u" " + file;
    }
  }
  if (TJournal(FIo.JournalFolder).Holds(AFile)) {
    return AWhat + u" не записать поверх: " + AFile + u" — это файл журнала обновлений";
  }
  try {
    CheckFileReplaceable(AFile);
    if (HasExtension(AFile, kWorkbookExtension)) {
      // A workbook is made in the temporary folder first: that it can be begun there.
      const TRecordWorkbook probe({}, {});
    }
  } catch (const EError& e) {
    return AWhat + u" не записать: " + e.Message();
  }
  return std::nullopt;
}

std::vector<TReportRow> TRun::Rows(const std::vector<TIdentifiedPort>& APorts,
                                   std::vector<std::u16string>& AMissing) const {
  const TUpdateChoice& choice = FCommand.Choice;
  const auto named = [](const auto& AList, const auto& AValue) {
    return AList.empty() || std::find(AList.begin(), AList.end(), AValue) != AList.end();
  };
  std::vector<TReportRow> rows;
  for (const TIdentifiedPort& port : APorts) {
    TReportRow row;
    row.ComNumber = port.ComNumber;
    row.Serial = port.Serial;
    row.DeviceName = port.DeviceName;
    row.Outcome.VersionBefore = port.Version;
    row.Note = port.Error;
    const bool asked = named(choice.Ports, port.ComNumber) && named(choice.Serials, port.Serial);
    row.Kind = !port.Found ? TRowKind::NoRegister
               : asked     ? TRowKind::Updated
                           : TRowKind::NotChosen;
    rows.push_back(std::move(row));
  }
  // What was asked for by name and is not there: a row each.
  for (const std::int32_t port : choice.Ports) {
    const bool there = std::any_of(APorts.begin(), APorts.end(), [&](const TIdentifiedPort& A) {
      return A.Found && A.ComNumber == port && named(choice.Serials, A.Serial);
    });
    if (!there) {
      AMissing.push_back(u"порт " + ComPortName(port) + u": выбранной ККТ на нём нет");
      const bool listed = std::any_of(APorts.begin(), APorts.end(),
                                      [&](const TIdentifiedPort& A) { return A.ComNumber == port; });
      if (!listed) {
        TReportRow row;
        row.ComNumber = port;
        row.Kind = TRowKind::NotFound;
        rows.push_back(std::move(row));
      }
    }
  }
  for (const std::u16string& serial : choice.Serials) {
    const bool there = std::any_of(APorts.begin(), APorts.end(), [&](const TIdentifiedPort& A) {
      return A.Found && A.Serial == serial && named(choice.Ports, A.ComNumber);
    });
    if (!there) {
      AMissing.push_back(u"ККТ " + serial + u" не найдена на выбранных портах");
      const bool seen = std::any_of(APorts.begin(), APorts.end(),
                                    [&](const TIdentifiedPort& A) { return A.Serial == serial; });
      if (!seen) {
        TReportRow row;
        row.Serial = serial;
        row.Kind = TRowKind::NotFound;
        rows.push_back(std::move(row));
      }
    }
  }
  return rows;
}

std::vector<TLiveRow> LiveRows(const TUpdateSession& ASession) {
  std::vector<TLiveRow> rows;
  for (size_t i = 0; i < ASession.Size(); ++i) {
    const TUpdateTask& task = ASession.Task(i);
    const TTaskState& state = task.State();
    const std::optional<TRowCells> cells = RowCells(state);
    TLiveRow row{task.ComNumber(), cells ? cells->Percent : u"0%",
                 ShownOnTerminal(cells ? cells->State : u""),
                 state.Step.load(), state.StepCount.load(), ASession.Ended(i), false};
    if (row.Ended) {
      const TRunEnd end = task.LastRunEnd();
      row.Failed = end.Kind != TRunEnd::Succeeded;
      // A failed run's Step was set to its StepCount at the end: the bar shows where it was.
      row.Step = end.StepReached;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

void TRun::Follow(TUpdateSession& ASession, std::vector<TReportRow>& ARows,
                  const std::vector<size_t>& AChosen) {
  TLiveDisplay display(FIo.Terminal, FIo.Size, FIo.Out);
  bool stopSent = false;
  bool savedForSessionEnd = false;
  auto shownAt = std::chrono::steady_clock::now() - kRefresh;
  bool ended = false;
  while (!ended) {
    ended = ASession.Wait(kPoll);
    if (!ended && !stopSent && StopRequested()) {
      stopSent = true;
      ASession.StopAll();
      std::u16string waiting;
      for (size_t i = 0; i < ASession.Size(); ++i) {
        if (!ASession.Ended(i)) {
          waiting += std::u16string(waiting.empty() ? u"" : u", ") +
                     ComPortName(ASession.Task(i).ComNumber()) + u" (" +
                     ShownOnTerminal(ASession.Task(i).State().Text.Get()) + u")";
        }
      }
      display.Message(ToUtf8(u"Остановка: каждая ККТ остановится в ближайшей точке остановки; "
                             u"ждём " + waiting));
    }
    if (!ended && !savedForSessionEnd && SessionEnding()) {
      // The system ends the process soon after: what the rows have reached is kept now.
      savedForSessionEnd = true;
      ASession.StopAll();
      TakeOutcomes(ASession, ARows, AChosen);
      Report(ARows);
      ASession.FlushJournal();
      if (FIo.Saved) {
        FIo.Saved();
      }
    }
    // On a terminal every 500 ms; to a pipe at every change, which the display finds itself.
    if (ended || !FIo.Terminal || std::chrono::steady_clock::now() - shownAt >= kRefresh) {
      shownAt = std::chrono::steady_clock::now();
      display.Show(LiveRows(ASession));
    }
  }
  display.Finish();
  // The last try for what the journal could not take; what fails now is said once.
  if (const std::optional<std::u16string> problem = ASession.FlushJournal()) {
    Error(u"журнал обновлений не записан (записей: " +
          IntToStr(static_cast<std::int64_t>(ASession.JournalKept())) + u"): " + *problem);
  }
}

void TRun::TakeOutcomes(const TUpdateSession& ASession, std::vector<TReportRow>& ARows,
                        const std::vector<size_t>& AChosen) {
  for (size_t k = 0; k < AChosen.size(); ++k) {
    ARows[AChosen[k]].Outcome = ASession.Outcome(k);
  }
}

bool TRun::Report(const std::vector<TReportRow>& ARows) const {
  if (!FCommand.Report) {
    return true;
  }
  const TReportHeader header{FileVersionText(), FCommand.Choice.Firmware,
                             TUpdateTask::BuildFromFileName(FCommand.Choice.Firmware)};
  try {
    WriteReport(*FCommand.Report, header, ARows);
    Line(u"Отчёт: " + *FCommand.Report);
    return true;
  } catch (const EError& e) {
    Error(e.Message());
    return false;
  }
}

int TRun::Journal() {
  const auto kept = [this](const TJournalRecord& ARecord) {
    // A run that has no end yet is dated by its start.
    const TUpdateOutcome& outcome = ARecord.Outcome;
    const TDateTimeParts& date = (outcome.Ended ? outcome.Ended : outcome.Started)->Local;
    const auto day = [](const TDateTimeParts& ADate) {
      return EncodeDate(ADate.Year, ADate.Month, ADate.Day);
    };
    return !(FCommand.Since && day(date) < day(*FCommand.Since)) &&
           !(FCommand.Serial && ARecord.Serial != *FCommand.Serial);
  };
  std::optional<TRecordWorkbook> workbook;
  if (FCommand.Workbook) {
    if (const std::optional<std::u16string> problem =
            OutputProblem(*FCommand.Workbook, u"книгу")) {
      Error(*problem);
      return kExitUsage;
    }
    try {
      workbook.emplace(std::vector<TFieldValue>{}, CsvColumns(JournalEntries(TJournalRecord())));
    } catch (const EError& e) {
      Error(u"книгу не записать: " + e.Message());
      return kExitOutput;
    }
  }
  // Printed (or put in the workbook) as read, month by month, so that a journal of any size
  // takes little memory.
  size_t count = 0;
  TJournalReading reading;
  try {
    if (FCommand.Json) {
      FIo.Out("[");
    }
    reading = TJournal(FIo.JournalFolder).ReadEach([&](const TJournalRecord& ARecord) {
      if (!kept(ARecord)) {
        return;
      }
      if (workbook) {
        workbook->Add(JournalEntries(ARecord));
      } else if (FCommand.Json) {
        FIo.Out((count == 0 ? "\n" : ",\n") + JournalJsonItem(ARecord));
      } else {
        FIo.Out(JournalTextLine(ARecord));
      }
      ++count;
    });
  } catch (const std::exception& e) {
    // Out of memory, say: the journal was not read whole.
    reading.Problems.push_back(FromUtf8(e.what()));
  }
  if (FCommand.Json) {
    FIo.Out(count == 0 ? "]\n" : "\n]\n");
  } else if (!workbook && count == 0 && reading.Problems.empty() && reading.FailedChecks == 0) {
    FIo.Err("Записей в журнале нет\n");
  }
  for (const std::u16string& problem : reading.Problems) {
    Error(u"журнал обновлений не прочитать: " + problem);
  }
  if (reading.FailedChecks > 0) {
    Error(u"журнал обновлений: " + IntToStr(static_cast<std::int64_t>(reading.FailedChecks)) +
          u" записей не прошли проверку");
  }
  // What was read goes into the workbook even when a month could not be read.
  if (workbook) {
    try {
      ReplaceFileContent(*FCommand.Workbook, workbook->Finish());
      Line(u"Книга: " + *FCommand.Workbook + u" (записей: " +
           IntToStr(static_cast<std::int64_t>(count)) + u")");
    } catch (const EError& e) {
      Error(u"книгу не записать: " + e.Message());
      return kExitOutput;
    }
  }
  return reading.Problems.empty() && reading.FailedChecks == 0 ? kExitSuccess : kExitOutput;
}

int TRun::Update() {
  if (std::optional<std::u16string> problem = InputProblem()) {
    Error(*problem);
    return kExitUsage;
  }
  if (const std::optional<std::u16string> problem = DriverProblem()) {
    Error(*problem);
    return kExitUsage;
  }
  const std::optional<std::vector<TIdentifiedPort>> ports = Identify();
  if (!ports) {
    return StoppedInIdentification();
  }
  PrintPorts(*ports);
  std::vector<std::u16string> missingItems;
  std::vector<TReportRow> rows = Rows(*ports, missingItems);
  const bool missing = !missingItems.empty();
  for (const std::u16string& item : missingItems) {
    Error(item);
  }
  std::vector<size_t> chosen;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].Kind == TRowKind::Updated) {
      chosen.push_back(i);
    }
  }
  if (chosen.empty()) {
    Error(u"ни одной выбранной ККТ не найдено");
    return ExitStatusOf({.OutputLost = !Report(rows), .NothingToDo = true});
  }
  if (missing && !FCommand.DryRun) {
    // Every register asked for is an input: none is touched while one of them is missing.
    Error(u"не все выбранные ККТ найдены: ни одна ККТ не обновлялась");
    return ExitStatusOf({.OutputLost = !Report(rows), .NothingToDo = true});
  }
  if (FCommand.DryRun || StopRequested()) {
    return UpdateNone(rows, chosen, missing);
  }
  return UpdateChosen(*ports, rows, chosen, missing);
}

int TRun::StoppedInIdentification() {
  Error(u"прервано оператором до обновления: ни одна ККТ не обновлялась");
  // Every port and serial asked for still has its row: not started.
  std::vector<TReportRow> asked;
  for (const std::int32_t port : FCommand.Choice.Ports) {
    asked.push_back({port, {}, {}, TRowKind::Updated, {}, {}});
  }
  for (const std::u16string& serial : FCommand.Choice.Serials) {
    asked.push_back({std::nullopt, serial, {}, TRowKind::Updated, {}, {}});
  }
  Report(asked);
  return kExitInterrupted;
}

int TRun::UpdateNone(const std::vector<TReportRow>& ARows, const std::vector<size_t>& AChosen,
                     bool AMissing) {
  std::u16string list;
  for (const size_t i : AChosen) {
    list += std::u16string(list.empty() ? u"" : u", ") + ComPortName(*ARows[i].ComNumber) +
            u" (" + ARows[i].Serial + u")";
  }
  if (FCommand.DryRun) {
    Line(u"Были бы обновлены из " + FCommand.Choice.Firmware + u": " + list);
  } else {
    Error(u"прервано оператором до обновления: ни одна ККТ не обновлялась");
  }
  const bool written = Report(ARows);
  return ExitStatusOf(
      {.Interrupted = StopRequested(), .OutputLost = !written, .NothingToDo = AMissing});
}

int TRun::UpdateChosen(const std::vector<TIdentifiedPort>& APorts, std::vector<TReportRow>& ARows,
                       const std::vector<size_t>& AChosen, bool AMissing) {
  Line(u"Обновление из " + FCommand.Choice.Firmware);
  TUpdateSession session(u"kelvane-cli", TJournal(FIo.JournalFolder));
  for (const size_t i : AChosen) {
    session.Add(APorts.at(i));
  }
  session.StartAll({FCommand.Choice.Firmware, false, FCommand.Choice.Tables.has_value(),
                    FCommand.Choice.Tables.value_or(u"")});
  Follow(session, ARows, AChosen);
  TakeOutcomes(session, ARows, AChosen);
  bool failed = false;
  bool noReceipt = false;
  for (const size_t i : AChosen) {
    const TUpdateResult result = ARows[i].Outcome.Result;
    failed |= result == TUpdateResult::Failed || result == TUpdateResult::Stopped;
    noReceipt |= result == TUpdateResult::SuccessPrintError;
  }
  const bool written = Report(ARows) && session.JournalKept() == 0;
  return ExitStatusOf({.Interrupted = StopRequested(), .Failed = failed, .OutputLost = !written,
                       .NothingToDo = AMissing, .NoReceipt = noReceipt});
}

}  // namespace

int ExitStatusOf(const TRunFacts& AFacts) {
  return AFacts.Usage         ? kExitUsage
         : AFacts.Interrupted ? kExitInterrupted
         : AFacts.Failed      ? kExitFailed
         : AFacts.OutputLost  ? kExitOutput
         : AFacts.NothingToDo ? kExitNothingToDo
         : AFacts.NoReceipt   ? kExitNoReceipt
                              : kExitSuccess;
}

int RunCli(const TCliCommand& ACommand, const TCliIo& AIo) {
  TRun run(ACommand, AIo);
  switch (ACommand.Kind) {
    case TCliCommand::Search:
      return run.Search();
    case TCliCommand::Journal:
      return run.Journal();
    default:
      return run.Update();
  }
}

}  // namespace kelvane
