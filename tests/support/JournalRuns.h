#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <utility>

namespace kelvane::test {

// The journal's lines as they stand in its files, for the tests of a writer killed midway: for
// each run ("COM3 " and its start), how many records of its start and of its end there are.
std::map<std::string, std::pair<int, int>> RunsOnRecord(const std::filesystem::path& AFolder);

// Holds each of those runs to one record of its start and at most one of its end, as a writer
// killed at any moment must leave them; how many of them ended.
int EndedRuns(const std::map<std::string, std::pair<int, int>>& ARuns);

}  // namespace kelvane::test
