#pragma once

#include <cstdint>

namespace kelvane {

// The OLE Automation date: whole days since 30 December 1899, the fraction is the time of day.
using TDateTime = double;

struct TDateTimeParts {
  int Year = 1899;
  int Month = 12;
  int Day = 30;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int Millisecond = 0;
};

TDateTime EncodeDate(int AYear, int AMonth, int ADay);
TDateTime EncodeTime(int AHour, int AMinute, int ASecond, int AMillisecond);
TDateTime EncodeDateTime(const TDateTimeParts& AParts);
TDateTimeParts DecodeDateTime(TDateTime AValue);

// The date alone (whole days) and the time of day alone (the fraction).
TDateTime DateOf(TDateTime AValue);
TDateTime TimeOf(TDateTime AValue);

}  // namespace kelvane
