#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelvane {

// The workstation's ANSI code page (Linux: windows-1251).

// Decodes bytes as MultiByteToWideChar does with no flags; zero bytes are characters like any
// other.
std::u16string AnsiToUnicode(std::string_view ABytes);

// The bytes of a text, or nothing when a character has no byte in the code page.
std::optional<std::string> UnicodeToAnsi(std::u16string_view AText);

// True when every byte value decodes to one character and back, so bytes pass through unchanged.
bool AnsiCodePageIsSingleByte();

// The code page's number, for messages.
unsigned AnsiCodePageNumber();

// The registered charset name of the code page, as an XML declaration names it: "windows-1251".
std::string AnsiCharsetName();

}  // namespace kelvane
