#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace kelvane {

// One identified register, as discovery reports it.
struct TDevice {
  std::int32_t ComNumber = 0;
  std::u16string Serial;
  std::u16string Version;
  std::int32_t ProtocolType = 0;
  std::u16string Name;
};

// The hand-over of identified registers from the discovery worker to the window's thread: a list
// and the mutex that guards every access to it.
class TDeviceList {
 public:
  void Add(TDevice ADevice);
  // Passes every record, in the order added, to AEach while holding the lock, and removes each
  // one it has passed, so that a failure half-way neither loses nor repeats a record.
  void HandOver(const std::function<void(const TDevice&)>& AEach);

 private:
  mutable std::mutex FMutex;
  std::vector<TDevice> FDevices;
};

}  // namespace kelvane
