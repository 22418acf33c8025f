#include <windows.h>

#include <cstdint>

#include "platform/Clock.h"

namespace kelvane {

TDateTime SystemLocalNow() {
  SYSTEMTIME local{};
  GetLocalTime(&local);
  TDateTimeParts parts;
  parts.Year = local.wYear;
  parts.Month = local.wMonth;
  parts.Day = local.wDay;
  parts.Hour = local.wHour;
  parts.Minute = local.wMinute;
  parts.Second = local.wSecond;
  parts.Millisecond = local.wMilliseconds;
  return EncodeDateTime(parts);
}

std::int32_t LocalUtcOffsetMinutes() {
  // The difference of the two clocks now, to the minute, whatever rule of daylight saving holds.
  SYSTEMTIME utc{};
  SYSTEMTIME local{};
  GetSystemTime(&utc);
  GetLocalTime(&local);
  FILETIME utcFile{};
  FILETIME localFile{};
  SystemTimeToFileTime(&utc, &utcFile);
  SystemTimeToFileTime(&local, &localFile);
  const auto ticks = [](const FILETIME& AFile) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(AFile.dwHighDateTime) << 32) |
                                     AFile.dwLowDateTime);
  };
  const std::int64_t minutes = (ticks(localFile) - ticks(utcFile)) / (10'000'000LL * 60);
  // Rounded to the quarter hour: the two readings are a moment apart.
  return static_cast<std::int32_t>((minutes + (minutes >= 0 ? 7 : -7)) / 15 * 15);
}

}  // namespace kelvane
