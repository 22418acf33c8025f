#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include "platform/AppDataFolder.h"

namespace kelvane {

// The user's roaming application-data folder (CSIDL_APPDATA), of any length.
std::u16string AppDataFolder() {
  PWSTR path = nullptr;
  const HRESULT result = SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &path);
  std::u16string folder;
  if (SUCCEEDED(result) && path != nullptr) {
    folder = reinterpret_cast<const char16_t*>(path);
  }
  // Freed whether it succeeded or not, as the call asks.
  CoTaskMemFree(path);
  return folder;
}

char16_t PathSeparator() {
  return u'\\';
}

}  // namespace kelvane
