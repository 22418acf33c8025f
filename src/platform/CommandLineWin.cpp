#include <windows.h>

#include <shellapi.h>

#include "platform/CommandLine.h"

namespace kelvane {

std::vector<std::u16string> CommandLineArguments(int, char**) {
  std::vector<std::u16string> arguments;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; wide != nullptr && i < count; ++i) {
    arguments.emplace_back(reinterpret_cast<const char16_t*>(wide[i]));
  }
  LocalFree(wide);
  return arguments;
}

}  // namespace kelvane
