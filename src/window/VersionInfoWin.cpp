#include <windows.h>

#include <vector>

#include "platform/Text.h"
#include "window/VersionInfo.h"

namespace kelvane {

namespace {

// The fixed file information of version resource 1 of this executable.
bool FixedFileInfo(VS_FIXEDFILEINFO& AInfo) {
  const HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(1), RT_VERSION);
  if (resource == nullptr) {
    return false;
  }
  const HGLOBAL loaded = LoadResource(nullptr, resource);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  const DWORD size = SizeofResource(nullptr, resource);
  if (data == nullptr || size == 0) {
    return false;
  }
  // VerQueryValue wants a writable copy of the block.
  std::vector<char> block(static_cast<const char*>(data), static_cast<const char*>(data) + size);
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) ||
      info == nullptr || length < sizeof(VS_FIXEDFILEINFO)) {
    return false;
  }
  AInfo = *info;
  return true;
}

}  // namespace

std::u16string FileVersionText() {
  VS_FIXEDFILEINFO info{};
  if (!FixedFileInfo(info)) {
    return u"0.0.0.0";
  }
  return IntToStr(HIWORD(info.dwFileVersionMS)) + u"." + IntToStr(LOWORD(info.dwFileVersionMS)) +
         u"." + IntToStr(HIWORD(info.dwFileVersionLS)) + u"." +
         IntToStr(LOWORD(info.dwFileVersionLS));
}

}  // namespace kelvane
