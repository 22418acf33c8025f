#pragma once

#include <filesystem>

namespace kelvane {

// An environment variable, named in ASCII, as the process has it now, taken as a path; empty when
// it is not set. On Windows in UTF-16 from the process's own block, which a library's runtime may
// have copied before the variable was set.
std::filesystem::path EnvironmentPath(const char* AName);

}  // namespace kelvane
