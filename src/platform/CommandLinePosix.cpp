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

}  // namespace kelvane
