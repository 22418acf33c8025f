#include "driver/sim/SimFirmware.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/Text.h"

namespace kelvane {

namespace {

constexpr std::array<char, 8> kMagic = {'K', 'L', 'V', 'F', 'W', '1', '\0', '\0'};
constexpr size_t kVersionSize = 16;

std::uint32_t Fnv1a(std::string_view AData, std::uint32_t AHash = 2166136261u) {
  std::uint32_t hash = AHash;
  for (const char c : AData) {
    hash ^= static_cast<std::uint8_t>(c);
    hash *= 16777619u;
  }
  return hash;
}

void PutLe(std::string& AOut, size_t AOffset, std::uint32_t AValue, size_t ASize) {
  for (size_t i = 0; i < ASize; ++i) {
    AOut[AOffset + i] = static_cast<char>((AValue >> (8 * i)) & 0xFF);
  }
}

std::uint32_t GetLe(std::string_view AIn, size_t AOffset, size_t ASize) {
  std::uint32_t value = 0;
  for (size_t i = 0; i < ASize; ++i) {
    value |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(AIn[AOffset + i])) << (8 * i);
  }
  return value;
}

}  // namespace

std::string MakeSimFirmware(const TSimFirmwareInfo& AInfo, size_t APayloadSize,
                            std::uint32_t ASeed) {
  std::string payload(APayloadSize, '\0');
  // The first 256 bytes are every byte value in order; then a simple generator.
  std::uint32_t state = ASeed ? ASeed : 1;
  for (size_t i = 0; i < APayloadSize; ++i) {
    if (i < 256) {
      payload[i] = static_cast<char>(i);
    } else {
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      payload[i] = static_cast<char>(state & 0xFF);
    }
  }
  std::string image(kSimFirmwareHeaderSize, '\0');
  std::memcpy(image.data(), kMagic.data(), kMagic.size());
  PutLe(image, 8, static_cast<std::uint32_t>(AInfo.Build), 4);
  const TDateTimeParts date = DecodeDateTime(AInfo.Date);
  PutLe(image, 12, static_cast<std::uint32_t>(date.Year), 2);
  PutLe(image, 14, static_cast<std::uint32_t>(date.Month), 1);
  PutLe(image, 15, static_cast<std::uint32_t>(date.Day), 1);
  const std::string version = ToUtf8(AInfo.Version).substr(0, kVersionSize - 1);
  std::memcpy(image.data() + 16, version.data(), version.size());
  PutLe(image, 32, static_cast<std::uint32_t>(APayloadSize), 4);
  PutLe(image, 36, Fnv1a(payload), 4);
  image += payload;
  return image;
}

std::optional<TSimFirmwareInfo> ParseSimFirmware(std::string_view AImage) {
  return ParseSimFirmware(std::vector<std::string_view>{AImage});
}

std::optional<TSimFirmwareInfo> ParseSimFirmware(const std::vector<std::string_view>& APieces) {
  std::string header;
  size_t payloadSize = 0;
  std::uint32_t payloadHash = Fnv1a({});
  for (std::string_view piece : APieces) {
    const size_t take = std::min(piece.size(), kSimFirmwareHeaderSize - header.size());
    header.append(piece.substr(0, take));
    piece.remove_prefix(take);
    payloadSize += piece.size();
    payloadHash = Fnv1a(piece, payloadHash);
  }
  if (header.size() < kSimFirmwareHeaderSize ||
      std::memcmp(header.data(), kMagic.data(), kMagic.size()) != 0) {
    return std::nullopt;
  }
  if (GetLe(header, 32, 4) != payloadSize || GetLe(header, 36, 4) != payloadHash) {
    return std::nullopt;
  }
  const int year = static_cast<int>(GetLe(header, 12, 2));
  const int month = static_cast<int>(GetLe(header, 14, 1));
  const int day = static_cast<int>(GetLe(header, 15, 1));
  if (month < 1 || month > 12 || day < 1 || day > 31) {
    return std::nullopt;
  }
  const std::string_view versionField = std::string_view(header).substr(16, kVersionSize);
  TSimFirmwareInfo info;
  info.Build = static_cast<std::int32_t>(GetLe(header, 8, 4));
  info.Version = FromUtf8(versionField.substr(0, versionField.find('\0')));
  info.Date = EncodeDate(year, month, day);
  return info;
}

}  // namespace kelvane
