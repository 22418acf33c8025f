#pragma once

#include <map>

#include "driver/TarvikMembers.h"

namespace kelvane {

// The property values of one simulated control: what the procedures wrote and what the register
// filled in. A property never written reads as its type's empty value.
class TSimProperties {
 public:
  void Set(TTarvikProperty AProperty, TDriverValue AValue);
  TDriverValue Get(TTarvikProperty AProperty) const;

  std::int32_t Integer(TTarvikProperty AProperty) const;
  bool WordBool(TTarvikProperty AProperty) const;
  TDateTime DateTime(TTarvikProperty AProperty) const;
  std::u16string String(TTarvikProperty AProperty) const;

 private:
  std::map<TTarvikProperty, TDriverValue> FValues;
};

}  // namespace kelvane
