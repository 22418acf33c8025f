#include <windows.h>

#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/SystemMessage.h"
#include "platform/WideText.h"

namespace kelvane {

namespace {

[[noreturn]] void Fail(const char16_t* AWhat, const std::u16string& AFileName, DWORD AError) {
  throw EError(std::u16string(AWhat) + u" \"" + AFileName + u"\": " + SystemMessage(AError));
}

class THandle {
 public:
  explicit THandle(HANDLE AHandle) : FHandle(AHandle) {}
  ~THandle() {
    if (Valid()) {
      CloseHandle(FHandle);
    }
  }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  bool Valid() const { return FHandle != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return FHandle; }

 private:
  HANDLE FHandle;
};

}  // namespace

void RenameOver(const std::u16string& ASource, const std::u16string& ATarget) {
  if (!MoveFileExW(Wide(ASource), Wide(ATarget),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = GetLastError();
    Fail(u"Не удаётся заменить файл", ATarget, error);
  }
}

void WriteFileDurably(const std::u16string& AFileName, std::string_view ABytes) {
  const THandle file(CreateFileW(Wide(AFileName), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    const DWORD error = GetLastError();
    Fail(u"Не удаётся создать файл", AFileName, error);
  }
  // Each error code is read right after the call that failed, before anything can replace it.
  DWORD written = 0;
  DWORD error = ERROR_SUCCESS;
  if (!WriteFile(file.Get(), ABytes.data(), static_cast<DWORD>(ABytes.size()), &written, nullptr)) {
    error = GetLastError();
  } else if (written != ABytes.size()) {
    error = ERROR_WRITE_FAULT;
  } else if (!FlushFileBuffers(file.Get())) {
    error = GetLastError();
  }
  if (error != ERROR_SUCCESS) {
    Fail(u"Не удаётся записать файл", AFileName, error);
  }
}

}  // namespace kelvane
