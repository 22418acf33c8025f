#pragma once

#include <functional>
#include <memory>
#include <string>

#include "driver/Tarvik.h"

namespace kelvane {

using TTarvikFactory = std::function<std::unique_ptr<TTarvik>()>;

// Creates a driver control for the calling task body. Raises EError when none can be created.
std::unique_ptr<TTarvik> CreateTarvik();

// Replaces the factory (tests); an empty one restores the platform's. Returns the previous one.
TTarvikFactory SetTarvikFactory(TTarvikFactory AFactory);

// The build's control: the driver's COM control (KELVANE_DRIVER=com) or the simulated bench (sim).
std::unique_ptr<TTarvik> CreatePlatformTarvik();
// What stands behind the build's control, as the operator is told of it: the driver's class.
std::u16string PlatformDriverName();
// Makes the build's control ready, once, before a program's first task: the bench that
// KELVANE_BENCH names (or the built-in one) for the simulated one, nothing for the driver's.
// Raises EError when the bench file cannot be used.
void PreparePlatformDriver();

}  // namespace kelvane
