#pragma once

#include <optional>
#include <string>

namespace kelvane {

// Why no driver control can be created on this workstation, in plain words (the driver's class,
// the reason, the program's bitness); nothing when one can. Creating a control opens no port.
std::optional<std::u16string> DriverProblem();
// The same words for a control that could not be created for that reason.
std::u16string DriverProblemText(const std::u16string& AReason);

}  // namespace kelvane
