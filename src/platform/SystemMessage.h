#pragma once

#include <string>

namespace kelvane {

// The system's own text for a Windows error code or HRESULT, without the trailing line break.
std::u16string SystemMessage(unsigned long ACode);

}  // namespace kelvane
