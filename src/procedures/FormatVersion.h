#pragma once

#include <cstdint>
#include <string>

#include "driver/Tarvik.h"
#include "platform/DateTime.h"

namespace kelvane {

// The firmware version as the operator sees it: "<version>.<build> (<short date>)".
std::u16string FormatVersion(const std::u16string& AECRSoftVersion, std::int32_t AECRBuild,
                             TDateTime AECRSoftDate);

// The same, from what the control holds after its last GetECRStatus.
std::u16string FormatVersion(TTarvik& ADriver);

}  // namespace kelvane
