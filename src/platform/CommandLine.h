#pragma once

#include <string>
#include <vector>

namespace kelvane {

// The program's arguments, its name left out. On Windows they come from the wide command line:
// argv arrives in the ANSI code page and would lose every letter outside it.
std::vector<std::u16string> CommandLineArguments(int argc, char** argv);

}  // namespace kelvane
