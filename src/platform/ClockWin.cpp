#include <windows.h>

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

}  // namespace kelvane
