#include "platform/CommandLine.h"
#include "platform/Text.h"

namespace kelvane {

std::vector<std::u16string> CommandLineArguments(int argc, char** argv) {
  std::vector<std::u16string> arguments;
  for (int i = 1; i < argc; ++i) {
    arguments.push_back(FromUtf8(argv[i]));
  }
  return arguments;
}

// A terminal here takes UTF-8 as it is.
TUtf8ConsoleOutput::TUtf8ConsoleOutput() = default;
TUtf8ConsoleOutput::~TUtf8ConsoleOutput() = default;

}  // namespace kelvane
