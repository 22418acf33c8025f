#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace kelvane {

namespace {

[[noreturn]] void Fail(const char16_t* AWhat, const std::u16string& AFileName, int AErrno) {
  throw EError(std::u16string(AWhat) + u" \"" + AFileName + u"\": " +
               FromUtf8(std::generic_category().message(AErrno)));
}

}  // namespace

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
