#pragma once

#include <memory>
#include <mutex>
#include <utility>

namespace kelvane {

// A process-wide service that tests may replace: the driver factory, the clock, the port source.
// Readers take a counted reference, so a replacement never frees a service still in use.
template <typename T>
class TGlobalSlot {
 public:
  std::shared_ptr<T> Get() const {
    std::lock_guard lock(FMutex);
    return FValue;
  }
  std::shared_ptr<T> Exchange(std::shared_ptr<T> AValue) {
    std::lock_guard lock(FMutex);
    std::swap(FValue, AValue);
    return AValue;
  }

 private:
  mutable std::mutex FMutex;
  std::shared_ptr<T> FValue;
};

}  // namespace kelvane
