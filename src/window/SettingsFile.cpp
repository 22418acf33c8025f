#include "window/SettingsFile.h"

#include <algorithm>

#include <pugixml.hpp>

#include <array>
#include <cstdio>

#include "platform/CodePage.h"
#include "platform/Error.h"
#include "platform/SingleByteCharset.h"
#include "platform/Text.h"

namespace kelvane {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Mark = "\xFF\xFE";
constexpr std::string_view kUtf16BigEndianMark = "\xFE\xFF";

bool IsAnsi(std::string_view ACharset) {
  return SameName(FromAscii(ACharset), FromAscii(AnsiCharsetName()));
}

// The encoding named in the declaration at the start of the bytes, if there is one.
std::optional<std::string> DeclaredEncoding(std::string_view ABytes) {
  if (ABytes.substr(0, 5) != "<?xml") {
    return std::nullopt;
  }
  const std::string_view declaration = ABytes.substr(0, ABytes.find("?>"));
  const size_t name = declaration.find("encoding");
  if (name == std::string_view::npos) {
    return std::nullopt;
  }
  const size_t open = declaration.find_first_of("\"'", name);
  if (open == std::string_view::npos) {
    return std::nullopt;
  }
  const size_t close = declaration.find(declaration[open], open + 1);
  if (close == std::string_view::npos) {
    return std::nullopt;
  }
  return std::string(declaration.substr(open + 1, close - open - 1));
}

std::u16string DecodeEightBit(std::string_view ABytes, const std::string& ACharset) {
  if (IsAnsi(ACharset)) {
    return AnsiToUnicode(ABytes);
  }
  const auto charset = TSingleByteCharset::ForName(ACharset);
  if (charset) {
    return charset->Decode(ABytes);
  }
  // An unknown charset of a file that is ASCII throughout: every charset reads it the same.
  if (std::all_of(ABytes.begin(), ABytes.end(),
                  [](char AByte) { return static_cast<unsigned char>(AByte) < 0x80; })) {
    return std::u16string(ABytes.begin(), ABytes.end());
  }
  throw EError(u"Неизвестная кодировка файла настроек: " +
               FromUtf8(ACharset.substr(0, std::min<size_t>(ACharset.size(), 64))));
}

// UTF-16, little-endian unless ABigEndian.
std::u16string DecodeUtf16(std::string_view ABytes, bool ABigEndian = false) {
  if (ABytes.size() % 2 != 0) {
    throw EError(u"Файл настроек в UTF-16 обрезан");
  }
  const size_t low = ABigEndian ? 1 : 0;
  std::u16string text(ABytes.size() / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(static_cast<std::uint8_t>(ABytes[2 * i + low]) |
                                    (static_cast<std::uint8_t>(ABytes[2 * i + 1 - low]) << 8));
  }
  return text;
}

std::u16string DecodeUtf8(std::string_view ABytes) {
  // A replacement character written back would lose the bytes for good.
  std::optional<std::u16string> text = FromUtf8Exact(ABytes);
  if (!text) {
    throw EError(u"Файл настроек в UTF-8 содержит байты не UTF-8");
  }
  return std::move(*text);
}

std::u16string DecodeFile(std::string_view ABytes, TSettingsDocument& ADocument) {
  if (ABytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
    ADocument.ByteOrderMark = TFileEncoding::Utf8;
    ADocument.ReadEncoding = TFileEncoding{TFileEncoding::Utf8, "utf-8"};
    return DecodeUtf8(ABytes.substr(kUtf8Mark.size()));
  }
  for (const bool bigEndian : {false, true}) {
    if (ABytes.substr(0, 2) == (bigEndian ? kUtf16BigEndianMark : kUtf16Mark)) {
      // Written back little-endian, the one UTF-16 the tool writes.
      ADocument.ByteOrderMark = TFileEncoding::Utf16;
      ADocument.ReadEncoding = TFileEncoding{TFileEncoding::Utf16, "utf-16"};
      return DecodeUtf16(ABytes.substr(2), bigEndian);
    }
  }
  const std::string charset = DeclaredEncoding(ABytes).value_or(AnsiCharsetName());
  ADocument.ReadEncoding = TFileEncoding::ForCharset(charset);
  switch (ADocument.ReadEncoding->Kind) {
    case TFileEncoding::Utf8:
      return DecodeUtf8(ABytes);
    case TFileEncoding::Utf16:
      throw EError(u"Файл настроек в UTF-16 без метки порядка байтов");
    case TFileEncoding::EightBit:
      break;
  }
  return DecodeEightBit(ABytes, charset);
}

void AppendCodePoint(std::u16string& AText, std::uint32_t ACodePoint) {
  if (ACodePoint > 0xFFFF) {
    ACodePoint -= 0x10000;
    AText.push_back(static_cast<char16_t>(0xD800 + (ACodePoint >> 10)));
    AText.push_back(static_cast<char16_t>(0xDC00 + (ACodePoint & 0x3FF)));
  } else {
    AText.push_back(static_cast<char16_t>(ACodePoint));
  }
}

// The character a reference at the start of AText stands for, and the reference's length.
std::optional<std::pair<std::uint32_t, size_t>> NumericReference(std::u16string_view AText) {
  const bool hex = AText.size() > 3 && (AText[2] == u'x' || AText[2] == u'X');
  const size_t digitsFrom = hex ? 3 : 2;
  std::uint32_t value = 0;
  size_t i = digitsFrom;
  for (; i < AText.size() && AText[i] != u';'; ++i) {
    const char16_t c = AText[i];
    int digit = -1;
    if (c >= u'0' && c <= u'9') {
      digit = c - u'0';
    } else if (hex && c >= u'a' && c <= u'f') {
      digit = c - u'a' + 10;
    } else if (hex && c >= u'A' && c <= u'F') {
      digit = c - u'A' + 10;
    }
    if (digit < 0) {
      return std::nullopt;
    }
    value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
    if (value > 0x10FFFF) {
      return std::nullopt;
    }
  }
  if (i == digitsFrom || i == AText.size()) {
    return std::nullopt;
  }
  return std::pair{value, i + 1};
}

// The tool's own files have three levels; a bound keeps a hostile file from exhausting the stack
// of the recursive reading, writing and freeing of the document.
constexpr int kMaxDepth = 64;

bool IsBlank(std::u16string_view AText) {
  return AText.find_first_not_of(u" \t\r\n") == std::u16string_view::npos;
}

void ReadElement(const pugi::xml_node ANode, TXmlElement& AElement, int ADepth) {
  if (ADepth > kMaxDepth) {
    throw EError(u"Файл настроек вложен слишком глубоко");
  }
  AElement.Name = FromUtf8(ANode.name());
  std::u16string text;
  bool hasChildren = false;
  for (const pugi::xml_node child : ANode.children()) {
    switch (child.type()) {
      case pugi::node_element:
        hasChildren = true;
        ReadElement(child, AElement.AddChild({}), ADepth + 1);
        break;
      case pugi::node_pcdata:
        text += DecodeEntities(FromUtf8(child.value()));
        break;
      case pugi::node_cdata:
        text += FromUtf8(child.value());
        break;
      default:
        break;
    }
  }
  if (!hasChildren && !IsBlank(text)) {
    AElement.Text = std::move(text);
  }
}

// The value of an element as a reader of the file gets it back.
std::u16string_view ReadBackText(const TXmlElement& AElement) {
  return AElement.Children.empty() && !IsBlank(AElement.Text) ? std::u16string_view(AElement.Text)
                                                              : std::u16string_view();
}

bool SameValues(const TXmlElement& ALeft, const TXmlElement& ARight) {
  if (ALeft.Name != ARight.Name || ReadBackText(ALeft) != ReadBackText(ARight) ||
      ALeft.Children.size() != ARight.Children.size()) {
    return false;
  }
  for (size_t i = 0; i < ALeft.Children.size(); ++i) {
    if (!SameValues(*ALeft.Children[i], *ARight.Children[i])) {
      return false;
    }
  }
  return true;
}

bool ReadsBackAs(std::string_view ABytes, const TSettingsDocument& ADocument) {
  try {
    return SameValues(ParseSettingsFile(ABytes).Root, ADocument.Root);
  } catch (const std::exception&) {
    return false;
  }
}

std::u16string CharsetName(const TFileEncoding& AEncoding) {
  switch (AEncoding.Kind) {
    case TFileEncoding::Utf8:
      return u"utf-8";
    case TFileEncoding::Utf16:
      return u"utf-16";
    case TFileEncoding::EightBit:
      break;
  }
  return FromUtf8(AEncoding.Charset);
}

void WriteElement(const TXmlElement& AElement, int AIndent, std::u16string& AOut) {
  const std::u16string indent(static_cast<size_t>(AIndent), u' ');
  // Names go unescaped: the tool's own never need it, and a reference in a tag would make the
  // file unreadable for the next run.
  if (!AElement.Children.empty()) {
    AOut += indent + u"<" + AElement.Name + u">\r\n";
    for (const auto& child : AElement.Children) {
      WriteElement(*child, AIndent + 2, AOut);
    }
    AOut += indent + u"</" + AElement.Name + u">\r\n";
  } else if (!AElement.Text.empty()) {
    AOut += indent + u"<" + AElement.Name + u">" + EscapeValue(AElement.Text) + u"</" +
            AElement.Name + u">\r\n";
  } else {
    AOut += indent + u"<" + AElement.Name + u"/>\r\n";
  }
}

std::string EncodeEightBit(std::u16string_view AText, const std::string& ACharset) {
  if (IsAnsi(ACharset)) {
    if (auto bytes = UnicodeToAnsi(AText)) {
      return *bytes;
    }
  } else if (const auto charset = TSingleByteCharset::ForName(ACharset)) {
    if (auto bytes = charset->Encode(AText)) {
      return *bytes;
    }
  }
  // Only names read from the file can hold such characters; "_" is what the name rule puts.
  std::string bytes;
  for (const char16_t c : AText) {
    bytes.push_back(c < 128 ? static_cast<char>(c) : '_');
  }
  return bytes;
}

}  // namespace

