#pragma once

#include <string>
#include <string_view>

#include "window/SettingsDocument.h"

namespace kelvane {

// Reads the settings file's bytes into a document: the byte-order mark, else the declaration's
// encoding, else the ANSI code page decides how the bytes are read; element texts are taken whole
// and their entity references decoded once. Raises EError when the bytes cannot be read as XML.
TSettingsDocument ParseSettingsFile(std::string_view ABytes);

// The document as the settings file's bytes: the declaration, one element per line with CRLF,
// two spaces per level, every character of a value outside printable ASCII as a reference.
std::string WriteSettingsFile(const TSettingsDocument& ADocument);

// What WriteSettingsFile gives when it reads back to the same values; otherwise the document
// under a plain declaration of an encoding the tool knows. Raises EError when nothing reads back.
std::string WriteReadableSettingsFile(const TSettingsDocument& ADocument);

// Decodes "&amp;", "&lt;", "&gt;", "&apos;", "&quot;" (any letter case), "&#x<hex>;" and
// "&#<decimal>;"; any other "&" stays as it is.
std::u16string DecodeEntities(std::u16string_view AText);

// Writes a value as the file format requires (see the table of the format).
std::u16string EscapeValue(std::u16string_view AText);

}  // namespace kelvane
