#include "platform/Files.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/Error.h"
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

#ifdef _WIN32
constexpr std::u16string_view kSeparators = u"\\/:";
#else
constexpr std::u16string_view kSeparators = u"/";
#endif

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

std::string ReadFileBytes(const std::u16string& AFileName) {
  errno = 0;
  std::ifstream file(PathOf(AFileName), std::ios::binary | std::ios::ate);
  if (!file) {
    FailOn(u"Не удаётся открыть файл", AFileName,
           std::error_code(errno ? errno : EIO, std::generic_category()));
  }
  const std::streamoff size = file.tellg();
  file.seekg(0);
  std::string bytes(size > 0 ? static_cast<size_t>(size) : 0, '\0');
  errno = 0;
  if (size < 0 || !file.read(bytes.data(), size)) {
    FailOn(u"Не удаётся прочитать файл", AFileName,
           std::error_code(errno ? errno : EIO, std::generic_category()));
  }
  return bytes;
}

std::u16string ExtractFileName(std::u16string_view AFileName) {
  const size_t separator = AFileName.find_last_of(kSeparators);
  return std::u16string(separator == std::u16string_view::npos ? AFileName
                                                               : AFileName.substr(separator + 1));
}

}  // namespace kelvane
