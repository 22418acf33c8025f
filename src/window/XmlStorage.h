#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "window/SettingsDocument.h"

namespace kelvane {

// The settings store: the settings file's XML document in memory, read when the window is
// created and written when the store is destroyed. Values are addressed by paths of element
// names separated by "\", below the root element "Configuration".
class TXmlStorage {
 public:
  static constexpr std::u16string_view kRootNodeName = u"Configuration";
  static constexpr std::u16string_view kRelativeFileName = u"Quorin\\Kelvane\\Kelvane.xml";
  // A larger file is no settings file of the tool's: unreadable, and kept aside.
  static constexpr std::uintmax_t kLargestFile = 16u << 20;

  // The store of the settings file in the user's application-data folder.
  TXmlStorage();
  // The store of another file (tests).
  explicit TXmlStorage(std::u16string AFullFileName);

  // Where the settings file is: the application-data folder, one separator, the relative name.
  static std::u16string DefaultFileName();
  const std::u16string& FullFileName() const { return FFullFileName; }
  bool ReadOnly() const { return FReadOnly; }

  // Reads the settings file into the document; a missing file gives an empty root. A file read
  // whole that cannot be parsed, or that is no regular file of a settings file's size, gives an
  // empty root too, and is kept aside at the next Flush. A regular file that cannot be opened or
  // read (no permission, another program holding it) gives an empty root, stays untouched, and
  // makes the store read-only: ReadProblem then says why.
  void Reload();
  // Why the settings file there could not be read, when it could not.
  const std::optional<std::u16string>& ReadProblem() const { return FReadProblem; }
  // Writes the document to the settings file, unless the store is read-only: a new file beside
  // it takes its place once written whole. What went wrong, naming the file and the reason, when
  // it could not be written; the file then stays as it was.
  std::optional<std::u16string> Flush();

  bool ValueStored(std::u16string_view APath) const;
  std::u16string ReadString(std::u16string_view APath, std::u16string_view ADefault) const;
  std::int32_t ReadInteger(std::u16string_view APath, std::int32_t ADefault) const;
  bool ReadBoolean(std::u16string_view APath, bool ADefault) const;
  void WriteString(std::u16string_view APath, std::u16string_view AValue);
  void WriteInteger(std::u16string_view APath, std::int32_t AValue);
  void WriteBoolean(std::u16string_view APath, bool AValue);

 private:
  std::vector<std::u16string> ElementPath(std::u16string_view APath) const;
  const TXmlElement* Find(std::u16string_view APath) const;
  void Write(std::u16string_view APath, std::u16string AText);

  std::u16string FFullFileName;
  TSettingsDocument FDocument;
  bool FReadOnly = false;
  // The file read could not be parsed: it is kept aside before the new one is written.
  bool FUnreadable = false;
  std::optional<std::u16string> FReadProblem;
};

// The words of truth values: the first of each list is the one written.
bool ParseTruth(std::u16string_view AText);
// A decimal 64-bit integer cut to 32 bits; -1 for a text that is not an integer.
std::int32_t ParseStoredInteger(std::u16string_view AText);

}  // namespace kelvane
