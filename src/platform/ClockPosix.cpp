#include <sys/time.h>

#include <ctime>

#include "platform/Clock.h"

namespace kelvane {

TDateTime SystemLocalNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::tm local{};
  localtime_r(&now.tv_sec, &local);
  TDateTimeParts parts;
  parts.Year = local.tm_year + 1900;
  parts.Month = local.tm_mon + 1;
  parts.Day = local.tm_mday;
  parts.Hour = local.tm_hour;
  parts.Minute = local.tm_min;
  // A leap second reads as the last second of the minute, as Windows reports it.
  parts.Second = local.tm_sec > 59 ? 59 : local.tm_sec;
  parts.Millisecond = static_cast<int>(now.tv_nsec / 1'000'000);
  return EncodeDateTime(parts);
}

std::int32_t LocalUtcOffsetMinutes() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return static_cast<std::int32_t>(local.tm_gmtoff / 60);
}

}  // namespace kelvane