std::u16string DecodeEntities(std::u16string_view AText) {
  static constexpr std::array<std::pair<std::u16string_view, char16_t>, 5> kNamed = {
      {{u"&amp;", u'&'}, {u"&lt;", u'<'}, {u"&gt;", u'>'}, {u"&apos;", u'\''}, {u"&quot;", u'"'}}};
  std::u16string text;
  text.reserve(AText.size());
  size_t i = 0;
  while (i < AText.size()) {
    if (AText[i] != u'&') {
      text.push_back(AText[i++]);
      continue;
    }
    const std::u16string_view rest = AText.substr(i);
    bool decoded = false;
    for (const auto& [name, character] : kNamed) {
      if (rest.size() >= name.size() && SameName(rest.substr(0, name.size()), name)) {
        text.push_back(character);
        i += name.size();
        decoded = true;
        break;
      }
    }
    if (decoded) {
      continue;
    }
    if (rest.size() > 2 && rest[1] == u'#') {
      if (const auto reference = NumericReference(rest)) {
        AppendCodePoint(text, reference->first);
        i += reference->second;
        continue;
      }
    }
    text.push_back(AText[i++]);
  }
  return text;
}

std::u16string EscapeValue(std::u16string_view AText) {
  std::u16string out;
  out.reserve(AText.size());
  for (const char16_t c : AText) {
    switch (c) {
      case u'"':
        out += u"&quot;";
        continue;
      case u'&':
        out += u"&amp;";
        continue;
      case u'\'':
        out += u"&apos;";
        continue;
      case u'<':
        out += u"&lt;";
        continue;
      case u'>':
        out += u"&gt;";
        continue;
      default:
        break;
    }
    const bool plain = c == 9 || c == 10 || c == 13 || (c >= 32 && c <= 127);
    if (plain) {
      out.push_back(c);
    } else {
      char reference[12];
      std::snprintf(reference, sizeof reference, c <= 0xFF ? "&#x%02X;" : "&#x%04X;",
                    static_cast<unsigned>(c));
      out += FromAscii(reference);
    }
  }
  return out;
}

