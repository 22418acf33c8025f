#include "cli/BatchRun.h"

#include <algorithm>
#include <memory>

#include "discovery/USBUtils.h"
#include "platform/Clock.h"
#include "platform/DateTime.h"
#include "platform/Error.h"
#include "platform/Text.h"
#include "procedures/SearchTask.h"
#include "procedures/UpdateTask.h"
#include "tasks/MainThread.h"
#include "window/RowProgress.h"

namespace kelvane {

namespace {

constexpr std::u16string_view kSucceeded = u"Успешно завершено: ";
constexpr std::u16string_view kPrintError = u" Ошибка печати: ";
constexpr auto kRefresh = std::chrono::milliseconds(500);
constexpr auto kPoll = std::chrono::milliseconds(50);

std::u16string TwoDigits(int AValue) {
  return (AValue < 10 ? std::u16string(u"0") : std::u16string()) + IntToStr(AValue);
}

std::u16string LocalTimeText(TDateTime AWhen) {
  const TDateTimeParts parts = DecodeDateTime(AWhen);
  return IntToStr(parts.Year) + u"-" + TwoDigits(parts.Month) + u"-" + TwoDigits(parts.Day) + u" " +
         TwoDigits(parts.Hour) + u":" + TwoDigits(parts.Minute) + u":" + TwoDigits(parts.Second);
}

bool AllEnded(const std::vector<std::unique_ptr<TUpdateTask>>& ATasks) {
  return std::all_of(ATasks.begin(), ATasks.end(),
                     [](const auto& ATask) { return ATask->WorkerEnded(); });
}

}  // namespace

std::vector<TIdentifiedPort> IdentifyPorts() {
  TSerialPorts ports;
  ports.Refresh(true, false);
  std::vector<std::unique_ptr<TSearchTask>> searches;
  for (const TSerialPortRec& port : ports) {
    auto search = std::make_unique<TSearchTask>();
    search->SetComNumber(port.ComNumber);
    search->Start();
    searches.push_back(std::move(search));
  }
  TMainThread::Instance().WaitWhileDraining([&] {
    return std::all_of(searches.begin(), searches.end(),
                       [](const auto& ASearch) { return ASearch->WorkerEnded(); });
  });
  std::vector<TIdentifiedPort> identified;
  for (const auto& search : searches) {
    TIdentifiedPort port;
    port.ComNumber = search->ComNumber();
    port.Found = search->State().Succeded.load();
    if (port.Found) {
      port.Serial = search->Serial();
      port.Version = search->Version();
      port.ProtocolType = search->ProtocolType();
      port.DeviceName = search->DeviceName();
    } else {
      port.Error = search->State().Text.Get();
    }
    identified.push_back(std::move(port));
  }
  return identified;
}

std::vector<TIdentifiedPort> ChosenRegisters(const std::vector<TIdentifiedPort>& APorts,
                                             const TUpdateChoice& AChoice) {
  std::vector<TIdentifiedPort> chosen;
  for (const TIdentifiedPort& port : APorts) {
    const bool byPort = AChoice.Ports.empty() ||
                        std::find(AChoice.Ports.begin(), AChoice.Ports.end(), port.ComNumber) !=
                            AChoice.Ports.end();
    const bool bySerial = AChoice.Serials.empty() ||
                          std::find(AChoice.Serials.begin(), AChoice.Serials.end(), port.Serial) !=
                              AChoice.Serials.end();
    if (port.Found && byPort && bySerial) {
      chosen.push_back(port);
    }
  }
  std::sort(chosen.begin(), chosen.end(), [](const TIdentifiedPort& A, const TIdentifiedPort& B) {
    return A.ComNumber < B.ComNumber;
  });
  return chosen;
}

TUpdateResult ResultOf(bool ASucceeded, const std::u16string& AFinalText) {
  if (ASucceeded) {
    return AFinalText.find(kPrintError) != std::u16string::npos ? TUpdateResult::SuccessPrintError
                                                                : TUpdateResult::Success;
  }
  return AFinalText == EAbort::Text() ? TUpdateResult::Stopped : TUpdateResult::Failed;
}

std::u16string VersionAfter(const std::u16string& AFinalText) {
  if (!AFinalText.starts_with(kSucceeded)) {
    return {};
  }
  const std::u16string rest = AFinalText.substr(kSucceeded.size());
  // The version text ends with its date in parentheses; what follows is the time or the print
  // error.
  const size_t close = rest.find(u')');
  return close == std::u16string::npos ? rest : rest.substr(0, close + 1);
}

std::vector<TReportRow> UpdateRegisters(
    const std::vector<TIdentifiedPort>& ARegisters, const TUpdateChoice& AChoice,
    const std::atomic<bool>& AStopRequested,
    const std::function<void(const std::vector<TLiveRow>&)>& AShow) {
  std::vector<std::unique_ptr<TUpdateTask>> tasks;
  std::vector<TReportRow> rows;
  std::vector<std::chrono::milliseconds> started;
  for (const TIdentifiedPort& port : ARegisters) {
    auto task = std::make_unique<TUpdateTask>();
    task->SetComNumber(port.ComNumber);
    task->SetProtocolType(port.ProtocolType);
    task->SetName(port.Serial);
    task->SetFileName(AChoice.Firmware);
    task->SetWriteTables(AChoice.Tables.has_value());
    task->SetTablesFileName(AChoice.Tables.value_or(u""));
    TReportRow row;
    row.ComNumber = port.ComNumber;
    row.Serial = port.Serial;
    row.DeviceName = port.DeviceName;
    row.VersionBefore = port.Version;
    row.StartTime = LocalTimeText(Clock()->LocalNow());
    rows.push_back(std::move(row));
    started.push_back(Clock()->SteadyNow());
    task->Start();
    tasks.push_back(std::move(task));
  }
  std::vector<std::optional<double>> seconds(tasks.size());
  bool stopSent = false;
  const auto show = [&] {
    std::vector<TLiveRow> live;
    for (const auto& task : tasks) {
      const std::optional<TRowCells> cells = RowCells(task->State());
      live.push_back({task->ComNumber(), cells ? cells->Percent : u"0%", cells ? cells->State : u"",
                      task->State().Step.load(), task->State().StepCount.load()});
    }
    AShow(live);
  };
  // Short waits, so that a stop request reaches the rows at once; the rows are shown every 500 ms.
  // The display's pace is the terminal's, in real time, whatever clock the procedures run on.
  auto shownAt = std::chrono::steady_clock::now();
  bool ended = false;
  while (!ended) {
    if (AStopRequested.load() && !stopSent) {
      stopSent = true;
      for (const auto& task : tasks) {
        task->Stop();
      }
    }
    ended = TMainThread::Instance().WaitWhileDraining([&] { return AllEnded(tasks); }, kPoll);
    for (size_t i = 0; i < tasks.size(); ++i) {
      if (!seconds[i] && tasks[i]->WorkerEnded()) {
        seconds[i] = static_cast<double>((Clock()->SteadyNow() - started[i]).count()) / 1000.0;
      }
    }
    if (ended || std::chrono::steady_clock::now() - shownAt >= kRefresh) {
      shownAt = std::chrono::steady_clock::now();
      show();
    }
  }
  for (size_t i = 0; i < tasks.size(); ++i) {
    const TTaskState& state = tasks[i]->State();
    rows[i].FinalText = state.Text.Get();
    rows[i].Result = ResultOf(state.Succeded.load(), rows[i].FinalText);
    rows[i].VersionAfter = VersionAfter(rows[i].FinalText);
    rows[i].Seconds = seconds[i].value_or(0);
  }
  return rows;
}

int ExitStatusOf(const std::vector<TReportRow>& ARows) {
  if (ARows.empty()) {
    return kExitUsage;
  }
  int status = kExitSuccess;
  for (const TReportRow& row : ARows) {
    if (row.Result == TUpdateResult::Failed || row.Result == TUpdateResult::Stopped) {
      return kExitFailed;
    }
    if (row.Result == TUpdateResult::SuccessPrintError) {
      status = kExitNoReceipt;
    }
  }
  return status;
}

}  // namespace kelvane
