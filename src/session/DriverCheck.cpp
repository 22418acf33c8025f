#include "session/DriverCheck.h"

#include "driver/TarvikFactory.h"
#include "platform/ComApartment.h"
#include "platform/Error.h"
#include "platform/Text.h"

namespace kelvane {

std::optional<std::u16string> DriverProblem() {
  const TComApartment apartment;
  try {
    CreateTarvik();
    return std::nullopt;
  } catch (...) {
    return DriverProblemText(CurrentExceptionMessage());
  }
}

std::u16string DriverProblemText(const std::u16string& AReason) {
  // An in-process control of the other bitness is not seen at all: say which one is needed.
  return u"драйвер ККТ (" + PlatformDriverName() + u") не создаётся: " + AReason +
         u". Программа " + IntToStr(static_cast<std::int64_t>(sizeof(void*) * 8)) +
         u"-разрядная: нужен драйвер той же разрядности";
}

}  // namespace kelvane
