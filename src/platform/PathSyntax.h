#pragma once

#include <string>
#include <string_view>

namespace kelvane {

// How the system writes a path, for the file-name helpers: the characters that end a folder
// part, those after which a file's name begins, and the separator itself.
struct TPathSyntax {
  std::u16string_view Separators;
  std::u16string_view FolderSeparators;
  char16_t PathSeparator;
};

// Windows: "\", "/" and ":"; elsewhere "/" only.
extern const TPathSyntax kPathSyntax;

// The name of the AAttempt-th try at a new file beside AFileName: "X.new", "X.new1" to "X.new99",
// then fresh random names, so that leftovers of killed writes never use the names up.
std::u16string NameBeside(const std::u16string& AFileName, int AAttempt);
// How many tries a new file beside another gets before the reason of the last one is given.
constexpr int kAttemptsBeside = 1000;
// Removes the regular files NameBeside made for AFileName that a killed write left: those older
// than a minute, so that another process's write in progress keeps its own.
void RemoveLeftoversBeside(const std::u16string& AFileName);

}  // namespace kelvane
