#include "driver/TarvikMembers.h"

#include <array>

namespace kelvane {

namespace {

struct TPropertyInfo {
  TTarvikProperty Property;
  std::string_view Name;
  TTarvikType Type;
  // The register's answers: the control fills them, a client only reads them.
  bool ReadOnly = false;
};

using enum TTarvikProperty;
using enum TTarvikType;

constexpr std::array kProperties = {
    TPropertyInfo{BaudRate, "BaudRate", Integer},
    TPropertyInfo{ComNumber, "ComNumber", Integer},
    TPropertyInfo{Date, "Date", DateTime},
    TPropertyInfo{ECRBuild, "ECRBuild", Integer, true},
    TPropertyInfo{ECRMode, "ECRMode", Integer, true},
    TPropertyInfo{ECRSoftDate, "ECRSoftDate", DateTime, true},
    TPropertyInfo{ECRSoftVersion, "ECRSoftVersion", WideString, true},
    TPropertyInfo{FieldNumber, "FieldNumber", Integer},
    TPropertyInfo{ResultCodeDescription, "ResultCodeDescription", WideString, true},
    TPropertyInfo{RowNumber, "RowNumber", Integer},
    TPropertyInfo{SerialNumber, "SerialNumber", WideString, true},
    TPropertyInfo{StringForPrinting, "StringForPrinting", WideString},
    TPropertyInfo{TableNumber, "TableNumber", Integer},
    TPropertyInfo{Time, "Time", DateTime},
    TPropertyInfo{Timeout, "Timeout", Integer},
    TPropertyInfo{UDescription, "UDescription", WideString, true},
    TPropertyInfo{UModel, "UModel", Integer, true},
    TPropertyInfo{ValueOfFieldInteger, "ValueOfFieldInteger", Integer},
    TPropertyInfo{ConnectionType, "ConnectionType", Integer},
    TPropertyInfo{CommandTimeout, "CommandTimeout", Integer},
    TPropertyInfo{UseCommandTimeout, "UseCommandTimeout", WordBool},
    TPropertyInfo{MaxCommandSendCount, "MaxCommandSendCount", Integer},
    TPropertyInfo{MaxAnswerReadCount, "MaxAnswerReadCount", Integer},
    TPropertyInfo{CommandRetryCount, "CommandRetryCount", Integer},
    TPropertyInfo{FileName, "FileName", WideString},
    TPropertyInfo{BlockNumber, "BlockNumber", Integer},
    TPropertyInfo{ProtocolType, "ProtocolType", Integer},
    TPropertyInfo{OFDExchangeSuspended, "OFDExchangeSuspended", WordBool},
    TPropertyInfo{BlockData, "BlockData", WideString},
    TPropertyInfo{FileType, "FileType", Integer},
};

constexpr std::array<std::string_view, 12> kMethodNames = {
    "GetECRStatus", "Disconnect",        "ResetSettings",    "SetDate",
    "ConfirmDate",  "SetTime",           "GetDeviceMetrics", "ReadSerialNumber",
    "WriteTable",   "LoadBlockOnSDCard", "ImportTables",     "PrintString",
};

constexpr std::array<TTarvikMethod, kMethodNames.size()> MethodList() {
  std::array<TTarvikMethod, kMethodNames.size()> list{};
  for (size_t i = 0; i < kMethodNames.size(); ++i) {
    list[i] = static_cast<TTarvikMethod>(i);
  }
  return list;
}

constexpr auto kMethodList = MethodList();

constexpr std::array<TTarvikProperty, kProperties.size()> PropertyList() {
  std::array<TTarvikProperty, kProperties.size()> list{};
  for (size_t i = 0; i < kProperties.size(); ++i) {
    list[i] = kProperties[i].Property;
  }
  return list;
}

constexpr auto kPropertyList = PropertyList();

const TPropertyInfo& Info(TTarvikProperty AProperty) {
  for (const TPropertyInfo& info : kProperties) {
    if (info.Property == AProperty) {
      return info;
    }
  }
  static constexpr TPropertyInfo unknown{BaudRate, "?", Integer};
  return unknown;
}

}  // namespace

std::string_view PropertyName(TTarvikProperty AProperty) {
  return Info(AProperty).Name;
}

TTarvikType PropertyType(TTarvikProperty AProperty) {
  return Info(AProperty).Type;
}

bool PropertyReadOnly(TTarvikProperty AProperty) {
  return Info(AProperty).ReadOnly;
}

std::span<const TTarvikProperty> AllProperties() {
  return kPropertyList;
}

TDriverValue EmptyValue(TTarvikProperty AProperty) {
  switch (PropertyType(AProperty)) {
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

std::string_view MethodName(TTarvikMethod AMethod) {
  return kMethodNames.at(static_cast<size_t>(AMethod));
}

std::span<const TTarvikMethod> AllMethods() {
  return kMethodList;
}

}  // namespace kelvane
