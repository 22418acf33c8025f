#pragma once

#include <string>

namespace kelvane {

// The tool's own file version as "major.minor.release.build"; 0.0.0.0 when it cannot be had.
std::u16string FileVersionText();

}  // namespace kelvane
