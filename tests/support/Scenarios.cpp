#include "support/Scenarios.h"

#include <fstream>
#include <map>
#include <memory>
#include <mutex>

#include "driver/sim/SimFirmware.h"
#include "platform/DateTime.h"
#include "platform/Text.h"
#include "procedures/SearchTask.h"
#include "procedures/UpdateTask.h"
#include "support/FakeClock.h"
#include "support/LocaleFormatsScope.h"
#include "support/ScriptedTarvik.h"
#include "support/SlotValue.h"
#include "support/Waiting.h"

namespace kelvane::test {

namespace {

using enum TTarvikMethod;
using enum TScenarioStep;

// What the steps call on a register of protocol 1, 0, and one that asks for recovery, and what an
// update of the 256-byte image (two blocks and the install) calls.
const std::string kSearch = "GetECRStatus GetDeviceMetrics ReadSerialNumber GetECRStatus";
const std::string kSearch0 =
    "GetECRStatus Disconnect GetECRStatus GetDeviceMetrics ReadSerialNumber GetECRStatus";
const std::string kRecovery = "GetECRStatus ResetSettings SetDate ConfirmDate SetTime";
const std::string kRecoveredSearch = kRecovery + " GetDeviceMetrics ReadSerialNumber GetECRStatus";
const std::string kToInstall = "WriteTable LoadBlockOnSDCard×3";
const std::string kToCheck = kToInstall + " WriteTable SetDate ConfirmDate SetTime GetECRStatus";
const std::string kReceipt = "PrintString×3 ReadSerialNumber PrintString×15";
const std::string kUpdate = kToCheck + " " + kReceipt;
const std::string kUpdate0 =
    kToInstall + " GetECRStatus WriteTable SetDate ConfirmDate SetTime GetECRStatus " + kReceipt;

const std::u16string kFound = u"0154000317, A.4.3021 (16.06.2025), протокол 1, Тарвик-154Ф";
const std::u16string kFound0 = u"0154000317, A.4.3021 (16.06.2025), протокол 0, Тарвик-154Ф";
const std::u16string kDone = u"Успешно завершено: A.5.3105 (30.11.2026) за 0 мин. 2 сек.";
const std::u16string kDonePrint = u"Успешно завершено: A.5.3105 (30.11.2026) Ошибка печати: ";
const std::u16string kStopped = u"Прервано пользователем";

std::string Fault(const std::string& AMethod, int ACall, int ACode) {
  return "<fault method='" + AMethod + "' call='" + std::to_string(ACall) + "' code='" +
         std::to_string(ACode) + "'/>";
}

std::u16string Failed(const std::u16string& AMessage) {
  return u"Ошибка: " + AMessage;
}

std::u16string FailedCode(int ACode) {
  return Failed(u"Ошибка ККТ, код " + IntToStr(ACode));
}

std::vector<TScenario> MakeScenarios() {
  const std::vector<TScenarioStep> searchAndUpdate{Search, Update};
  std::vector<TScenario> table = {
      // Identification, then an update with the protocol found.
      {"Protocol1", "", "", searchAndUpdate, {}, {}, kSearch + " | " + kUpdate, {kFound, kDone}},
      {"Protocol0",
       "protocols='0'",
       "",
       searchAndUpdate,
       {},
       {},
       kSearch0 + " | " + kUpdate0,
       {kFound0, kDone}},
      {"Status116",
       "status='116'",
       "",
       searchAndUpdate,
       {},
       {},
       kRecoveredSearch + " | " + kUpdate,
       {kFound, kDone}},
      {"Status120",
       "status='120'",
       "",
       searchAndUpdate,
       {},
       {},
       kRecoveredSearch + " | " + kUpdate,
       {kFound, kDone}},
      {"Status121",
       "status='121'",
       "",
       searchAndUpdate,
       {},
       {},
       kRecoveredSearch + " | " + kUpdate,
       {kFound, kDone}},
      {"Mode9",
       "mode='9'",
       "",
       searchAndUpdate,
       {},
       {},
       kRecoveredSearch + " | " + kUpdate,
       {kFound, kDone}},
      {"Busy147Once",
       "status='116' reset147='1'",
       "",
       searchAndUpdate,
       {},
       {},
       "GetECRStatus ResetSettings×2 SetDate ConfirmDate SetTime GetDeviceMetrics "
       "ReadSerialNumber GetECRStatus | " +
           kUpdate,
       {kFound, kDone}},
      // The register stays unrecovered: the update's version check meets its status.
      {"Busy147Twice",
       "status='116' reset147='2'",
       "",
       searchAndUpdate,
       {},
       {},
       "GetECRStatus ResetSettings×2 | " + kToCheck,
       {Failed(u"ККТ занята, повторите команду"), Failed(u"Требуется сброс настроек ККТ")}},
      {"WrongModel",
       "model='153'",
       "",
       {Search},
       {},
       {},
       "GetECRStatus GetDeviceMetrics",
       {Failed(u"Неверный номер модели")}},
      {"NoAnswer",
       "protocols='1' baud-rate='3'",
       "",
       {Search},
       {},
       {},
       "GetECRStatus Disconnect GetECRStatus",
       {Failed(u"Нет связи: ККТ не отвечает")}},
      // A fault on each method the identification calls.
      {"SearchProbeFault",
       "",
       Fault("GetECRStatus", 1, 2),
       {Search},
       {},
       {},
       "GetECRStatus",
       {FailedCode(2)}},
      {"SearchResetFault",
       "status='120'",
       Fault("ResetSettings", 1, 103),
       {Search},
       {},
       {},
       "GetECRStatus ResetSettings",
       {FailedCode(103)}},
      {"SearchSetDateFault",
       "status='121'",
       Fault("SetDate", 1, 104),
       {Search},
       {},
       {},
       "GetECRStatus ResetSettings SetDate",
       {FailedCode(104)}},
      {"SearchConfirmDateFault",
       "status='116'",
       Fault("ConfirmDate", 1, 150),
       {Search},
       {},
       {},
       "GetECRStatus ResetSettings SetDate ConfirmDate",
       {Failed(u"Дата не подтверждена: она не совпадает с установленной")}},
      {"SearchSetTimeFault",
       "mode='9'",
       Fault("SetTime", 1, 105),
       {Search},
       {},
       {},
       kRecovery,
       {FailedCode(105)}},
      {"SearchMetricsFault",
       "",
       Fault("GetDeviceMetrics", 1, 106),
       {Search},
       {},
       {},
       "GetECRStatus GetDeviceMetrics",
       {FailedCode(106)}},
      {"SearchSerialFault",
       "",
       Fault("ReadSerialNumber", 1, 33),
       {Search},
       {},
       {},
       "GetECRStatus GetDeviceMetrics ReadSerialNumber",
       {FailedCode(33)}},
      {"SearchVersionFault",
       "",
       Fault("GetECRStatus", 2, 7),
       {Search},
       {},
       {},
       kSearch,
       {FailedCode(7)}},
      // The register counts its calls across the steps: the third status request is the
      // update's version check.
      {"ThirdStatusFault",
       "",
       Fault("GetECRStatus", 3, 1),
       searchAndUpdate,
       {},
       {},
       kSearch + " | " + kToCheck,
       {kFound, FailedCode(1)}},
      // A fault on each method the update calls.
      {"SkokOffFault",
       "",
       Fault("WriteTable", 1, 103),
       {Update},
       {},
       {},
       "WriteTable",
       {FailedCode(103)}},
      {"BlockFault",
       "",
       Fault("LoadBlockOnSDCard", 2, 162),
       {Update},
       {},
       {},
       "WriteTable LoadBlockOnSDCard×2",
       {Failed(u"Неверный блок прошивки")}},
      {"InstallFault",
       "",
       Fault("LoadBlockOnSDCard", 3, 163),
       {Update},
       {},
       {},
       kToInstall,
       {Failed(u"Образ прошивки неполон")}},
      {"SkokOnFault",
       "",
       Fault("WriteTable", 2, 103),
       {Update},
       {},
       {},
       kToInstall + " WriteTable",
       {FailedCode(103)}},
      {"UpdateSetDateFault",
       "",
       Fault("SetDate", 1, 104),
       {Update},
       {},
       {},
       kToInstall + " WriteTable SetDate",
       {FailedCode(104)}},
      {"UpdateConfirmDateFault",
       "",
       Fault("ConfirmDate", 1, 150),
       {Update},
       {},
       {},
       kToInstall + " WriteTable SetDate ConfirmDate",
       {Failed(u"Дата не подтверждена: она не совпадает с установленной")}},
      {"UpdateSetTimeFault",
       "",
       Fault("SetTime", 1, 105),
       {Update},
       {},
       {},
       kToInstall + " WriteTable SetDate ConfirmDate SetTime",
       {FailedCode(105)}},
      {"VersionCheckFault",
       "",
       Fault("GetECRStatus", 1, 1),
       {Update},
       {},
       {},
       kToCheck,
       {FailedCode(1)}},
      // Protocol 0's status request after the install is ignored, even when it fails.
      {"Protocol0AfterInstallFault",
       "protocols='0'",
       Fault("GetECRStatus", 1, 5),
       {Update},
       {},
       {},
       kUpdate0,
       {kDone},
       0},
      {"TablesFault",
       "",
       Fault("ImportTables", 1, 171),
       {UpdateWithTables},
       {},
       {},
       kToCheck + " ImportTables",
       {Failed(u"Неверный формат файла таблиц")}},
      {"ReceiptSerialFault",
       "",
       Fault("ReadSerialNumber", 1, 33),
       {Update},
       {},
       {},
       kToCheck + " PrintString×3 ReadSerialNumber",
       {kDonePrint + u"Ошибка ККТ, код 33"}},
      {"ReceiptLineFault",
       "",
       Fault("PrintString", 10, 108),
       {Update},
       {},
       {},
       kToCheck + " PrintString×3 ReadSerialNumber PrintString×7",
       {kDonePrint + u"Ошибка ККТ, код 108"}},
      {"PaperOut",
       "paper-out-at-line='5'",
       "",
       {Update},
       {},
       {},
       kToCheck + " PrintString×3 ReadSerialNumber PrintString×2",
       {kDonePrint + u"Нет бумаги"}},
      {"Tables",
       "",
       "",
       {UpdateWithTables},
       {},
       {},
       kToCheck + " ImportTables " + kReceipt,
       {kDone}},
      {"VersionMismatch",
       "",
       "",
       {Update},
       "fw_3106.bin",
       {},
       kToCheck,
       {Failed(u"Завершено. Версии не совпадают! A.5.3105 (30.11.2026)")}},
      {"InstallWithoutAnswer", "install-no-answer='true'", "", {Update}, {}, {}, kUpdate, {kDone}},
      // A stop at each of the procedures' stop points, requested while the call before it runs.
      {"SearchStopInProbe",
       "",
       "",
       {Search},
       {},
       TScenarioStop{GetECRStatus, 1},
       "GetECRStatus GetDeviceMetrics",
       {kStopped}},
      {"SearchStopInRecovery",
       "status='116'",
       "",
       {Search},
       {},
       TScenarioStop{ResetSettings, 1},
       kRecovery + " GetDeviceMetrics",
       {kStopped}},
      {"SearchStopAtSerial",
       "",
       "",
       {Search},
       {},
       TScenarioStop{ReadSerialNumber, 1},
       "GetECRStatus GetDeviceMetrics ReadSerialNumber",
       {kStopped}},
      {"StopBeforeFirstBlock",
       "",
       "",
       {Update},
       {},
       TScenarioStop{WriteTable, 1},
       "WriteTable",
       {kStopped}},
      {"StopBeforeSecondBlock",
       "",
       "",
       {Update},
       {},
       TScenarioStop{LoadBlockOnSDCard, 1},
       "WriteTable LoadBlockOnSDCard",
       {kStopped}},
      {"StopBeforeInstall",
       "",
       "",
       {Update},
       {},
       TScenarioStop{LoadBlockOnSDCard, 2},
       "WriteTable LoadBlockOnSDCard×2",
       {kStopped}},
      {"StopAfterInstall",
       "",
       "",
       {Update},
       {},
       TScenarioStop{LoadBlockOnSDCard, 3},
       kToInstall,
       {kStopped}},
      {"StopBeforeDate",
       "",
       "",
       {Update},
       {},
       TScenarioStop{WriteTable, 2},
       kToInstall + " WriteTable",
       {kStopped}},
      {"StopBeforeReceipt",
       "",
       "",
       {Update},
       {},
       TScenarioStop{GetECRStatus, 1},
       kToCheck,
       {kDonePrint + kStopped}},
      {"StopDuringTables",
       "",
       "",
       {UpdateWithTables},
       {},
       TScenarioStop{ImportTables, 1},
       kToCheck + " ImportTables",
       {kDonePrint + kStopped}},
  };
  return table;
}

// The base of every scenario's register; a scenario's attributes come after and may not repeat.
std::string RegisterXml(const TScenario& AScenario) {
  std::string attributes =
      " name='Тарвик-154Ф' serial='0154000317' version='A.4' build='3021'"
      " soft-date='2025-06-16'";
  if (AScenario.Attributes.find("model=") == std::string::npos) {
    attributes += " model='154'";
  }
  return "<register" + attributes + " " + AScenario.Attributes + ">" + AScenario.Faults +
         "</register>";
}

// Records what a task does to its control and requests the scenario's stop; the control itself
// is whatever the path gives.
class TRecorder {
 public:
  void BeginStep(TCustomTask* ATask, std::optional<TScenarioStop> AStop) {
    std::lock_guard lock(FMutex);
    FTask = ATask;
    FStop = AStop;
    FCounts.clear();
  }
  void Add(std::string AEvent) {
    std::lock_guard lock(FMutex);
    FLog.push_back(std::move(AEvent));
  }
  void Called(TTarvikMethod AMethod) {
    std::lock_guard lock(FMutex);
    FLog.push_back(std::string(MethodName(AMethod)) + "()");
    const int call = ++FCounts[AMethod];
    if (FStop && FStop->Method == AMethod && FStop->Call == call) {
      FTask->Stop();
    }
  }
  std::vector<std::string> Log() const {
    std::lock_guard lock(FMutex);
    return FLog;
  }

