#include <cstdlib>

#include "platform/Environment.h"

namespace kelvane {

std::filesystem::path EnvironmentPath(const char* AName) {
  const char* value = std::getenv(AName);
  return value != nullptr ? std::filesystem::path(value) : std::filesystem::path();
}

}  // namespace kelvane
