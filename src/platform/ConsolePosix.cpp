#include <sys/ioctl.h>
#include <unistd.h>

#include <csignal>

#include "platform/Console.h"

namespace kelvane {

namespace {

std::atomic<bool>* StopFlag = nullptr;

void OnSignal(int) {
  if (StopFlag != nullptr) {
    StopFlag->store(true);
  }
}

}  // namespace

// A terminal here takes UTF-8 as it is.
TUtf8ConsoleOutput::TUtf8ConsoleOutput() = default;
TUtf8ConsoleOutput::~TUtf8ConsoleOutput() = default;

bool OutputIsTerminal() {
  return isatty(STDOUT_FILENO) != 0;
}

std::optional<std::pair<int, int>> TerminalSize() {
  winsize size{};
  if (!OutputIsTerminal() || ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) {
    return std::nullopt;
  }
  return std::pair<int, int>{size.ws_col, size.ws_row};
}

void IgnoreBrokenPipe() {
  std::signal(SIGPIPE, SIG_IGN);
}

void InstallStopHandler(std::atomic<bool>& AFlag) {
  StopFlag = &AFlag;
  struct sigaction action {};
  action.sa_handler = &OnSignal;
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    sigaction(signal, &action, nullptr);
  }
}

bool SessionEnding() {
  // SIGTERM and SIGHUP leave the process its time: the rows stop at their next stop point.
  return false;
}

void StopHandled() {
}

}  // namespace kelvane
