#include <windows.h>

#include <shlobj.h>

#include "platform/AppDataFolder.h"

namespace kelvane {

namespace {

// The shell's item list, freed with the task allocator.
class TItemIdList {
 public:
  ~TItemIdList() { CoTaskMemFree(FList); }
  PIDLIST_ABSOLUTE* Out() { return &FList; }
  PCIDLIST_ABSOLUTE Get() const { return FList; }

 private:
  PIDLIST_ABSOLUTE FList = nullptr;
};

}  // namespace

std::u16string AppDataFolder() {
  TItemIdList list;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_APPDATA, list.Out()))) {
    return {};
  }
  wchar_t path[MAX_PATH] = {};
  if (!SHGetPathFromIDListW(list.Get(), path)) {
    return {};
  }
  return reinterpret_cast<const char16_t*>(path);
}

char16_t PathSeparator() {
  return u'\\';
}

}  // namespace kelvane
