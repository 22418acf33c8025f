#include "procedures/CheckResult.h"

#include "platform/Error.h"

namespace kelvane {

void CheckResult(TTarvik& ADriver, std::int32_t AResult) {
  if (AResult != 0) {
    throw EError(ADriver.ResultCodeDescription());
  }
}

}  // namespace kelvane
