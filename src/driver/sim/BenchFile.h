#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "driver/sim/SimBench.h"

namespace kelvane {

// Reads a bench from its XML description. Raises EError with "<source>:<line>: <problem>" for a
// file that cannot be read or parsed, an unknown element or attribute, or a wrong value.
std::shared_ptr<TSimBench> LoadBenchFile(const std::filesystem::path& APath);
std::shared_ptr<TSimBench> ParseBench(std::string_view AXml, const std::string& ASourceName);

// The built-in bench of the demo and of `make run`.
std::shared_ptr<TSimBench> LoadDefaultBench();
std::string_view DefaultBenchXml();

}  // namespace kelvane
