#pragma once

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

}  // namespace kelvane
