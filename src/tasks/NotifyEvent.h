#pragma once

#include <functional>

namespace kelvane {

// The common base of objects that raise events and pass themselves as the sender.
class TObject {
 public:
  virtual ~TObject() = default;
};

// A callback bound to its receiver, taking the sender as its only argument. An empty event is
// not called.
using TNotifyEvent = std::function<void(TObject* ASender)>;

}  // namespace kelvane
