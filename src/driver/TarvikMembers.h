#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "platform/DateTime.h"

namespace kelvane {

// The properties of the driver control that the tool uses, by their dispatch identifiers.
enum class TTarvikProperty : std::int32_t {
  BaudRate = 110,
  ComNumber = 114,
  Date = 122,
  ECRBuild = 134,
  ECRMode = 137,
  ECRSoftDate = 141,
  ECRSoftVersion = 142,
  FieldNumber = 147,
  ResultCodeDescription = 202,
  RowNumber = 206,
  SerialNumber = 208,
  StringForPrinting = 216,
  TableNumber = 223,
  Time = 228,
  Timeout = 229,
  UDescription = 236,
  UModel = 241,
  ValueOfFieldInteger = 245,
  ConnectionType = 522,
  CommandTimeout = 594,
  UseCommandTimeout = 595,
  MaxCommandSendCount = 666,
  MaxAnswerReadCount = 667,
  CommandRetryCount = 687,
  FileName = 688,
  BlockNumber = 1956,
  ProtocolType = 2036,
  OFDExchangeSuspended = 2235,
  BlockData = 2275,
  FileType = 2278,
};

// The methods of the driver control that the tool uses. Each takes no argument and returns the
// driver's result code, 0 for success.
enum class TTarvikMethod {
  GetECRStatus,
  Disconnect,
  ResetSettings,
  SetDate,
  ConfirmDate,
  SetTime,
  GetDeviceMetrics,
  ReadSerialNumber,
  WriteTable,
  LoadBlockOnSDCard,
  ImportTables,
  PrintString,
};

// The automation types of those properties.
enum class TTarvikType { Integer, WordBool, DateTime, WideString };

// A property value: Integer, WordBool, TDateTime or WideString.
struct TDateTimeValue {
  TDateTime Value = 0;
  bool operator==(const TDateTimeValue&) const = default;
};
using TDriverValue = std::variant<std::int32_t, bool, TDateTimeValue, std::u16string>;

std::string_view PropertyName(TTarvikProperty AProperty);
// The value of the property's type that a property never written holds: 0, false, 0.0, "".
TDriverValue EmptyValue(TTarvikProperty AProperty);
TTarvikType PropertyType(TTarvikProperty AProperty);
// True for what the register answers (ECRBuild, SerialNumber, ...): a client never writes it.
bool PropertyReadOnly(TTarvikProperty AProperty);
std::string_view MethodName(TTarvikMethod AMethod);

// Every method and every property, for tables that walk them all.
std::span<const TTarvikMethod> AllMethods();
std::span<const TTarvikProperty> AllProperties();

}  // namespace kelvane
