#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <utility>

#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/WinOwners.h"
#include "platform/PathSyntax.h"
#include "platform/SystemMessage.h"
#include "platform/Text.h"
#include "platform/WideText.h"

namespace kelvane {

const TPathSyntax kPathSyntax = {u"\\/:", u"\\:", u'\\'};

namespace {

[[noreturn]] void Fail(const char16_t* AWhat, const std::u16string& AFileName, DWORD AError) {
  throw EError(std::u16string(AWhat) + u" \"" + AFileName + u"\": " + SystemMessage(AError));
}

using win32::TFileHandle;

std::atomic<std::int64_t> WriteLimit{-1};

// A write where the tests' limit lets it through; beyond it, a full disk.
bool LimitedWrite(HANDLE AFile, std::string_view ABytes, DWORD& AError) {
  std::int64_t left = WriteLimit.load();
  const DWORD size = static_cast<DWORD>(
      left >= 0 ? std::min<std::uint64_t>(ABytes.size(), static_cast<std::uint64_t>(left))
                : ABytes.size());
  DWORD written = 0;
  if (!WriteFile(AFile, ABytes.data(), size, &written, nullptr)) {
    AError = GetLastError();
    return false;
  }
  if (left >= 0) {
    WriteLimit.fetch_sub(written);
  }
  if (written != ABytes.size()) {
    AError = left >= 0 ? ERROR_DISK_FULL : ERROR_WRITE_FAULT;
    return false;
  }
  return true;
}

// A file of a new name beside AFileName, made now (never one that was there).
std::pair<std::u16string, TFileHandle> CreateBeside(const std::u16string& AFileName) {
  for (int i = 0; i < kAttemptsBeside; ++i) {
    std::u16string name = NameBeside(AFileName, i);
    TFileHandle file(CreateFileW(Wide(name), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
      return {std::move(name), std::move(file)};
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      Fail(u"Не удаётся создать файл", name, error);
    }
  }
  Fail(u"Не удаётся создать файл", AFileName + u".new", ERROR_FILE_EXISTS);
}

// What stands at the name must be a regular file, or nothing.
void CheckRegularOrAbsent(const std::u16string& AFileName) {
  const DWORD attributes = GetFileAttributesW(Wide(AFileName));
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
    throw EError(u"Не удаётся записать файл \"" + AFileName + u"\": это не обычный файл");
  }
}

}  // namespace

void ReplaceFileContent(const std::u16string& AFileName, std::string_view ABytes) {
  CheckRegularOrAbsent(AFileName);
  auto [temporary, file] = CreateBeside(AFileName);
  DWORD error = ERROR_SUCCESS;
  {
    // Closed before it is renamed.
    const TFileHandle written = std::move(file);
    if (LimitedWrite(written.Get(), ABytes, error) && !FlushFileBuffers(written.Get())) {
      error = GetLastError();
    }
  }
  if (error == ERROR_SUCCESS && !MoveFileExW(Wide(temporary), Wide(AFileName),
                                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = GetLastError();
  }
  if (error != ERROR_SUCCESS) {
    DeleteFileW(Wide(temporary));
    Fail(u"Не удаётся записать файл", AFileName, error);
  }
  RemoveLeftoversBeside(AFileName);
}

void SetFileWriteLimit(std::optional<std::uintmax_t> ABytes) {
  WriteLimit.store(ABytes ? static_cast<std::int64_t>(*ABytes) : -1);
}

std::string ReadFileBytes(const std::u16string& AFileName, std::optional<std::uintmax_t> ALimit) {
  const TFileHandle file(CreateFileW(Wide(AFileName), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    Fail(u"Не удаётся открыть файл", AFileName, error);
  }
  // A pipe, a console or a device (NUL, COM1) is no file to read whole.
  LARGE_INTEGER size{};
  if (GetFileType(file.Get()) != FILE_TYPE_DISK) {
    throw EError(u"Не удаётся открыть файл \"" + AFileName + u"\": это не обычный файл");
  }
  if (!GetFileSizeEx(file.Get(), &size)) {
    const DWORD error = GetLastError();
    Fail(u"Не удаётся прочитать файл", AFileName, error);
  }
  if (ALimit && static_cast<std::uintmax_t>(size.QuadPart) > *ALimit) {
    throw EError(u"Файл \"" + AFileName + u"\" больше " +
                 IntToStr(static_cast<std::int64_t>(*ALimit)) + u" байт");
  }
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    DWORD read = 0;
    if (!ReadFile(file.Get(), bytes.data() + done, chunk, &read, nullptr) || read == 0) {
      const DWORD error = read == 0 ? ERROR_HANDLE_EOF : GetLastError();
      Fail(u"Не удаётся прочитать файл", AFileName, error);
    }
    done += read;
  }
  return bytes;
}

void ReadAppendedFile(const std::u16string& AFileName,
                      const std::function<void(std::string_view)>& APiece) {
  const TFileHandle file(CreateFileW(Wide(AFileName), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    Fail(u"Не удаётся открыть файл", AFileName, error);
  }
  if (GetFileType(file.Get()) != FILE_TYPE_DISK) {
    throw EError(u"Не удаётся открыть файл \"" + AFileName + u"\": это не обычный файл");
  }
  std::string piece(kFilePiece, '\0');
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.Get(), piece.data(), static_cast<DWORD>(piece.size()), &read, nullptr)) {
      const DWORD error = GetLastError();
      Fail(u"Не удаётся прочитать файл", AFileName, error);
    }
    if (read == 0) {
      return;
    }
    APiece(std::string_view(piece.data(), read));
  }
}

