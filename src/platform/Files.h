#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvane {

// True when the path names a file (a link counts when its target is one), not a folder.
bool FileExists(const std::u16string& AFileName);

// The file's size in bytes; raises EError with the system's message when it cannot be had.
std::uintmax_t FileSize(const std::u16string& AFileName);

// The file's whole content, read in one read; an empty file gives an empty string. Raises EError
// with the system's message when the file cannot be opened or read.
std::string ReadFileBytes(const std::u16string& AFileName);

// The name without its folder: what follows the last path separator ("\", "/" or ":" on
// Windows, "/" elsewhere).
std::u16string ExtractFileName(std::u16string_view AFileName);

}  // namespace kelvane
