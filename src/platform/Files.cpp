#include "platform/Files.h"

#include <chrono>
#include <filesystem>
#include <random>
#include <system_error>

#include "platform/Error.h"
#include "platform/PathSyntax.h"
#include "platform/Text.h"

namespace kelvane {

namespace {

std::filesystem::path PathOf(const std::u16string& AFileName) {
  return std::filesystem::path(AFileName);
}

[[noreturn]] void FailOn(const char16_t* AWhat, const std::u16string& AFileName,
                         const std::error_code& AError) {
  throw EError(std::u16string(AWhat) + u" \"" + AFileName + u"\": " + FromUtf8(AError.message()));
}

}  // namespace

bool FileExists(const std::u16string& AFileName) {
  std::error_code error;
  return !AFileName.empty() && std::filesystem::is_regular_file(PathOf(AFileName), error);
}

std::uintmax_t FileSize(const std::u16string& AFileName) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(PathOf(AFileName), error);
  if (error) {
    FailOn(u"Не удаётся открыть файл", AFileName, error);
  }
  return size;
}

std::u16string ExtractFileName(std::u16string_view AFileName) {
  const size_t separator = AFileName.find_last_of(kPathSyntax.Separators);
  return std::u16string(separator == std::u16string_view::npos ? AFileName
                                                               : AFileName.substr(separator + 1));
}

bool HasExtension(std::u16string_view AFileName, std::u16string_view AExtension) {
  return AFileName.size() >= AExtension.size() &&
         SameName(AFileName.substr(AFileName.size() - AExtension.size()), AExtension);
}

std::u16string ExtractFileDir(std::u16string_view AFileName) {
  size_t last = AFileName.find_last_of(kPathSyntax.FolderSeparators);
  if (last == std::u16string_view::npos) {
    return {};
  }
  if (last > 0 && AFileName[last] == kPathSyntax.PathSeparator &&
      kPathSyntax.FolderSeparators.find(AFileName[last - 1]) == std::u16string_view::npos) {
    --last;
  }
  return std::u16string(AFileName.substr(0, last + 1));
}

std::u16string NameBeside(const std::u16string& AFileName, int AAttempt) {
  if (AAttempt < 100) {
    return AFileName + u".new" + (AAttempt > 0 ? IntToStr(AAttempt) : u"");
  }
  thread_local std::mt19937_64 random(std::random_device{}());
  static const char16_t kDigits[] = u"0123456789abcdef";
  std::u16string name = AFileName + u".new-";
  for (std::uint64_t bits = random(), i = 0; i < 16; ++i, bits >>= 4) {
    name += kDigits[bits & 15u];
  }
  return name;
}

void RemoveLeftoversBeside(const std::u16string& AFileName) {
  namespace fs = std::filesystem;
  const fs::path file = PathOf(AFileName);
  const std::u16string prefix = file.filename().u16string() + u".new";
  const auto before = fs::file_time_type::clock::now() - std::chrono::minutes(1);
  std::error_code error;
  const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    std::error_code ignored;
    if (entry->path().filename().u16string().starts_with(prefix) &&
        entry->is_regular_file(ignored) && !entry->is_symlink(ignored) &&
        entry->last_write_time(ignored) < before) {
      fs::remove(entry->path(), ignored);
    }
  }
}

bool SameFile(const std::u16string& AFirst, const std::u16string& ASecond) {
  std::error_code error;
  if (std::filesystem::equivalent(PathOf(AFirst), PathOf(ASecond), error)) {
    return true;
  }
  const std::u16string first = std::filesystem::weakly_canonical(PathOf(AFirst), error).u16string();
  const std::u16string second =
      std::filesystem::weakly_canonical(PathOf(ASecond), error).u16string();
  return kPathSyntax.PathSeparator == u'\\' ? LowerCase(first) == LowerCase(second)
                                             : first == second;
}

bool FileIsReadOnly(const std::u16string& AFileName) {
  std::error_code error;
  const auto status = std::filesystem::status(PathOf(AFileName), error);
  return !error && std::filesystem::exists(status) &&
         (status.permissions() & std::filesystem::perms::owner_write) ==
             std::filesystem::perms::none;
}

bool DirectoryExists(const std::u16string& APath) {
  std::error_code error;
  return !APath.empty() && std::filesystem::is_directory(PathOf(APath), error);
}

}  // namespace kelvane
