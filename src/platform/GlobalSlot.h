#pragma once

#include <memory>
#include <mutex>
#include <utility>

namespace kelvane {

// A process-wide service that a test or a program's start may replace. There are five, each
// beside the code that reads it: the driver factory (TarvikFactory: the bench, a scripted or the
// COM control), the port source (PortSource: the bench's ports or SetupAPI), the current bench
// (SimBench: KELVANE_BENCH), the clock (Clock: a fake one, so that waits need no real time) and
// the locale's date formats (DateFormat: texts that do not depend on the machine). An empty slot
// means the platform's own. Each setter returns the value it replaced, so that a test scope can
// put it back. Readers take a counted reference, so a replacement never frees a service still in
// use.
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
