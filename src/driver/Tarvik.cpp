#include "driver/Tarvik.h"

#include "platform/Error.h"

namespace kelvane {

namespace {

template <typename T>
const T& Expect(const TDriverValue& AValue) {
  if (const T* value = std::get_if<T>(&AValue)) {
    return *value;
  }
  throw EError(u"Драйвер вернул значение свойства другого типа");
}

}  // namespace

std::int32_t TTarvik::AsInteger(const TDriverValue& AValue) {
  return Expect<std::int32_t>(AValue);
}

bool TTarvik::AsBool(const TDriverValue& AValue) {
  return Expect<bool>(AValue);
}

TDateTime TTarvik::AsDateTime(const TDriverValue& AValue) {
  return Expect<TDateTimeValue>(AValue).Value;
}

std::u16string TTarvik::AsString(const TDriverValue& AValue) {
  return Expect<std::u16string>(AValue);
}

}  // namespace kelvane
