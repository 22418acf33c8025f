#include "support/LocaleFormatsScope.h"

#include <memory>

#include "platform/DateFormat.h"

namespace kelvane::test {

TLocaleFormatsScope::TLocaleFormatsScope() {
  SetLocaleFormats(
      std::make_shared<const TLocaleFormats>(TLocaleFormats{u"dd.MM.yyyy", u"H:mm:ss"}));
}

TLocaleFormatsScope::~TLocaleFormatsScope() {
  SetLocaleFormats(nullptr);
}

}  // namespace kelvane::test