TSettingsDocument ParseSettingsFile(std::string_view ABytes) {
  TSettingsDocument document;
  const std::string utf8 = ToUtf8(DecodeFile(ABytes, document));
  // Entities are decoded by this file's own rules, and line ends are kept as they are.
  constexpr unsigned kOptions = pugi::parse_minimal | pugi::parse_declaration | pugi::parse_cdata;
  pugi::xml_document xml;
  const pugi::xml_parse_result result =
      xml.load_buffer(utf8.data(), utf8.size(), kOptions, pugi::encoding_utf8);
  if (!result) {
    throw EError(u"Файл настроек не разобран: " + FromUtf8(result.description()));
  }
  const pugi::xml_node root = xml.document_element();
  if (!root) {
    throw EError(u"В файле настроек нет корневого элемента");
  }
  for (const pugi::xml_node node : xml.children()) {
    if (node.type() == pugi::node_declaration) {
      TXmlDeclaration declaration;
      declaration.Version = FromUtf8(node.attribute("version").value());
      if (const pugi::xml_attribute encoding = node.attribute("encoding")) {
        declaration.Encoding = FromUtf8(encoding.value());
      }
      declaration.Standalone = FromUtf8(node.attribute("standalone").value());
      document.Declaration = std::move(declaration);
    }
  }
  ReadElement(root, document.Root, 1);
  return document;
}

