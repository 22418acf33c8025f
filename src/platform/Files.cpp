#include "platform/Files.h"

#include <filesystem>
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
