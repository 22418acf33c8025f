#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kelvane {

// One USB port as the identification left it: a register, or the error text of a port without.
struct TIdentifiedPort {
  std::int32_t ComNumber = 0;
  bool Found = false;
  std::u16string Serial;
  std::u16string Version;
  std::int32_t ProtocolType = 0;
  std::u16string DeviceName;
  std::u16string Error;
};

// How an update of one register ended.
enum class TUpdateResult { Success, SuccessPrintError, Failed, Stopped };

// One row of the report.
struct TReportRow {
  std::int32_t ComNumber = 0;
  std::u16string Serial;
  std::u16string DeviceName;
  std::u16string VersionBefore;
  std::u16string VersionAfter;
  TUpdateResult Result = TUpdateResult::Failed;
  std::u16string FinalText;
  // Local wall-clock time of the start, "yyyy-mm-dd hh:mm:ss".
  std::u16string StartTime;
  double Seconds = 0;
};

// What an update is asked to do.
struct TUpdateChoice {
  std::u16string Firmware;
  std::optional<std::u16string> Tables;
  // Empty: every identified register.
  std::vector<std::int32_t> Ports;
  std::vector<std::u16string> Serials;
};

// Identifies the registers on every present USB serial port at the same time, each with its own
// search task; the ports in the order the platform listed them.
std::vector<TIdentifiedPort> IdentifyPorts();

// The registers the choice names among those identified, in port order.
std::vector<TIdentifiedPort> ChosenRegisters(const std::vector<TIdentifiedPort>& APorts,
                                             const TUpdateChoice& AChoice);

// A row's state as it is shown while the update runs.
struct TLiveRow {
  std::int32_t ComNumber = 0;
  std::u16string Percent;
  std::u16string Text;
  std::int32_t Step = 0;
  std::int32_t StepCount = 0;
};

// Updates the registers at the same time with the update procedure, and returns a report row for
// each. AShow gets every row each refresh (500 ms, and once at the end); AStopRequested is read
// every 50 ms: once it holds, every row is asked to stop at its next stop point.
std::vector<TReportRow> UpdateRegisters(
    const std::vector<TIdentifiedPort>& ARegisters, const TUpdateChoice& AChoice,
    const std::atomic<bool>& AStopRequested,
    const std::function<void(const std::vector<TLiveRow>&)>& AShow);

// The row's result and the version reached, from the task's end.
TUpdateResult ResultOf(bool ASucceeded, const std::u16string& AFinalText);
std::u16string VersionAfter(const std::u16string& AFinalText);

// Exit status of a run: 0 every register updated with its receipt, 1 some printed no receipt,
// 2 some failed or were stopped, 3 wrong arguments or nothing found.
enum TExitStatus : int { kExitSuccess = 0, kExitNoReceipt = 1, kExitFailed = 2, kExitUsage = 3 };
int ExitStatusOf(const std::vector<TReportRow>& ARows);

}  // namespace kelvane