namespace {

// The declaration's values as written, and the encoding they name.
struct TWrittenDeclaration {
  std::u16string Version;
  std::u16string Charset;
  std::u16string Standalone;
  TFileEncoding Encoding;
};

std::string WriteDocument(const TXmlElement& ARoot, const TWrittenDeclaration& ADeclaration) {
  std::u16string text = u"<?xml version=\"" + ADeclaration.Version + u"\" encoding=\"" +
                        ADeclaration.Charset + u"\" standalone=\"" + ADeclaration.Standalone +
                        u"\"?>\r\n";
  WriteElement(ARoot, 0, text);

  switch (ADeclaration.Encoding.Kind) {
    case TFileEncoding::Utf8:
      return std::string(kUtf8Mark) + ToUtf8(text);
    case TFileEncoding::Utf16: {
      std::string bytes(kUtf16Mark);
      for (const char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
      }
      return bytes;
    }
    case TFileEncoding::EightBit:
      break;
  }
  return EncodeEightBit(text, ADeclaration.Encoding.Charset);
}

TWrittenDeclaration DeclarationOf(const TSettingsDocument& ADocument) {
  const TFileEncoding encoding = ADocument.WriteEncoding();
  TWrittenDeclaration written{u"1.0", CharsetName(encoding), u"no", encoding};
  if (const auto& declaration = ADocument.Declaration) {
    written.Version = declaration->Version;
    written.Charset = declaration->Encoding.value_or(written.Charset);
    written.Standalone = declaration->Standalone == u"yes" ? u"yes" : u"no";
  }
  return written;
}

}  // namespace

std::string WriteSettingsFile(const TSettingsDocument& ADocument) {
  return WriteDocument(ADocument.Root, DeclarationOf(ADocument));
}

std::string WriteReadableSettingsFile(const TSettingsDocument& ADocument) {
  TWrittenDeclaration declaration = DeclarationOf(ADocument);
  std::string bytes = WriteDocument(ADocument.Root, declaration);
  if (ReadsBackAs(bytes, ADocument)) {
    return bytes;
  }
  // A declaration the tool cannot honour (an unknown charset, a version with a quote) gives way
  // to a plain one: in the encoding the file was read by (else the ANSI code page), and failing
  // that in UTF-8, which holds any name and value.
  declaration.Version = u"1.0";
  const TFileEncoding readBy =
      ADocument.ReadEncoding.value_or(TFileEncoding::ForCharset(AnsiCharsetName()));
  for (const TFileEncoding& encoding : {readBy, TFileEncoding{TFileEncoding::Utf8, "utf-8"}}) {
    declaration.Encoding = encoding;
    declaration.Charset = CharsetName(encoding);
    bytes = WriteDocument(ADocument.Root, declaration);
    if (ReadsBackAs(bytes, ADocument)) {
      return bytes;
    }
  }
  throw EError(u"Настройки не удаётся записать так, чтобы они читались");
}

}  // namespace kelvane
