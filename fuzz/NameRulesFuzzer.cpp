// The rules read from port names and firmware file names, each against a second, plainly
// written reading of the same rule.
#include <optional>

#include "FuzzInput.h"
#include "discovery/USBUtils.h"
#include "procedures/UpdateTask.h"

namespace {

// Each byte is a code unit, but 0xFF, which takes the next two bytes as one (little-endian),
// so that the names stay short and the mutations still reach every code unit.
std::u16string Name(const std::uint8_t* AData, size_t ASize) {
  std::u16string name;
  for (size_t i = 0; i < ASize; ++i) {
    if (AData[i] == 0xFF && i + 2 < ASize) {
      name.push_back(static_cast<char16_t>(AData[i + 1] | (AData[i + 2] << 8)));
      i += 2;
    } else {
      name.push_back(AData[i]);
    }
  }
  return name;
}

// Blanks, a sign, then one or more digits and nothing else, within 32 bits.
std::optional<std::int32_t> Integer(const std::u16string& AText) {
  size_t i = 0;
  while (i < AText.size() && AText[i] == u' ') {
    ++i;
  }
  bool negative = false;
  if (i < AText.size() && (AText[i] == u'+' || AText[i] == u'-')) {
    negative = AText[i] == u'-';
    ++i;
  }
  if (i == AText.size()) {
    return std::nullopt;
  }
  std::string digits;  // without leading zeros
  for (; i < AText.size(); ++i) {
    if (AText[i] < u'0' || AText[i] > u'9') {
      return std::nullopt;
    }
    if (!digits.empty() || AText[i] != u'0') {
      digits.push_back(static_cast<char>(AText[i]));
    }
  }
  if (digits.size() > 10) {
    return std::nullopt;
  }
  const long long magnitude = digits.empty() ? 0 : std::stoll(digits);
  const long long value = negative ? -magnitude : magnitude;
  if (value < -2147483648LL || value > 2147483647LL) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(value);
}

bool Contains(const std::u16string& AText, const std::u16string& APart) {
  return AText.find(APart) != std::u16string::npos;
}

std::int32_t ComNumber(const std::u16string& AName) {
  if (Contains(AName, u"(LPT")) {
    return -1;
  }
  const size_t com = AName.find(u"(COM");
  if (com == std::u16string::npos) {
    return -1;
  }
  std::u16string number;
  for (size_t i = com + 4;; ++i) {
    if (i == AName.size()) {
      return -1;
    }
    if (AName[i] == u')') {
      break;
    }
    number.push_back(AName[i]);
  }
  return Integer(number).value_or(-1);
}

std::u16string Trimmed(const std::u16string& AName) {
  std::u16string name;
  for (const char16_t c : AName) {
    if (c == u'\0') {
      break;
    }
    name.push_back(c);
  }
  while (!name.empty() && name.back() <= u' ') {
    name.pop_back();
  }
  return name;
}

std::int32_t Build(const std::u16string& AFileName) {
  const size_t underscore = AFileName.rfind(u'_');
  const size_t start = underscore == std::u16string::npos ? 0 : underscore + 1;
  const size_t dot = AFileName.find(u'.', start);
  if (dot == std::u16string::npos || dot == start) {
    return 0;
  }
  return Integer(AFileName.substr(start, dot - start)).value_or(0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, size_t ASize) {
  using namespace kelvane;
  const std::u16string name = Name(AData, ASize);
  if (IsUsbPort(name) != Contains(name, u"USB")) {
    fuzz::Fail("IsUsbPort");
  }
  if (ParseComNumber(name) != ComNumber(name)) {
    fuzz::Fail("ParseComNumber");
  }
  if (TrimFriendlyName(name) != Trimmed(name)) {
    fuzz::Fail("TrimFriendlyName");
  }
  if (TUpdateTask::BuildFromFileName(name) != Build(name)) {
    fuzz::Fail("BuildFromFileName");
  }
  return 0;
}
