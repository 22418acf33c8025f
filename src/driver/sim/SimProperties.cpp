#include "driver/sim/SimProperties.h"

namespace kelvane {

namespace {

TDriverValue EmptyValue(TTarvikType AType) {
  switch (AType) {
    case TTarvikType::WordBool:
      return false;
    case TTarvikType::DateTime:
      return TDateTimeValue{};
    case TTarvikType::WideString:
      return std::u16string();
    case TTarvikType::Integer:
      break;
  }
  return std::int32_t{0};
}

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
  return found != FValues.end() ? found->second : EmptyValue(PropertyType(AProperty));
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
