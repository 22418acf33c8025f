#include "discovery/setupapi/SetupApiPortSource.h"
#include <windows.h>

#include <setupapi.h>

#include <mutex>
#include <string>

namespace kelvane {

namespace {

// From the system folder only: a library of that name in the program's folder or the current one
// is never loaded. Where the search flag is unknown (Windows 7 without its update), the full path.
HMODULE LoadSystemLibrary(const wchar_t* AName) {
  if (HMODULE module = LoadLibraryExW(AName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    return module;
  }
  if (GetLastError() != ERROR_INVALID_PARAMETER) {
    return nullptr;
  }
  wchar_t path[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length + 1 + wcslen(AName) >= MAX_PATH) {
    return nullptr;
  }
  return LoadLibraryW((std::wstring(path) + L"\\" + AName).c_str());
}

// The five functions, from the library loaded at run time. A library that cannot be loaded or
// lacks one of them leaves Valid false.
class TSetupApi {
 public:
  TSetupApi() {
    // No "cannot find the library" box for the operator: a missing library means no ports. The
    // mode is this thread's only: other threads keep theirs.
    DWORD previousMode = 0;
    const bool modeSet =
        SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode) != 0;
    FModule = LoadSystemLibrary(L"SetupApi.dll");
    if (modeSet) {
      SetThreadErrorMode(previousMode, nullptr);
    }
    if (FModule == nullptr) {
      return;
    }
    Load(ClassGuidsFromName, "SetupDiClassGuidsFromNameW");
    Load(GetClassDevs, "SetupDiGetClassDevsW");
    Load(EnumDeviceInfo, "SetupDiEnumDeviceInfo");
    Load(GetDeviceRegistryProperty, "SetupDiGetDeviceRegistryPropertyW");
    Load(DestroyDeviceInfoList, "SetupDiDestroyDeviceInfoList");
  }
  ~TSetupApi() {
    if (FModule != nullptr) {
      FreeLibrary(FModule);
    }
  }
  TSetupApi(const TSetupApi&) = delete;
  TSetupApi& operator=(const TSetupApi&) = delete;

  bool Valid() const {
    return ClassGuidsFromName && GetClassDevs && EnumDeviceInfo && GetDeviceRegistryProperty &&
           DestroyDeviceInfoList;
  }

  decltype(&SetupDiClassGuidsFromNameW) ClassGuidsFromName = nullptr;
  decltype(&SetupDiGetClassDevsW) GetClassDevs = nullptr;
  decltype(&SetupDiEnumDeviceInfo) EnumDeviceInfo = nullptr;
  decltype(&SetupDiGetDeviceRegistryPropertyW) GetDeviceRegistryProperty = nullptr;
  decltype(&SetupDiDestroyDeviceInfoList) DestroyDeviceInfoList = nullptr;

 private:
  template <typename TFunction>
  void Load(TFunction& AFunction, const char* AName) {
    AFunction =
        reinterpret_cast<TFunction>(reinterpret_cast<void*>(GetProcAddress(FModule, AName)));
  }

  HMODULE FModule = nullptr;
};

// Loaded on the first enumeration, kept for the rest of the run.
const TSetupApi& SetupApi() {
  static const TSetupApi api;
  return api;
}

// A device information set, destroyed exactly once.
class TDeviceInfoSet {
 public:
  TDeviceInfoSet(const TSetupApi& AApi, HDEVINFO AHandle) : FApi(AApi), FHandle(AHandle) {}
  ~TDeviceInfoSet() {
    if (Valid()) {
      FApi.DestroyDeviceInfoList(FHandle);
    }
  }
  TDeviceInfoSet(const TDeviceInfoSet&) = delete;
  TDeviceInfoSet& operator=(const TDeviceInfoSet&) = delete;
  bool Valid() const { return FHandle != INVALID_HANDLE_VALUE; }
  HDEVINFO Handle() const { return FHandle; }

 private:
  const TSetupApi& FApi;
  HDEVINFO FHandle;
};

std::optional<std::u16string> FriendlyName(const TSetupApi& AApi, HDEVINFO ASet,
                                           SP_DEVINFO_DATA& ADevice) {
  DWORD required = 0;
  AApi.GetDeviceRegistryProperty(ASet, &ADevice, SPDRP_FRIENDLYNAME, nullptr, nullptr, 0,
                                 &required);
  // Room for the required bytes and a terminating NUL that the registry may have left out.
  std::u16string buffer(required / sizeof(wchar_t) + 1, u'\0');
  if (!AApi.GetDeviceRegistryProperty(ASet, &ADevice, SPDRP_FRIENDLYNAME, nullptr,
                                      reinterpret_cast<PBYTE>(buffer.data()), required, nullptr)) {
    return std::nullopt;
  }
  return buffer;
}

}  // namespace

std::vector<std::optional<std::u16string>> TSetupApiPortSource::PresentPortNames() {
  std::vector<std::optional<std::u16string>> names;
  const TSetupApi& api = SetupApi();
  if (!api.Valid()) {
    return names;
  }
  GUID portsClass{};
  DWORD required = 0;
  // Success with no class found reports a required size of 0: then there is no "Ports" class.
  if (!api.ClassGuidsFromName(L"Ports", &portsClass, 1, &required) || required == 0) {
    return names;
  }
  const TDeviceInfoSet devices(api, api.GetClassDevs(&portsClass, nullptr, nullptr, DIGCF_PRESENT));
  if (!devices.Valid()) {
    return names;
  }
  for (DWORD index = 0;; ++index) {
    SP_DEVINFO_DATA device{};
    // The structure's size on this architecture: 28 bytes on 32-bit Windows, 32 on 64-bit.
    device.cbSize = sizeof(SP_DEVINFO_DATA);
    if (!api.EnumDeviceInfo(devices.Handle(), index, &device)) {
      break;
    }
    names.push_back(FriendlyName(api, devices.Handle(), device));
  }
  return names;
}

}  // namespace kelvane
