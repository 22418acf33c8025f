#include "platform/Text.h"

#include <algorithm>
#include <locale>

namespace kelvane {

namespace {

using TUtf8Facet = std::codecvt<char16_t, char8_t, std::mbstate_t>;

const TUtf8Facet& Utf8Facet() {
  return std::use_facet<TUtf8Facet>(std::locale::classic());
}

constexpr char16_t kReplacement = u'\uFFFD';

}  // namespace

std::string ToUtf8(std::u16string_view AText) {
  const TUtf8Facet& facet = Utf8Facet();
  std::string result;
  result.reserve(AText.size() * 3);
  const char16_t* from = AText.data();
  const char16_t* const end = from + AText.size();
  while (from != end) {
    char8_t buffer[256];
    std::mbstate_t state{};
    const char16_t* next = from;
    char8_t* out = buffer;
    const auto status = facet.out(state, from, end, next, buffer, buffer + sizeof buffer, out);
    result.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(out - buffer));
    if (status == std::codecvt_base::error || (next == from && out == buffer)) {
      // A lone surrogate: the text stays readable, with the usual replacement character.
      result.append("\xEF\xBF\xBD");
      ++next;
    }
    from = next;
  }
  return result;
}

namespace {

// Decodes UTF-8; a byte that is not UTF-8 becomes the replacement character, or, when AExact,
// ends the decoding with nothing.
std::optional<std::u16string> DecodeUtf8(std::string_view AText, bool AExact) {
  const TUtf8Facet& facet = Utf8Facet();
  std::u16string result;
  result.reserve(AText.size());
  const auto* from = reinterpret_cast<const char8_t*>(AText.data());
  const auto* const end = from + AText.size();
  while (from != end) {
    char16_t buffer[256];
    std::mbstate_t state{};
    const char8_t* next = from;
    char16_t* out = buffer;
    const auto status = facet.in(state, from, end, next, buffer, buffer + 256, out);
    result.append(buffer, static_cast<size_t>(out - buffer));
    if (status == std::codecvt_base::error || (next == from && out == buffer)) {
      if (AExact) {
        return std::nullopt;
      }
      result.push_back(kReplacement);
      ++next;
    }
    from = next;
  }
  return result;
}

}  // namespace

std::u16string FromUtf8(std::string_view AText) {
  return *DecodeUtf8(AText, false);
}

std::optional<std::u16string> FromUtf8Exact(std::string_view AText) {
  return DecodeUtf8(AText, true);
}

namespace {

// The first byte of a character: not a continuation byte (10xxxxxx).
bool StartsACharacter(char AByte) {
  return (static_cast<unsigned char>(AByte) & 0xC0) != 0x80;
}

}  // namespace

size_t Utf8Length(std::string_view AText) {
  return static_cast<size_t>(std::count_if(AText.begin(), AText.end(), StartsACharacter));
}

std::string_view Utf8Start(std::string_view AText, size_t ALength) {
  size_t characters = 0;
  for (size_t at = 0; at < AText.size(); ++at) {
    if (StartsACharacter(AText[at]) && characters++ == ALength) {
      return AText.substr(0, at);
    }
  }
  return AText;
}

std::u16string FromAscii(std::string_view AText) {
  return std::u16string(AText.begin(), AText.end());
}

std::u16string ShownOnTerminal(std::u16string_view AText) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string shown;
  shown.reserve(AText.size());
  for (const char16_t c : AText) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
      shown += u"\\x";
      shown += kDigits[c >> 4];
      shown += kDigits[c & 15];
    } else {
      shown += c;
    }
  }
  return shown;
}

std::u16string IntToStr(std::int64_t AValue) {
  return FromAscii(std::to_string(AValue));
}

std::optional<std::int64_t> StrToInt64(std::u16string_view AText) {
  size_t i = 0;
  while (i < AText.size() && AText[i] == u' ') {
    ++i;
  }
  const bool negative = i < AText.size() && AText[i] == u'-';
  if (i < AText.size() && (AText[i] == u'-' || AText[i] == u'+')) {
    ++i;
  }
  if (i == AText.size()) {
    return std::nullopt;
  }
  const std::uint64_t limit = static_cast<std::uint64_t>(INT64_MAX) + (negative ? 1 : 0);
  std::uint64_t value = 0;
  for (; i < AText.size(); ++i) {
    if (AText[i] < u'0' || AText[i] > u'9') {
      return std::nullopt;
    }
    const auto digit = static_cast<std::uint64_t>(AText[i] - u'0');
    if (value > (limit - digit) / 10) {
      return std::nullopt;
    }
    value = value * 10 + digit;
  }
  return negative ? static_cast<std::int64_t>(0 - value) : static_cast<std::int64_t>(value);
}

std::optional<std::int32_t> StrToInt(std::u16string_view AText) {
  const std::optional<std::int64_t> value = StrToInt64(AText);
  if (!value || *value < INT32_MIN || *value > INT32_MAX) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(*value);
}

std::u16string Trimmed(std::u16string_view AText, std::u16string_view ABlanks) {
  const size_t first = AText.find_first_not_of(ABlanks);
  if (first == std::u16string_view::npos) {
    return {};
  }
  return std::u16string(AText.substr(first, AText.find_last_not_of(ABlanks) - first + 1));
}

bool SameName(std::u16string_view ALeft, std::u16string_view ARight) {
  const auto fold = [](char16_t AChar) {
    return AChar >= u'a' && AChar <= u'z' ? static_cast<char16_t>(AChar - u'a' + u'A') : AChar;
  };
  return std::equal(ALeft.begin(), ALeft.end(), ARight.begin(), ARight.end(),
                    [&](char16_t a, char16_t b) { return fold(a) == fold(b); });
}

}  // namespace kelvane
