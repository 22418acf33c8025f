#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>
#include <utility>

#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace kelvane {

namespace {

[[noreturn]] void Fail(const char16_t* AWhat, const std::u16string& AFileName, int AErrno) {
  throw EError(std::u16string(AWhat) + u" \"" + AFileName + u"\": " +
               FromUtf8(std::generic_category().message(AErrno)));
}

// A file of a new name beside AFileName, made now (never one that was there), with its
// descriptor.
std::pair<std::u16string, int> CreateBeside(const std::u16string& AFileName) {
  for (int i = 0; i < 100; ++i) {
    const std::u16string name = AFileName + u".new" + (i > 0 ? IntToStr(i) : u"");
    const int file = ::open(ToUtf8(name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (file >= 0) {
      return {name, file};
    }
    if (errno != EEXIST) {
      Fail(u"Не удаётся создать файл", name, errno);
    }
  }
  Fail(u"Не удаётся создать файл", AFileName + u".new", EEXIST);
}

void WriteAll(int AFile, std::string_view ABytes, const std::u16string& AFileName) {
  size_t written = 0;
  while (written < ABytes.size()) {
    const ssize_t count = ::write(AFile, ABytes.data() + written, ABytes.size() - written);
    if (count < 0 && errno == EINTR) {
      continue;
    }
    if (count <= 0) {
      Fail(u"Не удаётся записать файл", AFileName, count < 0 ? errno : EIO);
    }
    written += static_cast<size_t>(count);
  }
}

// What stands at the name must be a regular file, or nothing.
void CheckRegularOrAbsent(const std::u16string& AFileName, struct stat& AStatus, bool& AExists) {
  AExists = ::stat(ToUtf8(AFileName).c_str(), &AStatus) == 0;
  if (AExists && !S_ISREG(AStatus.st_mode)) {
    throw EError(u"Не удаётся записать файл \"" + AFileName + u"\": это не обычный файл");
  }
}

void SyncFolderOf(const std::u16string& AFileName) {
  const std::u16string folder = ExtractFileDir(AFileName);
  const int directory =
      ::open(folder.empty() ? "." : ToUtf8(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (directory >= 0) {
    ::fsync(directory);
    ::close(directory);
  }
}

}  // namespace

void ReplaceFileContent(const std::u16string& AFileName, std::string_view ABytes) {
  struct stat status {};
  bool exists = false;
  CheckRegularOrAbsent(AFileName, status, exists);
  const auto [temporary, file] = CreateBeside(AFileName);
  bool open = true;
  try {
    WriteAll(file, ABytes, temporary);
    if (exists) {
      ::fchmod(file, status.st_mode & 07777);
    }
    if (::fsync(file) != 0) {
      Fail(u"Не удаётся записать файл", temporary, errno);
    }
    open = false;
    if (::close(file) != 0) {
      Fail(u"Не удаётся записать файл", temporary, errno);
    }
    if (std::rename(ToUtf8(temporary).c_str(), ToUtf8(AFileName).c_str()) != 0) {
      Fail(u"Не удаётся заменить файл", AFileName, errno);
    }
  } catch (...) {
    if (open) {
      ::close(file);
    }
    ::unlink(ToUtf8(temporary).c_str());
    throw;
  }
  // The new name reaches the disk too, not the content alone.
  SyncFolderOf(AFileName);
}

void CheckFileReplaceable(const std::u16string& AFileName) {
  struct stat status {};
  bool exists = false;
  CheckRegularOrAbsent(AFileName, status, exists);
  const auto [temporary, file] = CreateBeside(AFileName);
  ::close(file);
  ::unlink(ToUtf8(temporary).c_str());
}

void RenameOver(const std::u16string& ASource, const std::u16string& ATarget) {
  if (std::rename(ToUtf8(ASource).c_str(), ToUtf8(ATarget).c_str()) != 0) {
    Fail(u"Не удаётся заменить файл", ATarget, errno);
  }
}

void WriteFileDurably(const std::u16string& AFileName, std::string_view ABytes) {
  const int file =
      ::open(ToUtf8(AFileName).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (file < 0) {
    Fail(u"Не удаётся создать файл", AFileName, errno);
  }
  size_t written = 0;
  while (written < ABytes.size()) {
    const ssize_t count = ::write(file, ABytes.data() + written, ABytes.size() - written);
    if (count < 0 && errno == EINTR) {
      continue;
    }
    if (count <= 0) {
      const int error = count < 0 ? errno : EIO;
      ::close(file);
      Fail(u"Не удаётся записать файл", AFileName, error);
    }
    written += static_cast<size_t>(count);
  }
  const bool synced = ::fsync(file) == 0;
  const int syncError = errno;
  if (::close(file) != 0 || !synced) {
    Fail(u"Не удаётся записать файл", AFileName, synced ? errno : syncError);
  }
}

}  // namespace kelvane
