#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/DateTime.h"

namespace kelvane {

// The workstation's short date and long time pictures, in the Windows picture syntax.
struct TLocaleFormats {
  std::u16string ShortDate;
  std::u16string LongTime;
};

// A Russian workstation's: what Linux uses, and Windows where the user's cannot be read.
constexpr std::u16string_view kRussianShortDate = u"dd.MM.yyyy";
constexpr std::u16string_view kRussianLongTime = u"H:mm:ss";

std::shared_ptr<const TLocaleFormats> LocaleFormats();
// Replaces the formats (tests); null restores the workstation's. Returns the previous ones.
std::shared_ptr<const TLocaleFormats> SetLocaleFormats(
    std::shared_ptr<const TLocaleFormats> AFormats);

// The user's own formats, implemented per platform.
TLocaleFormats SystemLocaleFormats();

// Formats with a Windows date or time picture: d dd M MM y yy yyyy h hh H HH m mm s ss t tt,
// text in single quotes, every other character as it stands.
std::u16string FormatDateTimePicture(std::u16string_view APicture, TDateTime AValue);

std::u16string ShortDateToStr(TDateTime AValue);
std::u16string LongTimeToStr(TDateTime AValue);
// Short date, a blank and the long time; the time is left out when it is exactly midnight.
std::u16string DateTimeToStr(TDateTime AValue);

}  // namespace kelvane
