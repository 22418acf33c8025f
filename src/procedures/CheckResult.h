#pragma once

#include <cstdint>

#include "driver/Tarvik.h"

namespace kelvane {

// After a driver method: a non-zero result raises EError with the driver's description of it,
// read at once; 0 does nothing.
void CheckResult(TTarvik& ADriver, std::int32_t AResult);

}  // namespace kelvane
