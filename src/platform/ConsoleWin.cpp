#include <windows.h>

#include "platform/Console.h"

namespace kelvane {

namespace {

std::atomic<bool>* StopFlag = nullptr;
std::atomic<bool> Ending{false};
HANDLE StopDone = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD AEvent) {
  if (StopFlag != nullptr) {
    StopFlag->store(true);
  }
  if (AEvent == CTRL_CLOSE_EVENT || AEvent == CTRL_LOGOFF_EVENT || AEvent == CTRL_SHUTDOWN_EVENT) {
    // The process ends when this returns: the program writes what it keeps meanwhile.
    Ending.store(true);
    WaitForSingleObject(StopDone, 4500);
  }
  return TRUE;
}

}  // namespace

TUtf8ConsoleOutput::TUtf8ConsoleOutput() : FPrevious(GetConsoleOutputCP()) {
  SetConsoleOutputCP(CP_UTF8);
}

TUtf8ConsoleOutput::~TUtf8ConsoleOutput() {
  if (FPrevious != 0) {
    SetConsoleOutputCP(FPrevious);
  }
}

bool OutputIsTerminal() {
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  return GetConsoleMode(output, &mode) &&
         SetConsoleMode(output, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

std::optional<std::pair<int, int>> TerminalSize() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!OutputIsTerminal() ||
      !GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) {
    return std::nullopt;
  }
  return std::pair<int, int>{info.srWindow.Right - info.srWindow.Left + 1,
                             info.srWindow.Bottom - info.srWindow.Top + 1};
}

void IgnoreBrokenPipe() {
  // A failed write to a closed pipe fails; it never ends the process here.
}

void InstallStopHandler(std::atomic<bool>& AFlag) {
  StopFlag = &AFlag;
  StopDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(&OnConsoleEvent, TRUE);
}

bool SessionEnding() {
  return Ending.load();
}

void StopHandled() {
  if (StopDone != nullptr) {
    SetEvent(StopDone);
  }
}

}  // namespace kelvane
