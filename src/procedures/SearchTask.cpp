#include "procedures/SearchTask.h"

#include "driver/TarvikFactory.h"
#include "platform/Error.h"
#include "platform/Text.h"
#include "procedures/CheckResult.h"
#include "procedures/FormatVersion.h"
#include "procedures/RegisterClock.h"

namespace kelvane {

namespace {

constexpr std::int32_t kNoAnswer = -1;
constexpr std::int32_t kBusy = 147;
constexpr std::int32_t kModeAsksRecovery = 9;

// The states in which the register wants its settings reset and its clock set before it works.
bool AsksRecovery(std::int32_t AStatus, TTarvik& ADriver) {
  return AStatus == 116 || AStatus == 120 || AStatus == 121 ||
         (AStatus == 0 && ADriver.ECRMode() == kModeAsksRecovery);
}

}  // namespace

TSearchTask::~TSearchTask() {
  StopAndWait();
}

void TSearchTask::DoExecute() {
  std::unique_ptr<TTarvik> driver;
  try {
    driver = CreateTarvik();
  } catch (...) {
    // Kept for whoever must say why no register could be asked; the run ends as any failure.
    FCreationFailure = CurrentExceptionMessage();
    throw;
  }
  Identify(*driver);
}

void TSearchTask::Identify(TTarvik& ADriver) {
  FProtocolType = 1;
  ADriver.SetOFDExchangeSuspended(true);
  ADriver.SetConnectionType(0);
  ADriver.SetProtocolType(1);
  ADriver.SetComNumber(FComNumber);
  ADriver.SetBaudRate(6);
  ADriver.SetTimeout(5000);

  // Protocol type 1 first; type 0 only when the register does not answer in 1.
  std::int32_t status = ADriver.GetECRStatus();
  if (status == kNoAnswer) {
    ADriver.Disconnect();
    FProtocolType = 0;
    ADriver.SetProtocolType(0);
    status = ADriver.GetECRStatus();
  }
  ADriver.SetOFDExchangeSuspended(true);

  FRecoveryNeeded.clear();
  const bool asksRecovery = AsksRecovery(status, ADriver);
  if (asksRecovery && !FRecovers) {
    FRecoveryNeeded = status != 0 ? u"статус " + IntToStr(status)
                                  : u"режим " + IntToStr(ADriver.ECRMode());
  } else if (asksRecovery) {
    Recover(ADriver);
  } else {
    CheckResult(ADriver, status);
  }

  CheckResult(ADriver, ADriver.GetDeviceMetrics());
  CheckStopped();
  const std::int32_t model = ADriver.UModel();
  if (model != 152 && model != 154) {
    throw EError(u"Неверный номер модели");
  }
  FDeviceName = ADriver.UDescription();
  CheckResult(ADriver, ADriver.ReadSerialNumber());
  CheckStopped();
  FSerial = ADriver.SerialNumber();
  const std::int32_t versionStatus = ADriver.GetECRStatus();
  // Unrecovered, the register still answers in the state that asks for recovery.
  if (FRecoveryNeeded.empty()) {
    CheckResult(ADriver, versionStatus);
  }
  FVersion = FormatVersion(ADriver);
}

void TSearchTask::Recover(TTarvik& ADriver) {
  std::int32_t result = ADriver.ResetSettings();
  if (result == kBusy) {
    result = ADriver.ResetSettings();
  }
  CheckResult(ADriver, result);
  SetRegisterDateTime(ADriver);
}

}  // namespace kelvane
