#include <windows.h>

#include <string>

#include "platform/Environment.h"

namespace kelvane {

std::filesystem::path EnvironmentPath(const char* AName) {
  const std::wstring name(AName, AName + std::char_traits<char>::length(AName));
  std::wstring value(32768, L'\0');
  const DWORD length =
      GetEnvironmentVariableW(name.c_str(), value.data(), static_cast<DWORD>(value.size()));
  if (length == 0 || length >= value.size()) {
    return {};
  }
  value.resize(length);
  return std::filesystem::path(value);
}

}  // namespace kelvane
