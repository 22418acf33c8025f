#include "procedures/FormatVersion.h"

#include "platform/DateFormat.h"
#include "platform/Text.h"

namespace kelvane {

std::u16string FormatVersion(const std::u16string& AECRSoftVersion, std::int32_t AECRBuild,
                             TDateTime AECRSoftDate) {
  return AECRSoftVersion + u"." + IntToStr(AECRBuild) + u" (" + ShortDateToStr(AECRSoftDate) + u")";
}

std::u16string FormatVersion(TTarvik& ADriver) {
  const std::u16string version = ADriver.ECRSoftVersion();
  const std::int32_t build = ADriver.ECRBuild();
  return FormatVersion(version, build, ADriver.ECRSoftDate());
}

}  // namespace kelvane
