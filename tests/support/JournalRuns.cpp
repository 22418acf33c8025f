#include "support/JournalRuns.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "platform/Files.h"

namespace kelvane::test {

std::map<std::string, std::pair<int, int>> RunsOnRecord(const std::filesystem::path& AFolder) {
  std::map<std::string, std::pair<int, int>> runs;
  std::error_code error;
  for (std::filesystem::directory_iterator entry(AFolder, error), end; !error && entry != end;
       entry.increment(error)) {
    if (!entry->path().filename().string().starts_with("journal-")) {
      continue;
    }
    // The tests' records hold no separator or line end inside a field.
    std::istringstream lines(ReadFileBytes(entry->path().u16string()));
    for (std::string line; std::getline(lines, line);) {
      std::vector<std::string> fields;
      std::istringstream items(line);
      for (std::string field; std::getline(items, field, ';');) {
        fields.push_back(field);
      }
      if (fields.size() != 16 || !fields[0].starts_with("COM")) {
        continue;
      }
      auto& [starts, ends] = runs[fields[0] + " " + fields[9]];
      (fields[5] == "started" ? starts : ends) += 1;
    }
  }
  return runs;
}

int EndedRuns(const std::map<std::string, std::pair<int, int>>& ARuns) {
  int ended = 0;
  for (const auto& [run, counts] : ARuns) {
    EXPECT_EQ(counts.first, 1) << run;
    EXPECT_LE(counts.second, 1) << run;
    ended += counts.second;
  }
  return ended;
}

}  // namespace kelvane::test
