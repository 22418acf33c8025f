#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Text.h"
#include "procedures/FormatVersion.h"
#include "procedures/SearchTask.h"
#include "support/FakeClock.h"
#include "support/LocaleFormatsScope.h"
#include "support/ScriptedTarvik.h"
#include "support/Waiting.h"

namespace kelvane::test {
namespace {

using enum TTarvikMethod;
using TLog = std::vector<std::string>;

const TDateTime kStart = EncodeDateTime({2026, 12, 9, 10, 30, 15, 250});
// The clock moves on this much during ConfirmDate, so the time written proves when it was read.
constexpr std::chrono::milliseconds kConfirmTakes{1234};

std::string Entry(TTarvikProperty AProperty, TDriverValue AValue) {
  TDriverEvent event;
  event.Property = AProperty;
  event.Value = std::move(AValue);
  return event.ToString();
}

TLog Concat(std::initializer_list<TLog> AParts) {
  TLog all;
  for (const TLog& part : AParts) {
    all.insert(all.end(), part.begin(), part.end());
  }
  return all;
}

const TLog kSetUp = {"OFDExchangeSuspended=true",
                     "ConnectionType=0",
                     "ProtocolType=1",
                     "ComNumber=7",
                     "BaudRate=6",
                     "Timeout=5000"};
const TLog kProbe1 = {"GetECRStatus()", "OFDExchangeSuspended=true"};
const TLog kProbe0 = {"GetECRStatus()", "Disconnect()", "ProtocolType=0", "GetECRStatus()",
                      "OFDExchangeSuspended=true"};
const TLog kDateAndTime = {
    Entry(TTarvikProperty::Date, TDateTimeValue{DateOf(kStart)}),
    "SetDate()",
    Entry(TTarvikProperty::Date, TDateTimeValue{DateOf(kStart)}),
    "ConfirmDate()",
    Entry(TTarvikProperty::Time, TDateTimeValue{TimeOf(kStart) + 1234 / 86'400'000.0}),
    "SetTime()"};
const TLog kIdentify = {"GetDeviceMetrics()", "ReadSerialNumber()", "GetECRStatus()"};

struct TSearchCase {
  const char* Name;
  std::function<void(TDriverScript&)> Script;
  TLog Expected;
  // Empty for a run that succeeds.
  std::u16string Failure;
  std::int32_t ProtocolType = 1;
  // A search that changes nothing on the register (a dry run), and what it says then.
  bool Recovers = true;
  std::u16string RecoveryNeeded;
  friend void PrintTo(const TSearchCase& c, std::ostream* os) { *os << c.Name; }
};

class SearchTaskSequence : public testing::TestWithParam<TSearchCase> {};

// The search under test, for hooks that stop it from inside a driver call.
TSearchTask* runningSearch = nullptr;

TEST_P(SearchTaskSequence, CallsTheDriverInTheRequiredOrder) {
  const TSearchCase& c = GetParam();
  TFakeClockScope clock(kStart);
  TLocaleFormatsScope formats;
  auto script = std::make_shared<TDriverScript>();
  TScriptedDriverScope driver(script);
  script->SetValue(TTarvikProperty::UModel, 154);
  script->SetValue(TTarvikProperty::UDescription, u"Тарвик-154Ф");
  script->SetValue(TTarvikProperty::SerialNumber, u"0154000317");
  script->SetValue(TTarvikProperty::ECRSoftVersion, u"A.4");
  script->SetValue(TTarvikProperty::ECRBuild, 3021);
  script->SetValue(TTarvikProperty::ECRSoftDate, TDateTimeValue{EncodeDate(2025, 6, 16)});
  script->OnCall(ConfirmDate, 1, [&](TDriverScript&) { clock.Clock().Advance(kConfirmTakes); });
  c.Script(*script);

  TSearchTask task;
  runningSearch = &task;
  task.SetComNumber(7);
  task.SetRecovers(c.Recovers);
  task.Start();
  ASSERT_TRUE(WaitForEnd(task));

  EXPECT_EQ(script->Log(), c.Expected);
  EXPECT_EQ(script->ControlsCreated(), 1);
  if (c.Failure.empty()) {
    EXPECT_TRUE(task.State().Succeded) << ToUtf8(task.State().Text.Get());
    EXPECT_EQ(task.State().Text.Get(), u"");
    EXPECT_EQ(task.Serial(), u"0154000317");
    EXPECT_EQ(task.DeviceName(), u"Тарвик-154Ф");
    EXPECT_EQ(task.Version(), u"A.4.3021 (16.06.2025)");
    EXPECT_EQ(task.ProtocolType(), c.ProtocolType);
    EXPECT_EQ(task.RecoveryNeeded(), c.RecoveryNeeded);
  } else {
    EXPECT_FALSE(task.State().Succeded);
    EXPECT_EQ(task.State().Text.Get(), c.Failure);
    if (c.Failure == u"Ошибка: Неверный номер модели") {
      EXPECT_EQ(task.DeviceName(), u"") << "the name of a wrong model is not read";
    }
  }
  EXPECT_EQ(task.State().StepCount, 0);
  EXPECT_EQ(task.State().Step, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Identification, SearchTaskSequence,
    testing::Values(
        TSearchCase{"Protocol1", [](TDriverScript&) {}, Concat({kSetUp, kProbe1, kIdentify})},
        TSearchCase{"NoAnswerInProtocol1ThenProtocol0",
                    [](TDriverScript& s) {
                      s.SetResults(GetECRStatus, {-1, 0, 0});
                    },
                    Concat({kSetUp, kProbe0, kIdentify}), u"", 0},
        TSearchCase{"NoAnswerInEither",
                    [](TDriverScript& s) {
                      s.SetResults(GetECRStatus, {-1, -1});
                      s.SetDescription(-1, u"Нет связи");
                    },
                    Concat({kSetUp, kProbe0}), u"Ошибка: Нет связи"},
        TSearchCase{"OtherStatusFailsWithoutASecondProbe",
                    [](TDriverScript& s) { s.SetResults(GetECRStatus, {-3}); },
                    Concat({kSetUp, kProbe1}), u"Ошибка: Описание -3"},
        TSearchCase{"OtherStatusWithMode9FailsUnrecovered",
                    [](TDriverScript& s) {
                      s.SetResults(GetECRStatus, {-3});
                      s.SetValue(TTarvikProperty::ECRMode, 9);
                    },
                    Concat({kSetUp, kProbe1}), u"Ошибка: Описание -3"},
        TSearchCase{"Status116Recovers",
                    [](TDriverScript& s) { s.SetResults(GetECRStatus, {116}); },
                    Concat({kSetUp, kProbe1, {"ResetSettings()"}, kDateAndTime, kIdentify})},
        TSearchCase{"Status120Recovers",
                    [](TDriverScript& s) { s.SetResults(GetECRStatus, {120}); },
                    Concat({kSetUp, kProbe1, {"ResetSettings()"}, kDateAndTime, kIdentify})},
        TSearchCase{"Status121RecoversWhateverTheMode",
                    [](TDriverScript& s) {
                      s.SetResults(GetECRStatus, {121});
                      s.SetValue(TTarvikProperty::ECRMode, 2);
                    },
                    Concat({kSetUp, kProbe1, {"ResetSettings()"}, kDateAndTime, kIdentify})},
        TSearchCase{"Status0Mode9Recovers",
                    [](TDriverScript& s) { s.SetValue(TTarvikProperty::ECRMode, 9); },
                    Concat({kSetUp, kProbe1, {"ResetSettings()"}, kDateAndTime, kIdentify})},
        // Without recovery nothing that changes a register is called: no ResetSettings, no
        // date or time; the register is identified in the state it is in.
        TSearchCase{"Status116UnrecoveredIsSaidToNeedIt",
                    [](TDriverScript& s) { s.SetResults(GetECRStatus, {116, 116}); },
                    Concat({kSetUp, kProbe1, kIdentify}), u"", 1, false, u"статус 116"},
        TSearchCase{"Mode9UnrecoveredIsSaidToNeedIt",
                    [](TDriverScript& s) { s.SetValue(TTarvikProperty::ECRMode, 9); },
                    Concat({kSetUp, kProbe1, kIdentify}), u"", 1, false, u"режим 9"},
        TSearchCase{"Status0OtherModeDoesNotRecover",
                    [](TDriverScript& s) { s.SetValue(TTarvikProperty::ECRMode, 8); },
                    Concat({kSetUp, kProbe1, kIdentify})},
        TSearchCase{"Busy147OnceThenReset",
                    [](TDriverScript& s) {
                      s.SetResults(GetECRStatus, {116});
                      s.SetResults(ResetSettings, {147, 0});
                    },
                    Concat({kSetUp,
                            kProbe1,
                            {"ResetSettings()", "ResetSettings()"},
                            kDateAndTime,
                            kIdentify})},
        TSearchCase{"Busy147Twice",
                    [](TDriverScript& s) {
                      s.SetResults(GetECRStatus, {116});
                      s.SetResults(ResetSettings, {147, 147});
                      s.SetDescription(147, u"ККТ занята");
                    },
                    Concat({kSetUp, kProbe1, {"ResetSettings()", "ResetSettings()"}}),
                    u"Ошибка: ККТ занята"},
        TSearchCase{"ResetFailsWithAnotherCodeWithoutASecondCall",
                    [](TDriverScript& s) {
                      s.SetResults(GetECRStatus, {120});
                      s.SetResults(ResetSettings, {148});
                    },
                    Concat({kSetUp, kProbe1, {"ResetSettings()"}}), u"Ошибка: Описание 148"},
        TSearchCase{"SetTimeFails",
                    [](TDriverScript& s) {
                      s.SetResults(GetECRStatus, {116});
                      s.SetResults(SetTime, {33});
                    },
                    Concat({kSetUp, kProbe1, {"ResetSettings()"}, kDateAndTime}),
                    u"Ошибка: Описание 33"},
        TSearchCase{"Model153", [](TDriverScript& s) { s.SetValue(TTarvikProperty::UModel, 153); },
                    Concat({kSetUp, kProbe1, {"GetDeviceMetrics()"}}),
                    u"Ошибка: Неверный номер модели"},
        TSearchCase{"Model152", [](TDriverScript& s) { s.SetValue(TTarvikProperty::UModel, 152); },
                    Concat({kSetUp, kProbe1, kIdentify})},
        TSearchCase{"ReadSerialNumberFails",
                    [](TDriverScript& s) { s.SetResults(ReadSerialNumber, {5}); },
                    Concat({kSetUp, kProbe1, {"GetDeviceMetrics()", "ReadSerialNumber()"}}),
                    u"Ошибка: Описание 5"},
        TSearchCase{"FinalStatusFails",
                    [](TDriverScript& s) {
                      s.SetResults(GetECRStatus, {0, 9});
                    },
                    Concat({kSetUp, kProbe1, kIdentify}), u"Ошибка: Описание 9"},
        TSearchCase{
            "StopDuringTheProbeIsNoticedAfterGetDeviceMetrics",
            [](TDriverScript& s) {
              s.SetResults(GetECRStatus, {-1, 116});
              s.OnCall(GetECRStatus, 1, [](TDriverScript&) { runningSearch->Stop(); });
            },
            Concat({kSetUp, kProbe0, {"ResetSettings()"}, kDateAndTime, {"GetDeviceMetrics()"}}),
            u"Прервано пользователем"},
        TSearchCase{"StopBeforeTheModelIsCheckedWinsOverAWrongModel",
                    [](TDriverScript& s) {
                      s.SetValue(TTarvikProperty::UModel, 153);
                      s.OnCall(GetDeviceMetrics, 1, [](TDriverScript&) { runningSearch->Stop(); });
                    },
                    Concat({kSetUp, kProbe1, {"GetDeviceMetrics()"}}), u"Прервано пользователем"},
        TSearchCase{"StopDuringReadSerialNumber",
                    [](TDriverScript& s) {
                      s.OnCall(ReadSerialNumber, 1, [](TDriverScript&) { runningSearch->Stop(); });
                    },
                    Concat({kSetUp, kProbe1, {"GetDeviceMetrics()", "ReadSerialNumber()"}}),
                    u"Прервано пользователем"}),
    [](const testing::TestParamInfo<TSearchCase>& info) { return info.param.Name; });

}  // namespace
}  // namespace kelvane::test
