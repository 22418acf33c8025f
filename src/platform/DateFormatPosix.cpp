#include "platform/DateFormat.h"

namespace kelvane {

// Linux has no Windows user locale; these are the Russian defaults of one.
TLocaleFormats SystemLocaleFormats() {
  return {u"dd.MM.yyyy", u"H:mm:ss"};
}

}  // namespace kelvane
