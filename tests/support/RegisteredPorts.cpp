#include "support/RegisteredPorts.h"

#include <devguid.h>
#include <stdexcept>

namespace kelvane::test {

TRegisteredPorts::TRegisteredPorts(
    const std::vector<std::optional<std::u16string>>& AFriendlyNames) {
  FDevices = SetupDiCreateDeviceInfoList(&GUID_DEVCLASS_PORTS, nullptr);
  if (FDevices == INVALID_HANDLE_VALUE) {
    throw std::runtime_error("SetupDiCreateDeviceInfoList failed");
  }
  try {
    Register(AFriendlyNames);
  } catch (...) {
    // What was registered before the failure goes again: no stray port outlives the test.
    Remove();
    throw;
  }
}

void TRegisteredPorts::Register(const std::vector<std::optional<std::u16string>>& AFriendlyNames) {
  for (const std::optional<std::u16string>& name : AFriendlyNames) {
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    // A generated instance identifier, so that no two runs collide.
    if (!SetupDiCreateDeviceInfoW(FDevices, L"KELVANETEST", &GUID_DEVCLASS_PORTS, nullptr, nullptr,
                                  DICD_GENERATE_ID, &device)) {
      throw std::runtime_error("SetupDiCreateDeviceInfoW failed");
    }
    if (name) {
      const auto* bytes = reinterpret_cast<const BYTE*>(name->c_str());
      if (!SetupDiSetDeviceRegistryPropertyW(
              FDevices, &device, SPDRP_FRIENDLYNAME, bytes,
              static_cast<DWORD>((name->size() + 1) * sizeof(char16_t)))) {
        throw std::runtime_error("SetupDiSetDeviceRegistryPropertyW failed");
      }
    }
    if (!SetupDiRegisterDeviceInfo(FDevices, &device, 0, nullptr, nullptr, nullptr)) {
      throw std::runtime_error("SetupDiRegisterDeviceInfo failed");
    }
    FRegistered.push_back(device);
  }
}

TRegisteredPorts::~TRegisteredPorts() {
  Remove();
}

void TRegisteredPorts::Remove() {
  for (SP_DEVINFO_DATA& device : FRegistered) {
    SetupDiRemoveDevice(FDevices, &device);
  }
  FRegistered.clear();
  SetupDiDestroyDeviceInfoList(FDevices);
  FDevices = INVALID_HANDLE_VALUE;
}

}  // namespace kelvane::test
