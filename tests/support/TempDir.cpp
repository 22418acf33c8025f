#include "support/TempDir.h"

#include <atomic>
#include <fstream>
#include <random>
#include <stdexcept>

namespace kelvane::test {

TTempDir::TTempDir() {
  static std::atomic<int> counter{0};
  std::random_device random;
  FPath = std::filesystem::temp_directory_path() /
          ("kelvane-test-" + std::to_string(random()) + "-" + std::to_string(++counter));
  std::filesystem::create_directories(FPath);
}

TTempDir::~TTempDir() {
  std::error_code ignored;
  std::filesystem::permissions(FPath, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(FPath, ignored);
}

std::u16string TTempDir::Write(std::string_view AName, std::string_view AContent) const {
  // Names are UTF-8, also where the system's narrow code page is another.
  const std::filesystem::path path = FPath / std::u8string(AName.begin(), AName.end());
  std::ofstream file(path, std::ios::binary);
  file.write(AContent.data(), static_cast<std::streamsize>(AContent.size()));
  if (!file) {
    throw std::runtime_error("cannot write " + path.string());
  }
  return path.u16string();
}

}  // namespace kelvane::test
