#include "platform/DateFormat.h"

namespace kelvane {

// Linux has no Windows user locale.
TLocaleFormats SystemLocaleFormats() {
  return {std::u16string(kRussianShortDate), std::u16string(kRussianLongTime)};
}

}  // namespace kelvane
