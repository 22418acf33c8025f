#include <clocale>
#include <cwctype>

#include "platform/Text.h"

namespace kelvane {

std::u16string LowerCase(std::u16string_view AText) {
  // The C.UTF-8 locale maps the case of every Unicode letter, whatever the process's locale is.
  static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  std::u16string text(AText);
  for (char16_t& c : text) {
    const bool surrogate = c >= 0xD800 && c <= 0xDFFF;
    if (!surrogate) {
      c = static_cast<char16_t>(unicode != static_cast<locale_t>(0)
                                    ? towlower_l(static_cast<wint_t>(c), unicode)
                                    : std::towlower(static_cast<wint_t>(c)));
    }
  }
  return text;
}

}  // namespace kelvane