 private:
  mutable std::mutex FMutex;
  TCustomTask* FTask = nullptr;
  std::optional<TScenarioStop> FStop;
  std::map<TTarvikMethod, int> FCounts;
  std::vector<std::string> FLog;
};

class TRecordingTarvik final : public TTarvik {
 public:
  TRecordingTarvik(std::unique_ptr<TTarvik> AInner, std::shared_ptr<TRecorder> ARecorder)
      : FInner(std::move(AInner)), FRecorder(std::move(ARecorder)) {}

  void SetProperty(TTarvikProperty AProperty, const TDriverValue& AValue) override {
    FRecorder->Add(Masked(TDriverEvent{false, AProperty, AValue}.ToString()));
    FInner->SetProperty(AProperty, AValue);
  }
  TDriverValue GetProperty(TTarvikProperty AProperty) override {
    TDriverValue value = FInner->GetProperty(AProperty);
    // The register's clock runs on its own, at a speed of its path's own.
    const bool clock = AProperty == TTarvikProperty::Date || AProperty == TTarvikProperty::Time;
    FRecorder->Add(clock ? std::string(PropertyName(AProperty)) + "->(clock)"
                         : TDriverEvent{false, AProperty, value}.ToString() + " read");
    return value;
  }
  std::int32_t Call(TTarvikMethod AMethod) override {
    FRecorder->Called(AMethod);
    const std::int32_t result = FInner->Call(AMethod);
    FRecorder->Add("=" + std::to_string(result));
    return result;
  }

