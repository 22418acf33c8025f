#include "window/DeviceList.h"

namespace kelvane {

void TDeviceList::Add(TDevice ADevice) {
  std::lock_guard lock(FMutex);
  FDevices.push_back(std::move(ADevice));
}

void TDeviceList::HandOver(const std::function<void(const TDevice&)>& AEach) {
  std::lock_guard lock(FMutex);
  size_t passed = 0;
  try {
    for (const TDevice& device : FDevices) {
      AEach(device);
      ++passed;
    }
  } catch (...) {
    FDevices.erase(FDevices.begin(), FDevices.begin() + static_cast<std::ptrdiff_t>(passed));
    throw;
  }
  FDevices.clear();
}

}  // namespace kelvane
