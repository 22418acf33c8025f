#include "window/ElementName.h"

namespace kelvane {

std::u16string ElementName(std::u16string_view AName) {
  std::u16string name(AName);
  for (char16_t& c : name) {
    const bool allowed = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
                         (c >= u'0' && c <= u'9') || c == u'_' || c == u'-' || c == u'.' ||
                         c == u':';
    if (!allowed) {
      c = u'_';
    }
  }
  return name;
}

}  // namespace kelvane
