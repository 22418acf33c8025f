#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

// One present serial port.
struct TSerialPortRec {
  // Its ComPortName.
  std::u16string Name;
  // The name Windows shows for the port, cut at its first NUL and without trailing blanks and
  // control characters.
  std::u16string FriendlyName;
  // Never filled; kept for whoever reads the record.
  std::u16string HWStr;
  std::int32_t ComNumber = 0;
};

// The present COM ports, in the order the platform enumerated them.
class TSerialPorts {
 public:
  // Lists the present ports anew: both flags false, or both true, list every port; otherwise
  // USB ports (by friendly name) go in with AIncludeUsb and the others with AIncludeOther.
  // Raises nothing of its own: what fails on the platform side leaves fewer ports, or none.
  void Refresh(bool AIncludeUsb, bool AIncludeOther);
  // The index of the first record of that number, or -1.
  std::int32_t IndexOfComNumber(std::int32_t AComNumber) const;

  std::int32_t Count() const { return static_cast<std::int32_t>(FItems.size()); }
  const TSerialPortRec& operator[](std::int32_t AIndex) const {
    return FItems.at(static_cast<size_t>(AIndex));
  }
  void Add(TSerialPortRec ARecord) { FItems.push_back(std::move(ARecord)); }
  void Clear();
  std::vector<TSerialPortRec>::const_iterator begin() const { return FItems.begin(); }
  std::vector<TSerialPortRec>::const_iterator end() const { return FItems.end(); }

 private:
  std::vector<TSerialPortRec> FItems;
};

// True when the friendly name contains "USB", letter case as written.
bool IsUsbPort(std::u16string_view AFriendlyName);

// The number in the first "(COM...)" of the friendly name, or -1: for a name with "(LPT", with no
// "(COM", without the closing parenthesis, or with no whole integer before it.
std::int32_t ParseComNumber(std::u16string_view AFriendlyName);

// The name Windows gives a serial port: "COM" and its number, as in COM3.
std::u16string ComPortName(std::int32_t AComNumber);
// The number in such a name, "COM" in any letter case and digits only; nothing for another text.
std::optional<std::int32_t> ComNumberOfName(std::u16string_view AName);

// The friendly name up to its first NUL, without trailing code units below 33.
std::u16string TrimFriendlyName(std::u16string_view AName);

}  // namespace kelvane
