#pragma once

#include "driver/Tarvik.h"

namespace kelvane {

// Sets the register's date and time from the workstation's clock: the date is set and then
// confirmed with the same value, and the time of day is read only after that, so that it is
// exact when it is set. Each method is checked.
void SetRegisterDateTime(TTarvik& ADriver);

}  // namespace kelvane