 private:
  // The receipt's date line prints the register's clock.
  static std::string Masked(std::string AEvent) {
    const std::string dateLine = "StringForPrinting=\"Дата/время: ";
    return AEvent.starts_with(dateLine) ? dateLine + "(clock)\"" : AEvent;
  }

  std::unique_ptr<TTarvik> FInner;
  std::shared_ptr<TRecorder> FRecorder;
};

// Method names only, runs of one method as "Name×N", steps apart by " | ".
std::string CompactCalls(const std::vector<std::string>& ALog) {
  std::string calls;
  std::string last;
  int run = 0;
  const auto flush = [&] {
    if (run > 0) {
      calls += (calls.empty() || calls.ends_with("| ") ? "" : " ") + last +
               (run > 1 ? "×" + std::to_string(run) : "");
    }
    run = 0;
  };
  for (const std::string& event : ALog) {
    if (event == "|") {
      flush();
      calls += " | ";
    } else if (event.ends_with("()")) {
      const std::string name = event.substr(0, event.size() - 2);
      if (name != last || run == 0) {
        flush();
        last = name;
      }
      ++run;
    }
  }
  flush();
  return calls;
}

}  // namespace

const std::vector<TScenario>& ProcedureScenarios() {
  static const std::vector<TScenario> table = MakeScenarios();
  return table;
}

std::int32_t ScenarioPort(size_t AIndex) {
  return 100 + static_cast<std::int32_t>(AIndex);
}

std::string ScenarioPortXml(size_t AIndex) {
  const std::string number = std::to_string(ScenarioPort(AIndex));
  return "<port number='" + number + "' name='USB-SERIAL CH340 (COM" + number + ")'>" +
         RegisterXml(ProcedureScenarios().at(AIndex)) + "</port>";
}

std::string ScenarioBench(const std::string& APortsXml) {
  return "<bench no-answer-ms='0'>" + APortsXml + "</bench>";
}

TScenarioOutcome RunScenario(size_t AIndex, const TTarvikFactory& AControls,
                             const std::filesystem::path& AFolder) {
  const TScenario& scenario = ProcedureScenarios().at(AIndex);
  TFakeClockScope clock(EncodeDateTime({2026, 12, 9, 12, 0, 0, 0}));
  TLocaleFormatsScope formats;
  const auto recorder = std::make_shared<TRecorder>();
  const TSlotValue<TTarvikFactory> controls(
      SetTarvikFactory, [&] { return std::make_unique<TRecordingTarvik>(AControls(), recorder); });

  const std::string image =
      MakeSimFirmware({3105, u"A.5", EncodeDate(2026, 11, 30)}, 256 - kSimFirmwareHeaderSize);
  for (const char* name : {"fw_3105.bin", "fw_3106.bin"}) {
    std::ofstream(AFolder / name, std::ios::binary) << image;
  }
  std::ofstream(AFolder / "tables.csv", std::ios::binary) << "1;1;2;45\n17;1;3;0\n";

  TScenarioOutcome outcome;
  std::int32_t protocol = scenario.Protocol;
  for (size_t i = 0; i < scenario.Steps.size(); ++i) {
    const bool last = i + 1 == scenario.Steps.size();
    if (i > 0) {
      recorder->Add("|");
    }

    if (scenario.Steps[i] == Search) {
      TSearchTask search;
      search.SetComNumber(ScenarioPort(AIndex));
      recorder->BeginStep(&search, last ? scenario.Stop : std::nullopt);
      search.Start();
      if (!WaitForEnd(search)) {
        outcome.Texts.push_back(u"(no end)");
        break;
      }
      protocol = search.ProtocolType();
      outcome.Texts.push_back(search.State().Succeded
                                  ? search.Serial() + u", " + search.Version() + u", протокол " +
                                        IntToStr(protocol) + u", " + search.DeviceName()
                                  : search.State().Text.Get());
    } else {
      TUpdateTask update;
      update.SetComNumber(ScenarioPort(AIndex));
      update.SetProtocolType(protocol);
      const std::string firmware = scenario.Firmware.empty() ? "fw_3105.bin" : scenario.Firmware;
      update.SetFileName((AFolder / firmware).u16string());
      update.SetWriteTables(scenario.Steps[i] == UpdateWithTables);
      update.SetTablesFileName((AFolder / "tables.csv").u16string());
      recorder->BeginStep(&update, last ? scenario.Stop : std::nullopt);
      update.Start();
      if (!WaitForEnd(update)) {
        outcome.Texts.push_back(u"(no end)");
        break;
      }
      outcome.Texts.push_back(update.State().Text.Get());
    }
  }
  outcome.Log = recorder->Log();
  outcome.Calls = CompactCalls(outcome.Log);
  return outcome;
}

}  // namespace kelvane::test
