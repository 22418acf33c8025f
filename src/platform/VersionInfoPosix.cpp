#include "Version.h"
#include "platform/Text.h"
#include "platform/VersionInfo.h"

namespace kelvane {

// No version resource here: the build's version stands in for it.
std::u16string FileVersionText() {
  return IntToStr(KELVANE_VERSION_MAJOR) + u"." + IntToStr(KELVANE_VERSION_MINOR) + u"." +
         IntToStr(KELVANE_VERSION_PATCH) + u"." + IntToStr(KELVANE_VERSION_TWEAK);
}

}  // namespace kelvane
