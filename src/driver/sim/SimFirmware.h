#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DateTime.h"

namespace kelvane {

// The firmware image format of the simulated registers: a header that names the build, the
// version text and the date, then the payload, guarded by a checksum. A register installs an
// image without this header, or with a wrong checksum, but keeps reporting its old build.
struct TSimFirmwareInfo {
  std::int32_t Build = 0;
  std::u16string Version;  // ASCII, at most 15 characters
  TDateTime Date = 0;
};

constexpr size_t kSimFirmwareHeaderSize = 40;

// An image of the given payload size whose payload holds every byte value (zero and 0x98 too).
std::string MakeSimFirmware(const TSimFirmwareInfo& AInfo, size_t APayloadSize,
                            std::uint32_t ASeed = 1);

std::optional<TSimFirmwareInfo> ParseSimFirmware(std::string_view AImage);
// The same for an image held in pieces, read in their order.
std::optional<TSimFirmwareInfo> ParseSimFirmware(const std::vector<std::string_view>& APieces);

}  // namespace kelvane
