#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelvane {

// UTF-16 is the text type of the whole tool; these convert at the edges (console, files, what()).
std::string ToUtf8(std::u16string_view AText);
std::u16string FromUtf8(std::string_view AText);
// Nothing when the bytes are not UTF-8 throughout.
std::optional<std::u16string> FromUtf8Exact(std::string_view AText);

// The text in lower case, every letter that has a lower-case form (Cyrillic included).
std::u16string LowerCase(std::u16string_view AText);

// True when the two names are equal with the letter case of A to Z ignored.
bool SameName(std::u16string_view ALeft, std::u16string_view ARight);

// The text without the characters of ABlanks at its start and its end.
std::u16string Trimmed(std::u16string_view AText, std::u16string_view ABlanks);

// Text that came from a register or the driver, as a terminal may show it: every control
// character (C0, DEL and C1: ESC, BEL, CR among them) written out as "\x1B", so that none acts.
std::u16string ShownOnTerminal(std::u16string_view AText);

// The characters (code points) of a UTF-8 text.
size_t Utf8Length(std::string_view AText);
// The longest start of a UTF-8 text that holds at most ALength characters, cut between two.
std::string_view Utf8Start(std::string_view AText, size_t ALength);

// Plain ASCII text, as literals and numbers need it.
std::u16string FromAscii(std::string_view AText);

std::u16string IntToStr(std::int64_t AValue);

// A decimal integer: optional leading blanks, an optional sign, digits and nothing else; nothing
// for any other text or a number out of range.
std::optional<std::int64_t> StrToInt64(std::u16string_view AText);
std::optional<std::int32_t> StrToInt(std::u16string_view AText);

}  // namespace kelvane
