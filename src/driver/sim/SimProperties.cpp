#include "driver/sim/SimProperties.h"

namespace kelvane {

namespace {

template <typename T>
T As(const TDriverValue& AValue) {
  const T* value = std::get_if<T>(&AValue);
  return value ? *value : T{};
}

}  // namespace

void TSimProperties::Set(TTarvikProperty AProperty, TDriverValue AValue) {
  FValues[AProperty] = std::move(AValue);
}

TDriverValue TSimProperties::Get(TTarvikProperty AProperty) const {
  const auto found = FValues.find(AProperty);
  return found != FValues.end() ? found->second : EmptyValue(AProperty);
}

std::int32_t TSimProperties::Integer(TTarvikProperty AProperty) const {
  return As<std::int32_t>(Get(AProperty));
}

bool TSimProperties::WordBool(TTarvikProperty AProperty) const {
  return As<bool>(Get(AProperty));
}

TDateTime TSimProperties::DateTime(TTarvikProperty AProperty) const {
  return As<TDateTimeValue>(Get(AProperty)).Value;
}

std::u16string TSimProperties::String(TTarvikProperty AProperty) const {
  return As<std::u16string>(Get(AProperty));
}

}  // namespace kelvane
