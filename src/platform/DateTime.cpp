#include "platform/DateTime.h"

#include <chrono>
#include <cmath>

namespace kelvane {

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;
// Days from 30 December 1899 to 1 January 1970.
constexpr std::int64_t kUnixEpochDays = 25'569;

}  // namespace

TDateTime EncodeDate(int AYear, int AMonth, int ADay) {
  using namespace std::chrono;
  const sys_days days{year{AYear} / month{static_cast<unsigned>(AMonth)} /
                      day{static_cast<unsigned>(ADay)}};
  return static_cast<TDateTime>(days.time_since_epoch().count() + kUnixEpochDays);
}

TDateTime EncodeTime(int AHour, int AMinute, int ASecond, int AMillisecond) {
  const std::int64_t ms =
      ((static_cast<std::int64_t>(AHour) * 60 + AMinute) * 60 + ASecond) * 1000 + AMillisecond;
  return static_cast<TDateTime>(ms) / static_cast<TDateTime>(kMsPerDay);
}

TDateTime EncodeDateTime(const TDateTimeParts& AParts) {
  return EncodeDate(AParts.Year, AParts.Month, AParts.Day) +
         EncodeTime(AParts.Hour, AParts.Minute, AParts.Second, AParts.Millisecond);
}

TDateTimeParts DecodeDateTime(TDateTime AValue) {
  // The whole part is the date and the fraction's magnitude the time, also before 1899.
  std::int64_t days = static_cast<std::int64_t>(std::trunc(AValue));
  std::int64_t ms = std::llround(std::fabs(AValue - std::trunc(AValue)) * kMsPerDay);
  if (ms >= kMsPerDay) {
    ms -= kMsPerDay;
    days += AValue < 0 ? -1 : 1;
  }
  using namespace std::chrono;
  const year_month_day date{sys_days{std::chrono::days{days - kUnixEpochDays}}};
  TDateTimeParts parts;
  parts.Year = static_cast<int>(date.year());
  parts.Month = static_cast<int>(static_cast<unsigned>(date.month()));
  parts.Day = static_cast<int>(static_cast<unsigned>(date.day()));
  parts.Hour = static_cast<int>(ms / 3'600'000);
  parts.Minute = static_cast<int>(ms / 60'000 % 60);
  parts.Second = static_cast<int>(ms / 1000 % 60);
  parts.Millisecond = static_cast<int>(ms % 1000);
  return parts;
}

TDateTime DateOf(TDateTime AValue) {
  return std::trunc(AValue);
}

TDateTime TimeOf(TDateTime AValue) {
  return std::fabs(AValue - std::trunc(AValue));
}

}  // namespace kelvane
