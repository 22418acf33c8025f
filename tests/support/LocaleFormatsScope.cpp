#include "support/LocaleFormatsScope.h"

namespace kelvane::test {

TLocaleFormatsScope::TLocaleFormatsScope()
    : FFormats(SetLocaleFormats,
               std::make_shared<const TLocaleFormats>(TLocaleFormats{u"dd.MM.yyyy", u"H:mm:ss"})) {
}

}  // namespace kelvane::test