void CheckFileReplaceable(const std::u16string& AFileName) {
  CheckRegularOrAbsent(AFileName);
  // Closed before the file is removed.
  std::u16string temporary = CreateBeside(AFileName).first;
  DeleteFileW(Wide(temporary));
}

void RenameOver(const std::u16string& ASource, const std::u16string& ATarget) {
  if (!MoveFileExW(Wide(ASource), Wide(ATarget),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = GetLastError();
    Fail(u"Не удаётся заменить файл", ATarget, error);
  }
}

void WriteFileDurably(const std::u16string& AFileName, std::string_view ABytes) {
  const TFileHandle file(CreateFileW(Wide(AFileName), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
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

void AppendRecord(const std::u16string& AFileName, std::string_view AHead,
                  std::string_view ARecord) {
  // Append access without write access: every write goes to the end of the file.
  const TFileHandle file(CreateFileW(Wide(AFileName),
                                     FILE_APPEND_DATA | FILE_READ_DATA | SYNCHRONIZE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    Fail(u"Не удаётся открыть файл", AFileName, error);
  }
  if (GetFileType(file.Get()) != FILE_TYPE_DISK) {
    throw EError(u"Не удаётся записать файл \"" + AFileName + u"\": это не обычный файл");
  }
  // The lock goes with the handle: a process that dies holding it releases it.
  OVERLAPPED whole{};
  if (!LockFileEx(file.Get(), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
    const DWORD error = GetLastError();
    Fail(u"Не удаётся записать файл", AFileName, error);
  }
  DWORD error = ERROR_SUCCESS;
  LARGE_INTEGER size{};
  std::string bytes;
  if (!GetFileSizeEx(file.Get(), &size)) {
    error = GetLastError();
  } else if (size.QuadPart == 0) {
    bytes = AHead;
  } else {
    OVERLAPPED at{};
    const std::uint64_t lastAt = static_cast<std::uint64_t>(size.QuadPart) - 1;
    at.Offset = static_cast<DWORD>(lastAt);
    at.OffsetHigh = static_cast<DWORD>(lastAt >> 32);
    char last = '\n';
    DWORD read = 0;
    if (!ReadFile(file.Get(), &last, 1, &read, &at)) {
      error = GetLastError();
    } else if (read != 1) {
      error = ERROR_HANDLE_EOF;
    }
    // A line an interrupted append left is ended, so that the record starts a line of its own.
    if (last != '\n') {
      bytes = last == '\r' ? "\n" : "\r\n";
    }
  }
  bytes += ARecord;
  if (error == ERROR_SUCCESS) {
    LARGE_INTEGER end{};
    SetFilePointerEx(file.Get(), end, nullptr, FILE_END);
    if (LimitedWrite(file.Get(), bytes, error) && !FlushFileBuffers(file.Get())) {
      error = GetLastError();
    }
  }
  UnlockFileEx(file.Get(), 0, MAXDWORD, MAXDWORD, &whole);
  if (error != ERROR_SUCCESS) {
    Fail(u"Не удаётся записать файл", AFileName, error);
  }
}

}  // namespace kelvane
