#include <cstdlib>

#include "platform/AppDataFolder.h"
#include "platform/Text.h"

namespace kelvane {

std::u16string AppDataFolder() {
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config != '\0') {
    return FromUtf8(config);
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    return FromUtf8(home) + u"/.config";
  }
  return {};
}

char16_t PathSeparator() {
  return u'/';
}

}  // namespace kelvane
