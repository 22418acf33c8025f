#pragma once

#include <string>

namespace kelvane {

// The user's application-data folder: CSIDL_APPDATA on Windows, $XDG_CONFIG_HOME or ~/.config
// elsewhere; empty when it cannot be determined.
std::u16string AppDataFolder();

// The platform's path separator.
char16_t PathSeparator();

}  // namespace kelvane
