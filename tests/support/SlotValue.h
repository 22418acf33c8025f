#pragma once

#include <utility>

namespace kelvane::test {

// Puts a value into one of the process-wide slots through its setter for the life of the scope,
// then puts back the value it replaced, so that scopes nest and a test leaves the slot as it
// found it.
template <typename TValue>
class TSlotValue {
 public:
  using TSetter = TValue (*)(TValue);
  TSlotValue(TSetter ASet, TValue AValue) : FSet(ASet), FPrevious(ASet(std::move(AValue))) {}
  ~TSlotValue() { FSet(std::move(FPrevious)); }
  TSlotValue(const TSlotValue&) = delete;
  TSlotValue& operator=(const TSlotValue&) = delete;

 private:
  TSetter FSet;
  TValue FPrevious;
};

}  // namespace kelvane::test
