#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "cli/CliArguments.h"
#include "cli/LiveDisplay.h"

namespace kelvane {

// Exit statuses a script can tell apart; --help and README list them.
enum TExitStatus : int {
  kExitSuccess = 0,
  kExitNoReceipt = 1,
  kExitFailed = 2,
  kExitUsage = 3,
  kExitNothingToDo = 4,
  kExitOutput = 5,
  kExitInterrupted = 130
};

// What a run came to. When several apply, the exit status is that of the first in this order:
// wrong inputs (3), the operator's interruption (130), a failed update (2), output lost (5),
// nothing to do (4), no receipt (1); else success (0).
struct TRunFacts {
  bool Usage = false;
  bool Interrupted = false;
  bool Failed = false;
  bool OutputLost = false;
  bool NothingToDo = false;
  bool NoReceipt = false;
};
int ExitStatusOf(const TRunFacts& AFacts);

// Where kelvane-cli writes and what it is told while it runs.
struct TCliIo {
  std::function<void(const std::string&)> Out;
  std::function<void(const std::string&)> Err;
  bool Terminal = false;
  TLiveDisplay::TSize Size;
  // Set by Ctrl+C: the operator's stop.
  const std::atomic<bool>* StopRequested = nullptr;
  // Where the journal of every update is (the settings file's folder), and the settings file.
  std::u16string JournalFolder;
  std::u16string SettingsFile;
  // True once the system's session ends (Windows: the console's close, a logoff, a shutdown):
  // the process has a few seconds left. Saved is called once the report and the journal are
  // written for it.
  std::function<bool()> SessionEnding;
  std::function<void()> Saved;
};

// Runs a search, an update or a journal command to its end; the exit status. The calling thread
// plays the main thread.
int RunCli(const TCliCommand& ACommand, const TCliIo& AIo);

}  // namespace kelvane
