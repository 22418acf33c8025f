#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "driver/TarvikMembers.h"

namespace kelvane {

// The Tarvik register driver's control, as the procedures use it. The named members below are
// the driver's own; implementations (the COM control on Windows, the simulated bench, the
// scripted control of the tests) provide the three generic operations at the end.
//
// Note that the property Date is written with SetDate(value) while the method SetDate() sets the
// register's date from it; the same holds for Time. The driver names them so.
class TTarvik {
 public:
  virtual ~TTarvik() = default;

  // Properties the procedures write.
  void SetConnectionType(std::int32_t AValue) {
    SetProperty(TTarvikProperty::ConnectionType, AValue);
  }
  void SetProtocolType(std::int32_t AValue) { SetProperty(TTarvikProperty::ProtocolType, AValue); }
  void SetComNumber(std::int32_t AValue) { SetProperty(TTarvikProperty::ComNumber, AValue); }
  void SetBaudRate(std::int32_t AValue) { SetProperty(TTarvikProperty::BaudRate, AValue); }
  void SetTimeout(std::int32_t AValue) { SetProperty(TTarvikProperty::Timeout, AValue); }
  void SetCommandRetryCount(std::int32_t AValue) {
    SetProperty(TTarvikProperty::CommandRetryCount, AValue);
  }
  void SetMaxAnswerReadCount(std::int32_t AValue) {
    SetProperty(TTarvikProperty::MaxAnswerReadCount, AValue);
  }
  void SetMaxCommandSendCount(std::int32_t AValue) {
    SetProperty(TTarvikProperty::MaxCommandSendCount, AValue);
  }
  void SetOFDExchangeSuspended(bool AValue) {
    SetProperty(TTarvikProperty::OFDExchangeSuspended, AValue);
  }
  void SetFileType(std::int32_t AValue) { SetProperty(TTarvikProperty::FileType, AValue); }
  void SetTableNumber(std::int32_t AValue) { SetProperty(TTarvikProperty::TableNumber, AValue); }
  void SetRowNumber(std::int32_t AValue) { SetProperty(TTarvikProperty::RowNumber, AValue); }
  void SetFieldNumber(std::int32_t AValue) { SetProperty(TTarvikProperty::FieldNumber, AValue); }
  void SetValueOfFieldInteger(std::int32_t AValue) {
    SetProperty(TTarvikProperty::ValueOfFieldInteger, AValue);
  }
  void SetBlockNumber(std::int32_t AValue) { SetProperty(TTarvikProperty::BlockNumber, AValue); }
  void SetBlockData(std::u16string_view AValue) {
    SetProperty(TTarvikProperty::BlockData, std::u16string(AValue));
  }
  void SetUseCommandTimeout(bool AValue) {
    SetProperty(TTarvikProperty::UseCommandTimeout, AValue);
  }
  void SetCommandTimeout(std::int32_t AValue) {
    SetProperty(TTarvikProperty::CommandTimeout, AValue);
  }
  void SetDate(TDateTime AValue) { SetProperty(TTarvikProperty::Date, TDateTimeValue{AValue}); }
  void SetTime(TDateTime AValue) { SetProperty(TTarvikProperty::Time, TDateTimeValue{AValue}); }
  void SetFileName(std::u16string_view AValue) {
    SetProperty(TTarvikProperty::FileName, std::u16string(AValue));
  }
  void SetStringForPrinting(std::u16string_view AValue) {
    SetProperty(TTarvikProperty::StringForPrinting, std::u16string(AValue));
  }

  // Properties the procedures read.
  std::int32_t BlockNumber() { return AsInteger(GetProperty(TTarvikProperty::BlockNumber)); }
  TDateTime Date() { return AsDateTime(GetProperty(TTarvikProperty::Date)); }
  TDateTime Time() { return AsDateTime(GetProperty(TTarvikProperty::Time)); }
  std::int32_t ECRBuild() { return AsInteger(GetProperty(TTarvikProperty::ECRBuild)); }
  std::int32_t ECRMode() { return AsInteger(GetProperty(TTarvikProperty::ECRMode)); }
  TDateTime ECRSoftDate() { return AsDateTime(GetProperty(TTarvikProperty::ECRSoftDate)); }
  std::u16string ECRSoftVersion() { return AsString(GetProperty(TTarvikProperty::ECRSoftVersion)); }
  std::u16string ResultCodeDescription() {
    return AsString(GetProperty(TTarvikProperty::ResultCodeDescription));
  }
  std::u16string SerialNumber() { return AsString(GetProperty(TTarvikProperty::SerialNumber)); }
  std::u16string UDescription() { return AsString(GetProperty(TTarvikProperty::UDescription)); }
  std::int32_t UModel() { return AsInteger(GetProperty(TTarvikProperty::UModel)); }

  // Methods: each returns the driver's result code, 0 for success.
  std::int32_t GetECRStatus() { return Call(TTarvikMethod::GetECRStatus); }
  std::int32_t Disconnect() { return Call(TTarvikMethod::Disconnect); }
  std::int32_t ResetSettings() { return Call(TTarvikMethod::ResetSettings); }
  std::int32_t SetDate() { return Call(TTarvikMethod::SetDate); }
  std::int32_t ConfirmDate() { return Call(TTarvikMethod::ConfirmDate); }
  std::int32_t SetTime() { return Call(TTarvikMethod::SetTime); }
  std::int32_t GetDeviceMetrics() { return Call(TTarvikMethod::GetDeviceMetrics); }
  std::int32_t ReadSerialNumber() { return Call(TTarvikMethod::ReadSerialNumber); }
  std::int32_t WriteTable() { return Call(TTarvikMethod::WriteTable); }
  std::int32_t LoadBlockOnSDCard() { return Call(TTarvikMethod::LoadBlockOnSDCard); }
  std::int32_t ImportTables() { return Call(TTarvikMethod::ImportTables); }
  std::int32_t PrintString() { return Call(TTarvikMethod::PrintString); }

  // Raises EError with the system's message when the call itself fails.
  virtual void SetProperty(TTarvikProperty AProperty, const TDriverValue& AValue) = 0;
  virtual TDriverValue GetProperty(TTarvikProperty AProperty) = 0;
  virtual std::int32_t Call(TTarvikMethod AMethod) = 0;

 private:
  static std::int32_t AsInteger(const TDriverValue& AValue);
  static bool AsBool(const TDriverValue& AValue);
  static TDateTime AsDateTime(const TDriverValue& AValue);
  static std::u16string AsString(const TDriverValue& AValue);
};

}  // namespace kelvane
