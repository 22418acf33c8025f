#include <windows.h>

#include <cstring>

#include "platform/Text.h"
#include "platform/VersionInfo.h"

namespace kelvane {

namespace {

// The fixed file information of version resource 1 of this executable, read from the resource
// itself: VERSION.dll is not one of the system's known libraries, and a program that imports it
// would load a copy planted in its own folder (a Downloads folder, say) first.
bool FixedFileInfo(VS_FIXEDFILEINFO& AInfo) {
  const HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(1), RT_VERSION);
  if (resource == nullptr) {
    return false;
  }
  const HGLOBAL loaded = LoadResource(nullptr, resource);
  const auto* data = static_cast<const BYTE*>(loaded != nullptr ? LockResource(loaded) : nullptr);
  const DWORD size = SizeofResource(nullptr, resource);
  // VS_VERSIONINFO: three WORDs (length, value length, type), the key "VS_VERSION_INFO" with its
  // NUL, padding to a DWORD boundary, then the value, the fixed file information.
  constexpr wchar_t kKey[] = L"VS_VERSION_INFO";
  constexpr DWORD kValueAt = (3 * sizeof(WORD) + sizeof kKey + 3) & ~DWORD{3};
  if (data == nullptr || size < kValueAt + sizeof(VS_FIXEDFILEINFO) ||
      std::memcmp(data + 3 * sizeof(WORD), kKey, sizeof kKey) != 0) {
    return false;
  }
  WORD valueLength = 0;
  std::memcpy(&valueLength, data + sizeof(WORD), sizeof valueLength);
  std::memcpy(&AInfo, data + kValueAt, sizeof AInfo);
  return valueLength >= sizeof(VS_FIXEDFILEINFO) && AInfo.dwSignature == 0xFEEF04BD;
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
