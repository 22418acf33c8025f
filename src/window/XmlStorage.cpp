#include "window/XmlStorage.h"

#include <filesystem>

#include "platform/AppDataFolder.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "window/ElementName.h"
#include "window/SettingsFile.h"

namespace kelvane {

namespace {

std::u16string ToUpperAscii(std::u16string_view AText) {
  std::u16string text(AText);
  for (char16_t& c : text) {
    if (c >= u'a' && c <= u'z') {
      c = static_cast<char16_t>(c - u'a' + u'A');
    }
  }
  return text;
}

// A settings file that is a link is written through to the file it names.
std::u16string LinkTarget(const std::u16string& AFileName) {
  const std::filesystem::path path(AFileName);
  std::error_code error;
  if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, error))) {
    return AFileName;
  }
  const std::filesystem::path target = std::filesystem::weakly_canonical(path, error);
  return error ? AFileName : target.u16string();
}

// The first of "X.bad", "X.bad2", "X.bad3", ... that names nothing yet, so that every unreadable
// file is kept.
std::u16string FreeAsideName(const std::u16string& AFileName) {
  for (int i = 1; i < 1000; ++i) {
    std::u16string name = AFileName + u".bad" + (i == 1 ? u"" : IntToStr(i));
    std::error_code error;
    const auto status = std::filesystem::symlink_status(std::filesystem::path(name), error);
    if (status.type() == std::filesystem::file_type::not_found) {
      return name;
    }
  }
  throw EError(u"Нет свободного имени для копии файла настроек");
}

}  // namespace

bool ParseTruth(std::u16string_view AText) {
  const std::u16string word = ToUpperAscii(AText);
  if (word == u"TRUE" || word == u"YES" || word == u"Y") {
    return true;
  }
  if (word == u"FALSE" || word == u"NO" || word == u"N") {
    return false;
  }
  const std::optional<std::int64_t> number = StrToInt64(AText);
  return number && *number != 0;
}

std::int32_t ParseStoredInteger(std::u16string_view AText) {
  // Cut to 32 bits as a wider integer is cut, keeping its low bits.
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(StrToInt64(AText).value_or(-1)));
}

TXmlStorage::TXmlStorage() : TXmlStorage(DefaultFileName()) {
}

TXmlStorage::TXmlStorage(std::u16string AFullFileName) : FFullFileName(std::move(AFullFileName)) {
  FDocument.Root.Name = kRootNodeName;
}

std::u16string TXmlStorage::DefaultFileName() {
  std::u16string relative(kRelativeFileName);
  for (char16_t& c : relative) {
    if (c == u'\\') {
      c = PathSeparator();
    }
  }
  std::u16string folder = AppDataFolder();
  if (folder.empty() || folder.back() != PathSeparator()) {
    folder += PathSeparator();
  }
  return folder + relative;
}

void TXmlStorage::Reload() {
  FDocument = TSettingsDocument();
  FDocument.Root.Name = kRootNodeName;
  FUnreadable = false;
  FReadProblem.reset();
  FReadOnly = FileIsReadOnly(FFullFileName);
  std::error_code error;
  const auto status = std::filesystem::symlink_status(std::filesystem::path(FFullFileName), error);
  if (status.type() == std::filesystem::file_type::not_found) {
    return;
  }
  std::string bytes;
  try {
    // Only a regular file, and none larger than a settings file can reasonably be: anything
    // else (a FIFO, a device, a huge file) is unreadable at once and kept aside.
    bytes = ReadFileBytes(FFullFileName, kLargestFile);
  } catch (const EError& e) {
    std::error_code ignored;
    const std::filesystem::path path(FFullFileName);
    if (std::filesystem::is_regular_file(path, ignored) &&
        std::filesystem::file_size(path, ignored) <= kLargestFile) {
      // A file that is there but cannot be opened now (no permission, another program holding
      // it) is no corrupt file: it stays as it is, and nothing is written over it this time.
      FReadOnly = true;
      FReadProblem = e.Message();
      return;
    }
    FUnreadable = true;
    return;
  }
  try {
    FDocument = ParseSettingsFile(bytes);
  } catch (const std::exception&) {
    // The stored values cannot be used; the tool starts with its defaults.
    FDocument = TSettingsDocument();
    FDocument.Root.Name = kRootNodeName;
    FUnreadable = true;
  }
}

std::optional<std::u16string> TXmlStorage::Flush() {
  if (FReadOnly) {
    return std::nullopt;
  }
  try {
    std::filesystem::create_directories(std::filesystem::path(FFullFileName).parent_path());
    if (FUnreadable) {
      // The operator's file stays, under another name, rather than being overwritten.
      RenameOver(FFullFileName, FreeAsideName(FFullFileName));
      FUnreadable = false;
    }
    // Never over the only good copy: where no new file can be made, the old one stays whole.
    ReplaceFileContent(LinkTarget(FFullFileName), WriteReadableSettingsFile(FDocument));
  } catch (...) {
    return u"Настройки не сохранены в файл \"" + FFullFileName + u"\": " +
           CurrentExceptionMessage();
  }
  return std::nullopt;
}

std::vector<std::u16string> TXmlStorage::ElementPath(std::u16string_view APath) const {
  std::vector<std::u16string> names;
  if (FDocument.Root.Name != kRootNodeName) {
    names.push_back(std::u16string(kRootNodeName));
  }
  size_t start = 0;
  while (start <= APath.size()) {
    const size_t end = std::min(APath.find(u'\\', start), APath.size());
    if (end > start) {
      names.push_back(ElementName(APath.substr(start, end - start)));
    }
    start = end + 1;
  }
  return names;
}

const TXmlElement* TXmlStorage::Find(std::u16string_view APath) const {
  const TXmlElement* element = &FDocument.Root;
  for (const std::u16string& name : ElementPath(APath)) {
    element = element->Child(name);
    if (element == nullptr) {
      return nullptr;
    }
  }
  return element;
}

void TXmlStorage::Write(std::u16string_view APath, std::u16string AText) {
  if (FReadOnly) {
    return;
  }
  TXmlElement* element = &FDocument.Root;
  for (const std::u16string& name : ElementPath(APath)) {
    TXmlElement* child = element->Child(name);
    element = child != nullptr ? child : &element->AddChild(name);
  }
  element->Text = std::move(AText);
}

bool TXmlStorage::ValueStored(std::u16string_view APath) const {
  return Find(APath) != nullptr;
}

std::u16string TXmlStorage::ReadString(std::u16string_view APath,
                                       std::u16string_view ADefault) const {
  const TXmlElement* element = Find(APath);
  return element != nullptr ? element->Text : std::u16string(ADefault);
}

std::int32_t TXmlStorage::ReadInteger(std::u16string_view APath, std::int32_t ADefault) const {
  const TXmlElement* element = Find(APath);
  return element != nullptr ? ParseStoredInteger(element->Text) : ADefault;
}

bool TXmlStorage::ReadBoolean(std::u16string_view APath, bool ADefault) const {
  const TXmlElement* element = Find(APath);
  return element != nullptr ? ParseTruth(element->Text) : ADefault;
}

void TXmlStorage::WriteString(std::u16string_view APath, std::u16string_view AValue) {
  Write(APath, std::u16string(AValue));
}

void TXmlStorage::WriteInteger(std::u16string_view APath, std::int32_t AValue) {
  Write(APath, IntToStr(AValue));
}

void TXmlStorage::WriteBoolean(std::u16string_view APath, bool AValue) {
  Write(APath, AValue ? u"TRUE" : u"FALSE");
}

}  // namespace kelvane
