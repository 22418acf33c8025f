#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kelvane::test {

// A folder of its own for one test, removed with everything in it at the end.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  // Writes a file into the folder and returns its full path.
  std::u16string Write(std::string_view AName, std::string_view AContent) const;

 private:
  std::filesystem::path FPath;
};

}  // namespace kelvane::test
