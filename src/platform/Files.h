#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kelvane {

// True when the path names a file (a link counts when its target is one), not a folder.
bool FileExists(const std::u16string& AFileName);

// The file's size in bytes; raises EError with the system's message when it cannot be had.
std::uintmax_t FileSize(const std::u16string& AFileName);

// The file's whole content, read in one read; an empty file gives an empty string. Raises EError
// with the system's message when the file cannot be opened or read, and at once for what is not a
// regular file (a FIFO, a device, a folder), which is never opened in a way that could wait, and
// for a file larger than ALimit bytes, which is not read.
std::string ReadFileBytes(const std::u16string& AFileName,
                          std::optional<std::uintmax_t> ALimit = std::nullopt);

// Reads a file that other processes may be appending to (on Windows it is opened without denying
// them their writes) piece by piece, each at most kFilePiece bytes, in order, so that a file of
// any size is read in bounded memory. A record being appended may be read in part. Raises EError
// as ReadFileBytes does, also for what is not a regular file.
constexpr size_t kFilePiece = 64 * 1024;
void ReadAppendedFile(const std::u16string& AFileName,
                      const std::function<void(std::string_view)>& APiece);

// Appends ARecord in one piece, under a lock that every append made this way takes, so that
// appends of several processes never mix, and flushes it to the disk before returning. A new or
// empty file gets AHead first. When the file's last byte is not a line feed (an append cut short
// by a crash), that line is ended first, so that the record starts a line of its own. Raises
// EError with the file and the system's reason, or that what stands there is not a regular file.
void AppendRecord(const std::u16string& AFileName, std::string_view AHead,
                  std::string_view ARecord);

// The name without its folder: what follows the last path separator ("\", "/" or ":" on
// Windows, "/" elsewhere).
std::u16string ExtractFileName(std::u16string_view AFileName);

// True when the name ends with the extension (".csv"), in any letter case.
bool HasExtension(std::u16string_view AFileName, std::u16string_view AExtension);

// The folder part: everything up to the last separator ("\" or ":" on Windows, "/" elsewhere),
// less that separator unless it follows another separator or a drive colon, or is the first
// character. C:\fw\a.bin gives C:\fw, C:\a.bin gives C:\, /a.bin gives /, a.bin gives nothing.
std::u16string ExtractFileDir(std::u16string_view AFileName);

// Puts ASource in the place of ATarget in one step, replacing ATarget if it exists. Raises EError
// with the system's message on failure.
void RenameOver(const std::u16string& ASource, const std::u16string& ATarget);

// Writes the bytes to the file, replacing it, and makes sure they reached the disk. Raises EError
// with the system's message on failure.
void WriteFileDurably(const std::u16string& AFileName, std::string_view ABytes);

// Puts ABytes in the file's place without ever writing over it: they are written and flushed to a
// new file beside it, which then takes its name in one step (the folder synced after, on Linux;
// with write-through on Windows). At every moment the file holds its old or its new content
// whole; on failure it stays exactly as it was and the new file is gone. Raises EError with the
// file, the system's reason, or that what stands at the name is not a regular file.
void ReplaceFileContent(const std::u16string& AFileName, std::string_view ABytes);
// For the tests of a full disk on every system: from now on ReplaceFileContent's writes fail as
// on a full disk once that many bytes have been written by them in all; nothing lifts the limit.
void SetFileWriteLimit(std::optional<std::uintmax_t> ABytes);

// Raises EError, as ReplaceFileContent would, when that file could not be written: a folder
// missing or refusing a new file, or something other than a regular file at its name.
void CheckFileReplaceable(const std::u16string& AFileName);

// True when the file exists and its owner may not write it (the read-only attribute on Windows).
bool FileIsReadOnly(const std::u16string& AFileName);

// True when the two paths name one file: the same file through a link or another spelling of the
// path, or, where nothing is there yet, the same place (without regard to letter case on Windows).
bool SameFile(const std::u16string& AFirst, const std::u16string& ASecond);

// True when the path names an existing folder.
bool DirectoryExists(const std::u16string& APath);

}  // namespace kelvane
