#pragma once

#include <string>
#include <vector>

namespace kelvane {

// The program's arguments, its name left out. On Windows they come from the wide command line:
// argv arrives in the ANSI code page and would lose every letter outside it.
std::vector<std::u16string> CommandLineArguments(int argc, char** argv);

// For the life of the scope the console shows the program's UTF-8 output as such (Windows); the
// code page the console had is put back at the end, for the shell that started the program.
class TUtf8ConsoleOutput {
 public:
  TUtf8ConsoleOutput();
  ~TUtf8ConsoleOutput();
  TUtf8ConsoleOutput(const TUtf8ConsoleOutput&) = delete;
  TUtf8ConsoleOutput& operator=(const TUtf8ConsoleOutput&) = delete;

 private:
  unsigned FPrevious = 0;
};

}  // namespace kelvane
