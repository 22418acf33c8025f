#pragma once

#include <memory>

#include "platform/DateFormat.h"
#include "support/SlotValue.h"

namespace kelvane::test {

// Puts the Russian workstation's date and time formats (dd.MM.yyyy, H:mm:ss) in place for the life
// of the scope, so that the texts the tests expect do not depend on the machine's locale.
class TLocaleFormatsScope {
 public:
  TLocaleFormatsScope();

 private:
  TSlotValue<std::shared_ptr<const TLocaleFormats>> FFormats;
};

}  // namespace kelvane::test
