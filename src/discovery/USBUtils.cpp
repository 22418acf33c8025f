#include "discovery/USBUtils.h"

#include "discovery/PortSource.h"
#include "platform/Text.h"

namespace kelvane {

void TSerialPorts::Clear() {
  FItems.clear();
  FItems.shrink_to_fit();
}

void TSerialPorts::Refresh(bool AIncludeUsb, bool AIncludeOther) {
  Clear();
  const bool listAll = AIncludeUsb == AIncludeOther;
  for (const std::optional<std::u16string>& name : PortSource()->PresentPortNames()) {
    if (!name) {
      continue;
    }
    TSerialPortRec port;
    port.FriendlyName = TrimFriendlyName(*name);
    port.ComNumber = ParseComNumber(port.FriendlyName);
    port.Name = ComPortName(port.ComNumber);
    if (port.ComNumber < 0) {
      continue;
    }
    if (listAll || (IsUsbPort(port.FriendlyName) ? AIncludeUsb : AIncludeOther)) {
      FItems.push_back(std::move(port));
    }
  }
}

std::int32_t TSerialPorts::IndexOfComNumber(std::int32_t AComNumber) const {
  for (size_t i = 0; i < FItems.size(); ++i) {
    if (FItems[i].ComNumber == AComNumber) {
      return static_cast<std::int32_t>(i);
    }
  }
  return -1;
}

bool IsUsbPort(std::u16string_view AFriendlyName) {
  return AFriendlyName.find(u"USB") != std::u16string_view::npos;
}

std::int32_t ParseComNumber(std::u16string_view AFriendlyName) {
  if (AFriendlyName.find(u"(LPT") != std::u16string_view::npos) {
    return -1;
  }
  const size_t com = AFriendlyName.find(u"(COM");
  if (com == std::u16string_view::npos) {
    return -1;
  }
  const std::u16string_view rest = AFriendlyName.substr(com + 4);
  const size_t close = rest.find(u')');
  if (close == std::u16string_view::npos) {
    return -1;
  }
  return StrToInt(rest.substr(0, close)).value_or(-1);
}

std::u16string ComPortName(std::int32_t AComNumber) {
  return u"COM" + IntToStr(AComNumber);
}

std::optional<std::int32_t> ComNumberOfName(std::u16string_view AName) {
  constexpr std::u16string_view kPrefix = u"COM";
  if (AName.size() <= kPrefix.size() || !SameName(AName.substr(0, kPrefix.size()), kPrefix)) {
    return std::nullopt;
  }
  const std::u16string_view digits = AName.substr(kPrefix.size());
  if (digits.find_first_not_of(u"0123456789") != std::u16string_view::npos) {
    return std::nullopt;
  }
  return StrToInt(digits);
}

std::u16string TrimFriendlyName(std::u16string_view AName) {
  std::u16string_view name = AName.substr(0, AName.find(u'\0'));
  while (!name.empty() && name.back() < 33) {
    name.remove_suffix(1);
  }
  return std::u16string(name);
}

}  // namespace kelvane
