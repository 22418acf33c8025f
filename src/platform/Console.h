#pragma once

#include <atomic>
#include <optional>
#include <utility>

namespace kelvane {

// For the life of the scope the console shows the program's UTF-8 output as such (Windows); the
// code page the console had is put back at the end, for the shell that started the program.
class TUtf8ConsoleOutput {
 public:
  TUtf8ConsoleOutput();
  ~TUtf8ConsoleOutput();
  TUtf8ConsoleOutput(const TUtf8ConsoleOutput&) = delete;
  TUtf8ConsoleOutput& operator=(const TUtf8ConsoleOutput&) = delete;

 private:
  // The console's code page before (Windows; a terminal elsewhere has none to put back).
  [[maybe_unused]] unsigned FPrevious = 0;
};

// True when standard output is a terminal, which then also takes escape sequences.
bool OutputIsTerminal();
// The terminal's columns and rows; nothing when standard output is not a terminal.
std::optional<std::pair<int, int>> TerminalSize();
// A closed pipe on the output makes writes fail instead of ending the program (SIGPIPE), so that
// no update is left half-done because a reader went away.
void IgnoreBrokenPipe();
// Ctrl+C, Ctrl+Break, the console closing, SIGINT, SIGTERM and SIGHUP set AFlag and nothing else.
// A closing console ends the process when its handler returns (Windows): the handler waits up to
// 4.5 s for StopHandled, so that the report can still be written.
void InstallStopHandler(std::atomic<bool>& AFlag);
// True once the console closes or the system's session ends (Windows): the program has until
// StopHandled, or 4.5 s, to write what it keeps.
bool SessionEnding();
void StopHandled();

}  // namespace kelvane
