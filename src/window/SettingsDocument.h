#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

// An element of the settings document: a name, and either children or a text (its value).
struct TXmlElement {
  std::u16string Name;
  std::u16string Text;
  std::vector<std::unique_ptr<TXmlElement>> Children;

  // The first child of that name, letter case of A to Z ignored; null when there is none.
  TXmlElement* Child(std::u16string_view AName) const;
  // A new last child.
  TXmlElement& AddChild(std::u16string AName);
};

// How the settings file is encoded: an 8-bit charset by name, UTF-8 or UTF-16 little-endian.
struct TFileEncoding {
  enum TKind { EightBit, Utf8, Utf16 };
  TKind Kind = EightBit;
  std::string Charset;

  // The kind a charset name stands for ("utf-8", "UTF-16", anything else 8-bit).
  static TFileEncoding ForCharset(std::string_view ACharset);
};

// The XML declaration as read, to be written back.
struct TXmlDeclaration {
  std::u16string Version;
  std::optional<std::u16string> Encoding;
  std::u16string Standalone;
};

// The whole settings document: its root, and what the file it came from said of its encoding.
struct TSettingsDocument {
  TXmlElement Root;
  std::optional<TXmlDeclaration> Declaration;
  // The byte-order mark the file started with, if any.
  std::optional<TFileEncoding::TKind> ByteOrderMark;
  // The encoding the file's bytes were actually decoded by; none when no file was read.
  std::optional<TFileEncoding> ReadEncoding;

  // The encoding a write uses: the declaration's, else the mark's, else the ANSI code page's.
  TFileEncoding WriteEncoding() const;
};

}  // namespace kelvane
