#include "procedures/UpdateTask.h"

#include <chrono>

#include "driver/TarvikFactory.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/DateFormat.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "procedures/CheckResult.h"
#include "procedures/FormatVersion.h"
#include "procedures/RegisterClock.h"

namespace kelvane {

namespace {

constexpr size_t kBlockSize = 128;
constexpr std::int32_t kNoAnswer = -1;
constexpr std::chrono::milliseconds kInstallPause{2000};

void SetRetries(TTarvik& ADriver, std::int32_t ARetries, std::int32_t AReads, std::int32_t ASends) {
  ADriver.SetCommandRetryCount(ARetries);
  ADriver.SetMaxAnswerReadCount(AReads);
  ADriver.SetMaxCommandSendCount(ASends);
}

void RestoreRetries(TTarvik& ADriver) {
  ADriver.SetUseCommandTimeout(false);
  SetRetries(ADriver, 5, 3, 3);
}

void CheckImageSize(std::uintmax_t ASize) {
  if (ASize > static_cast<std::uintmax_t>(TUpdateTask::kMaxImageSize)) {
    throw EError(u"Файл прошивки слишком велик: допустимо не более " +
                 IntToStr(TUpdateTask::kMaxImageSize) + u" байт");
  }
}

void PrintLine(TTarvik& ADriver, const std::u16string& ALine) {
  ADriver.SetStringForPrinting(ALine);
  CheckResult(ADriver, ADriver.PrintString());
}

}  // namespace

void SetSkokState(TTarvik& ADriver, bool AOn) {
  ADriver.SetTableNumber(23);
  ADriver.SetRowNumber(1);
  ADriver.SetFieldNumber(1);
  ADriver.SetValueOfFieldInteger(AOn ? 1 : 0);
  CheckResult(ADriver, ADriver.WriteTable());
}

TUpdateTask::~TUpdateTask() {
  StopAndWait();
}

std::int32_t TUpdateTask::BuildFromFileName(std::u16string_view AFileName) {
  // Positions count from 1; 0 is "none".
  size_t underscore = 0;
  size_t dot = 0;
  for (size_t position = AFileName.size(); position >= 1; --position) {
    const char16_t c = AFileName[position - 1];
    if (c == u'.') {
      dot = position;
    } else if (c == u'_') {
      underscore = position;
      break;
    }
  }
  const std::int64_t length =
      static_cast<std::int64_t>(dot) - static_cast<std::int64_t>(underscore) - 1;
  if (length <= 0) {
    return 0;
  }
  return StrToInt(AFileName.substr(underscore, static_cast<size_t>(length))).value_or(0);
}

TUpdateRecord TUpdateTask::Record() const {
  std::lock_guard lock(FRecordMutex);
  return FRecord;
}

void TUpdateTask::EnterStep(TUpdateStep AStep, std::u16string AText) {
  RecordStep(AStep);
  SetText(std::move(AText));
}

void TUpdateTask::RecordStep(TUpdateStep AStep) {
  std::lock_guard lock(FRecordMutex);
  FRecord.LastStep = AStep;
}

void TUpdateTask::VersionRead(std::u16string AVersion) {
  std::lock_guard lock(FRecordMutex);
  FRecord.VersionsAfter.push_back(std::move(AVersion));
}

void TUpdateTask::DoExecute() {
  {
    std::lock_guard lock(FRecordMutex);
    FRecord = {};
  }
  const std::unique_ptr<TTarvik> driver = CreateTarvik();
  driver->SetConnectionType(0);
  driver->SetProtocolType(FProtocolType);
  driver->SetComNumber(FComNumber);
  driver->SetBaudRate(6);
  driver->SetTimeout(5000);
  SetRetries(*driver, 5, 3, 3);
  driver->SetOFDExchangeSuspended(true);
  DoUpdate(*driver);
}

void TUpdateTask::DoUpdate(TTarvik& ADriver) {
  const auto startedAt = Clock()->SteadyNow();
  RecordStep(TUpdateStep::ReadingFile);
  ADriver.SetFileType(1);
  const std::string image = ReadImage();
  SetStepCount(static_cast<std::int32_t>(image.size()) + 9000);
  SetStep(1);
  Load(ADriver, image);
  Install(ADriver);
  SetUp(ADriver);
  const std::optional<std::u16string> printError = PrintReceipt(ADriver);
  {
    std::lock_guard lock(FRecordMutex);
    FRecord.PrintError = printError;
  }
  IncStep(2000);
  SayDone(ADriver, Clock()->SteadyNow() - startedAt, printError);
}

std::u16string TUpdateTask::StepText(std::u16string_view AStep) const {
  // Another firmware than the field's is named, so that the operator sees which one runs.
  return FIsCustom ? std::u16string(AStep) + u" [" + ExtractFileName(FFileName) + u"]"
                   : std::u16string(AStep);
}

void TUpdateTask::Load(TTarvik& ADriver, const std::string& AImage) {
  EnterStep(TUpdateStep::SkokOff, u"Отключение СКоК");
  SetSkokState(ADriver, false);
  IncStep(1000);

  EnterStep(TUpdateStep::Loading, StepText(u"Загрузка прошивки"));
  ADriver.SetBlockNumber(0);
  SendBlocks(ADriver, AImage);
  IncStep(1000);
  CheckStopped();
}

void TUpdateTask::Install(TTarvik& ADriver) {
  EnterStep(TUpdateStep::Installing, StepText(u"Установка прошивки"));
  InstallImage(ADriver);
  CheckStopped();
  // The register restarts with the new firmware; neither a stop nor anything else cuts it short.
  Clock()->Sleep(kInstallPause);
  if (FProtocolType == 0) {
    ADriver.GetECRStatus();
  }
  IncStep(1000);

  EnterStep(TUpdateStep::SkokOn, u"Включение СКоК");
  SetSkokState(ADriver, true);
  IncStep(1000);
  CheckStopped();
}

void TUpdateTask::SetUp(TTarvik& ADriver) {
  EnterStep(TUpdateStep::DateTime, u"Установка даты и времени");
  SetRegisterDateTime(ADriver);
  IncStep(1000);

  EnterStep(TUpdateStep::VersionCheck, u"Проверка версии");
  CheckVersion(ADriver);
  IncStep(2000);

  if (FWriteTables) {
    EnterStep(TUpdateStep::Tables, u"Запись таблиц...");
    ADriver.SetFileName(FTablesFileName);
    CheckResult(ADriver, ADriver.ImportTables());
  }
}

void TUpdateTask::SayDone(TTarvik& ADriver, std::chrono::milliseconds ATook,
                          const std::optional<std::u16string>& APrintError) {
  const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(ATook).count();
  const std::u16string version = FormatVersion(ADriver);
  VersionRead(version);
  RecordStep(TUpdateStep::Done);
  if (!APrintError) {
    SetText(u"Успешно завершено: " + version + u" за " + IntToStr(elapsed / 60) + u" мин. " +
            IntToStr(elapsed % 60) + u" сек.");
  } else {
    SetText(u"Успешно завершено: " + version + u" " + std::u16string(kPrintErrorPrefix) +
            *APrintError);
  }
}

std::string TUpdateTask::ReadImage() {
  if (!FileExists(FFileName)) {
    throw EError(u"Файл не найден");
  }
  // Blocks travel as text decoded with the ANSI code page; only a single-byte one gives every
  // byte back unchanged, and a changed byte would brick the register.
  if (!AnsiCodePageIsSingleByte()) {
    throw EError(u"Кодовая страница Windows " + IntToStr(AnsiCodePageNumber()) +
                 u" не однобайтовая: прошивка исказилась бы при передаче драйверу");
  }
  // Looked at before reading, so that a huge file is not read in vain, and after, in case it grew.
  CheckImageSize(FileSize(FFileName));
  std::string image = ReadFileBytes(FFileName);
  CheckImageSize(image.size());
  // An empty block is what the driver takes for the install request: never send one as data.
  if (image.empty()) {
    throw EError(u"Файл прошивки пуст");
  }
  return image;
}

void TUpdateTask::SendBlocks(TTarvik& ADriver, const std::string& AImage) {
  for (size_t offset = 0; offset < AImage.size(); offset += kBlockSize) {
    CheckStopped();
    ADriver.SetBlockData(AnsiToUnicode(std::string_view(AImage).substr(offset, kBlockSize)));
    CheckResult(ADriver, ADriver.LoadBlockOnSDCard());
    ADriver.SetBlockNumber(ADriver.BlockNumber() + 1);
    IncStep(static_cast<std::int32_t>(kBlockSize));
  }
}

void TUpdateTask::InstallImage(TTarvik& ADriver) {
  ADriver.SetBlockData(u"");
  ADriver.SetUseCommandTimeout(true);
  try {
    ADriver.SetCommandTimeout(5000);
    SetRetries(ADriver, 1, 1, 1);
    // No answer is expected: the register restarts to install the image.
    const std::int32_t result = ADriver.LoadBlockOnSDCard();
    if (result != kNoAnswer) {
      CheckResult(ADriver, result);
    }
  } catch (...) {
    // The error on its way is the one to report; a failing restore must not replace it.
    try {
      RestoreRetries(ADriver);
    } catch (...) {
    }
    throw;
  }
  RestoreRetries(ADriver);
}

void TUpdateTask::CheckVersion(TTarvik& ADriver) {
  CheckResult(ADriver, ADriver.GetECRStatus());
  const std::u16string version = FormatVersion(ADriver);
  VersionRead(version);
  if (ADriver.ECRBuild() != BuildFromFileName()) {
    throw EError(u"Завершено. Версии не совпадают! " + version);
  }
}

std::optional<std::u16string> TUpdateTask::PrintReceipt(TTarvik& ADriver) {
  try {
    CheckStopped();
    EnterStep(TUpdateStep::Receipt, u"Печать информационного чека");
    PrintLine(ADriver, u" ");
    PrintLine(ADriver, u"ИНФОРМАЦИОННЫЙ ЧЕК");
    PrintLine(ADriver, u" ");
    CheckResult(ADriver, ADriver.ReadSerialNumber());
    PrintLine(ADriver, u"Зав. Номер: " + ADriver.SerialNumber());
    PrintLine(ADriver, u" ");
    const std::u16string version = FormatVersion(ADriver);
    VersionRead(version);
    PrintLine(ADriver, u"Версия ПО : " + version);
    PrintLine(ADriver, u" ");
    PrintLine(ADriver, u"Дата/время: " + DateTimeToStr(ADriver.Date() + ADriver.Time()));
    for (int i = 0; i < 10; ++i) {
      PrintLine(ADriver, u" ");
    }
  } catch (...) {
    return CurrentExceptionMessage();
  }
  return std::nullopt;
}

}  // namespace kelvane
