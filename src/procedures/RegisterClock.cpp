#include "procedures/RegisterClock.h"

#include "platform/Clock.h"
#include "procedures/CheckResult.h"

namespace kelvane {

void SetRegisterDateTime(TTarvik& ADriver) {
  const TDateTime date = DateOf(Clock()->LocalNow());
  ADriver.SetDate(date);
  CheckResult(ADriver, ADriver.SetDate());
  ADriver.SetDate(date);
  CheckResult(ADriver, ADriver.ConfirmDate());
  ADriver.SetTime(TimeOf(Clock()->LocalNow()));
  CheckResult(ADriver, ADriver.SetTime());
}

}  // namespace kelvane
