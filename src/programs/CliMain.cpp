// kelvane-cli: the identification and the update of many registers from a terminal or a script,
// with a report of every port. Exit status: see TExitStatus (--help and README list them).
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliArguments.h"
#include "cli/CliRun.h"
#include "driver/TarvikFactory.h"
#include "platform/CommandLine.h"
#include "platform/Console.h"
#include "platform/Text.h"
#include "platform/VersionInfo.h"
#include "session/Journal.h"
#include "tasks/MainThread.h"
#include "window/XmlStorage.h"

using namespace kelvane;

namespace {

// Set by Ctrl+C (or the console closing): every row stops at its next stop point.
std::atomic<bool> StopRequested{false};
// Set when a write failed (a full disk, a reader gone).
std::atomic<bool> OutputFailed{false};

// A write that fails stops nothing, an update least of all; the exit status says it at the end.
void Write(std::FILE* AStream, const std::string& AText) {
  if (std::fputs(AText.c_str(), AStream) < 0 || std::fflush(AStream) != 0) {
    OutputFailed = true;
  }
}

// Output that did not reach its reader, in its rank among the statuses (see ExitStatusOf): above
// a success, a missing receipt and a run with nothing to do.
int WithOutput(int AStatus) {
  return ExitStatusOf({.Usage = AStatus == kExitUsage,
                       .Interrupted = AStatus == kExitInterrupted,
                       .Failed = AStatus == kExitFailed,
                       .OutputLost = OutputFailed || AStatus == kExitOutput,
                       .NothingToDo = AStatus == kExitNothingToDo,
                       .NoReceipt = AStatus == kExitNoReceipt});
}

}  // namespace

int main(int argc, char** argv) {
  const TUtf8ConsoleOutput console;
  IgnoreBrokenPipe();
  TCliCommand command;
  try {
    command = ParseCliArguments(CommandLineArguments(argc, argv));
  } catch (const ECliUsage& e) {
    Write(stderr, "kelvane-cli: " + ToUtf8(e.Message()) + "\nСправка: kelvane-cli --help\n");
    return kExitUsage;
  }
  if (command.Kind == TCliCommand::Help) {
    Write(stdout, CliHelpText());
    return WithOutput(kExitSuccess);
  }
  if (command.Kind == TCliCommand::Version) {
    Write(stdout, "kelvane-cli " + ToUtf8(FileVersionText()) + "\n");
    return WithOutput(kExitSuccess);
  }
  TMainThread::Instance().BindToCurrentThread();
  InstallStopHandler(StopRequested);
  int status = kExitUsage;
  try {
    PreparePlatformDriver();
    const TCliIo io{[](const std::string& AText) { Write(stdout, AText); },
                    [](const std::string& AText) { Write(stderr, AText); }, OutputIsTerminal(),
                    &TerminalSize, &StopRequested,
                    JournalFolderOf(TXmlStorage::DefaultFileName()),
                    TXmlStorage::DefaultFileName(), &SessionEnding, &StopHandled};
    status = RunCli(command, io);
  } catch (const std::exception& e) {
    Write(stderr, std::string("kelvane-cli: ") + e.what() + "\n");
  }
  StopHandled();
  return WithOutput(status);
}
