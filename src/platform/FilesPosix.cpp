#include <fcntl.h>
#include <locale.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <utility>

#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/PathSyntax.h"
#include "platform/Text.h"

namespace kelvane {

const TPathSyntax kPathSyntax = {u"/", u"/", u'/'};

namespace {

// The system's reason in Russian, as the messages around it are, where the system has the
// Russian texts; in its own words elsewhere.
std::u16string SystemReason(int AErrno) {
  static const locale_t russian =
      newlocale(LC_MESSAGES_MASK | LC_CTYPE_MASK, "ru_RU.UTF-8", static_cast<locale_t>(nullptr));
  return russian != nullptr ? FromUtf8(strerror_l(AErrno, russian))
                            : FromUtf8(std::generic_category().message(AErrno));
}

[[noreturn]] void Fail(const char16_t* AWhat, const std::u16string& AFileName, int AErrno) {
  throw EError(std::u16string(AWhat) + u" \"" + AFileName + u"\": " + SystemReason(AErrno));
}

std::atomic<std::int64_t> WriteLimit{-1};

// A write of at most ACount bytes, short or failing with ENOSPC where the tests' limit says so.
ssize_t LimitedWrite(int AFile, const char* AData, size_t ACount) {
  std::int64_t left = WriteLimit.load();
  if (left >= 0) {
    if (left == 0) {
      errno = ENOSPC;
      return -1;
    }
    ACount = std::min<size_t>(ACount, static_cast<size_t>(left));
  }
  const ssize_t count = ::write(AFile, AData, ACount);
  if (count > 0 && left >= 0) {
    WriteLimit.fetch_sub(count);
  }
  return count;
}

// A file of a new name beside AFileName, made now (never one that was there), with its
// descriptor.
std::pair<std::u16string, int> CreateBeside(const std::u16string& AFileName) {
  for (int i = 0; i < kAttemptsBeside; ++i) {
    const std::u16string name = NameBeside(AFileName, i);
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
    const ssize_t count = LimitedWrite(AFile, ABytes.data() + written, ABytes.size() - written);
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
  // A failure names the file the caller knows, not the new one beside it that goes away.
  try {
    WriteAll(file, ABytes, AFileName);
    if (exists) {
      ::fchmod(file, status.st_mode & 07777);
    }
    if (::fsync(file) != 0) {
      Fail(u"Не удаётся записать файл", AFileName, errno);
    }
    open = false;
    if (::close(file) != 0) {
      Fail(u"Не удаётся записать файл", AFileName, errno);
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
  RemoveLeftoversBeside(AFileName);
}

void SetFileWriteLimit(std::optional<std::uintmax_t> ABytes) {
  WriteLimit.store(ABytes ? static_cast<std::int64_t>(*ABytes) : -1);
}

std::string ReadFileBytes(const std::u16string& AFileName, std::optional<std::uintmax_t> ALimit) {
  // Opened without waiting: a FIFO without a writer would otherwise hold the caller for good.
  const int file = ::open(ToUtf8(AFileName).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (file < 0) {
    Fail(u"Не удаётся открыть файл", AFileName, errno);
  }
  struct stat status {};
  std::string bytes;
  int error = 0;
  if (::fstat(file, &status) != 0) {
    error = errno;
  } else if (!S_ISREG(status.st_mode)) {
    ::close(file);
    throw EError(u"Не удаётся открыть файл \"" + AFileName + u"\": это не обычный файл");
  } else if (ALimit && static_cast<std::uintmax_t>(status.st_size) > *ALimit) {
    ::close(file);
    throw EError(u"Файл \"" + AFileName + u"\" больше " +
                 IntToStr(static_cast<std::int64_t>(*ALimit)) + u" байт");
  } else {
    bytes.resize(static_cast<size_t>(status.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t count = ::read(file, bytes.data() + done, bytes.size() - done);
      if (count < 0 && errno == EINTR) {
        continue;
      }
      if (count <= 0) {
        // A file that shrank while it was read is read short: an error, not half a file.
        error = count < 0 ? errno : EIO;
        break;
      }
      done += static_cast<size_t>(count);
    }
  }
  ::close(file);
  if (error != 0) {
    Fail(u"Не удаётся прочитать файл", AFileName, error);
  }
  return bytes;
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

void ReadAppendedFile(const std::u16string& AFileName,
                      const std::function<void(std::string_view)>& APiece) {
  const int file = ::open(ToUtf8(AFileName).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (file < 0) {
    Fail(u"Не удаётся открыть файл", AFileName, errno);
  }
  struct TCloser {
    int File;
    ~TCloser() { ::close(File); }
  } closer{file};
  struct stat status {};
  if (::fstat(file, &status) != 0) {
    Fail(u"Не удаётся прочитать файл", AFileName, errno);
  }
  if (!S_ISREG(status.st_mode)) {
    throw EError(u"Не удаётся открыть файл \"" + AFileName + u"\": это не обычный файл");
  }
  std::string piece(kFilePiece, '\0');
  for (;;) {
    const ssize_t count = ::read(file, piece.data(), piece.size());
    if (count < 0 && errno == EINTR) {
      continue;
    }
    if (count < 0) {
      Fail(u"Не удаётся прочитать файл", AFileName, errno);
    }
    if (count == 0) {
      return;
    }
    APiece(std::string_view(piece.data(), static_cast<size_t>(count)));
  }
}

void AppendRecord(const std::u16string& AFileName, std::string_view AHead,
                  std::string_view ARecord) {
  const int file = ::open(ToUtf8(AFileName).c_str(),
                          O_RDWR | O_CREAT | O_APPEND | O_NONBLOCK | O_CLOEXEC, 0666);
  if (file < 0) {
    Fail(u"Не удаётся открыть файл", AFileName, errno);
  }
  struct stat status {};
  bool regular = true;
  bool created = false;
  int error = 0;
  std::string bytes;
  if (::fstat(file, &status) != 0) {
    error = errno;
  } else if (!S_ISREG(status.st_mode)) {
    regular = false;
  } else {
    // The lock goes with the descriptor: a process that dies holding it releases it.
    int locked;
    while ((locked = ::flock(file, LOCK_EX)) != 0 && errno == EINTR) {
    }
    char last = '\n';
    if (locked != 0 || ::fstat(file, &status) != 0) {
      error = errno;
    } else if (status.st_size == 0) {
      created = true;
      bytes = AHead;
    } else if (const ssize_t read = ::pread(file, &last, 1, status.st_size - 1); read != 1) {
      error = read < 0 ? errno : EIO;
    }
    // A line an interrupted append left is ended, so that the record starts a line of its own.
    if (last != '\n') {
      bytes = last == '\r' ? "\n" : "\r\n";
    }
    bytes += ARecord;
  }
  try {
    if (error == 0 && regular) {
      WriteAll(file, bytes, AFileName);
      if (::fsync(file) != 0) {
        error = errno;
      }
    }
  } catch (...) {
    ::close(file);
    throw;
  }
  ::close(file);
  if (!regular) {
    throw EError(u"Не удаётся записать файл \"" + AFileName + u"\": это не обычный файл");
  }
  if (error != 0) {
    Fail(u"Не удаётся записать файл", AFileName, error);
  }
  if (created) {
    SyncFolderOf(AFileName);
  }
}

}  // namespace kelvane
