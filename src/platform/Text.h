#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvane {

// UTF-16 is the text type of the whole tool; these convert at the edges (console, files, what()).
std::string ToUtf8(std::u16string_view AText);
std::u16string FromUtf8(std::string_view AText);

// Plain ASCII text, as literals and numbers need it.
std::u16string FromAscii(std::string_view AText);

std::u16string IntToStr(std::int64_t AValue);

}  // namespace kelvane
