// The session layer: one identification for every front end, the start of an update, and its
// outcome as data.
#include <functional>

#include <gtest/gtest.h>

#include "driver/sim/SimFirmware.h"
#include "platform/Text.h"
#include "platform/Error.h"
#include "session/Identification.h"
#include "session/Journal.h"
#include "session/UpdateOutcome.h"
#include "session/UpdateRequest.h"
#include "session/UpdateSession.h"
#include "session/RunTimes.h"
#include "support/BenchScope.h"
#include "support/FakeClock.h"
#include "support/GatedDriver.h"
#include "support/LocaleFormatsScope.h"
#include "support/SteppingClock.h"
#include "support/TempDir.h"
#include "support/Waiting.h"
#include "tasks/NotifyThread.h"

namespace kelvane::test {
namespace {

std::string Register(int APort, const std::string& AExtra = "",
                     const std::string& AAttributes = "") {
  const std::string n = std::to_string(APort);
  return "<port number='" + n + "' name='USB-SERIAL CH340 (COM" + n +
         ")'><register model='154' name='Тарвик-154Ф' serial='S" + n +
         "' version='A.4' build='3021' soft-date='2025-06-16' " + AAttributes + ">" + AExtra +
         "</register></port>";
}

class Session : public testing::Test {
 protected:
  Session() { FClock.Clock().SetFreeRunning(true); }
  ~Session() override { FGates->OpenAll(); }

  std::u16string Firmware(const std::string& AName) {
    return FDir.Write(AName, MakeSimFirmware({3105, u"A.5", EncodeDate(2026, 12, 1)}, 300));
  }
  static std::vector<TIdentifiedPort> Identify() {
    return IdentifyPorts([] { return false; }).value_or(std::vector<TIdentifiedPort>{});
  }
  // The session plays the main thread itself while it waits; true once ADone holds.
  static bool Follow(TUpdateSession& ASession, const std::function<bool()>& ADone) {
    const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
    while (!ADone()) {
      ASession.Wait(std::chrono::milliseconds(5));
      if (std::chrono::steady_clock::now() >= deadline) {
        return false;
      }
    }
    return true;
  }
  static void RunToEnd(TUpdateSession& ASession) {
    ASSERT_TRUE(Follow(ASession, [&] { return ASession.Wait(std::chrono::milliseconds(5)); }));
  }

  TLocaleFormatsScope FFormats;
  TTempDir FDir;
  TBenchScope FBench{"<bench no-answer-ms='0'>" + Register(4) + Register(1) +
                     Register(2, "<fault method='LoadBlockOnSDCard' call='2' code='162'/>") +
                     Register(3, "", "paper-out-at-line='1'") +
                     "<port number='5' name='USB-SERIAL CH340 (COM5)'/>" +
                     "<port number='6' name='Communications Port (COM6)'>" + "</port></bench>"};
  std::shared_ptr<TPortGates> FGates = std::make_shared<TPortGates>();
  TGatedDriverScope FDriver{FBench.Bench(), FGates};
  TSteppingClockScope FClock;
};

TEST_F(Session, IdentificationReportsEveryUsbPortWithItsRegisterOrItsErrorInPortOrder) {
  const std::vector<TIdentifiedPort> ports = Identify();
  ASSERT_EQ(ports.size(), 5u) << "USB ports only";
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(ports[static_cast<size_t>(i)].ComNumber, i + 1);
    EXPECT_TRUE(ports[static_cast<size_t>(i)].Found) << i;
    EXPECT_EQ(ports[static_cast<size_t>(i)].Serial, u"S" + IntToStr(i + 1));
  }
  EXPECT_EQ(ports[0].Version, u"A.4.3021 (16.06.2025)");
  EXPECT_EQ(ports[0].DeviceName, u"Тарвик-154Ф");
  EXPECT_EQ(ports[0].ProtocolType, 1);
  EXPECT_FALSE(ports[4].Found);
  EXPECT_EQ(ports[4].ComNumber, 5);
  EXPECT_EQ(ports[4].Error, u"Ошибка: Нет связи: ККТ не отвечает");
}

TEST_F(Session, AStopDuringTheIdentificationReturnsNothingOnceTheSearchesHaveEnded) {
  TSteppingClock& clock = FClock.Clock();
  // Asked while COM1's search is held in its first call. Either the stop reaches the
  // coordinator first, or the coordinator has already collected the last search and only its
  // closing pause is left: nothing is returned in both.
  for (const bool collectedFirst : {false, true}) {
    SCOPED_TRACE(collectedFirst);
    FGates->Close(1);
    const int calls = FBench.Register(1).CallCount(TTarvikMethod::GetECRStatus);
    const int probes = FBench.Register(1).CallCount(TTarvikMethod::GetDeviceMetrics);
    bool asked = false;
    const auto ports = IdentifyPorts([&] {
      if (!asked) {
        asked = true;
        if (collectedFirst) {
          // The coordinator held in its pause while COM1's search runs to its end.
          clock.SetFreeRunning(false);
          EXPECT_TRUE(WaitUntil([&] { return clock.Sleeping() == 1; }));
        }
        FGates->Open(1);
        if (collectedFirst) {
          EXPECT_TRUE(WaitUntil([&] {
            return FBench.Register(1).CallCount(TTarvikMethod::GetECRStatus) == calls + 2;
          }));
          // One more round of the coordinator: it collects COM1 and pauses again.
          const int sleeps = clock.Sleeps();
          clock.Release(1);
          EXPECT_TRUE(WaitUntil([&] { return clock.Sleeps() == sleeps + 1; }));
          clock.SetFreeRunning(true);
        }
      }
      return true;
    });
    EXPECT_FALSE(ports.has_value());
    // The search in progress went on to its first stop point, past the probe.
    EXPECT_EQ(FBench.Register(1).CallCount(TTarvikMethod::GetDeviceMetrics), probes + 1);
  }
  EXPECT_EQ(FBench.Register(1).CallCount(TTarvikMethod::WriteTable), 0);
}

TEST_F(Session, OutcomesTellResultStepVersionsAndPrintErrorAsData) {
  const std::vector<TIdentifiedPort> ports = Identify();
  TUpdateSession session(u"tests");
  for (const size_t i : {0u, 1u, 2u, 3u}) {
    session.Add(ports[i]);
  }
  FGates->Close(4);
  session.StartAll({Firmware("fw_3105.bin"), false, false, u""});
  EXPECT_TRUE(session.KeepsSystemAwake());
  ASSERT_TRUE(
      Follow(session, [&] { return session.Ended(0) && session.Ended(1) && session.Ended(2); }));
  EXPECT_FALSE(session.Ended(3));
  EXPECT_TRUE(session.KeepsSystemAwake()) << "while COM4 runs";
  session.StopAll();
  FGates->Open(4);
  RunToEnd(session);
  EXPECT_FALSE(session.KeepsSystemAwake());

  const std::vector<TUpdateOutcome> outcomes = session.Outcomes();
  ASSERT_EQ(outcomes.size(), 4u);
  EXPECT_EQ(outcomes[0].Result, TUpdateResult::Success);
  EXPECT_EQ(outcomes[0].LastStep, TUpdateStep::Done);
  EXPECT_EQ(DistinctVersions(outcomes[0].VersionsAfter),
            std::vector<std::u16string>{u"A.5.3105 (01.12.2026)"});
  EXPECT_EQ(outcomes[0].VersionsAfter.size(), 3u) << "the check, the receipt and the end";
  EXPECT_EQ(outcomes[0].VersionBefore, u"A.4.3021 (16.06.2025)");
  EXPECT_FALSE(outcomes[0].PrintError);
  // 340 bytes in three blocks: the step the body reached, before the engine's own at the end.
  EXPECT_EQ(session.Task(0).State().StepCount.load(), 340 + 9000);
  EXPECT_EQ(session.Task(0).LastRunEnd().StepReached, 9001 + 3 * 128);

  EXPECT_EQ(outcomes[1].Result, TUpdateResult::Failed);
  EXPECT_EQ(outcomes[1].LastStep, TUpdateStep::Loading);
  EXPECT_EQ(outcomes[1].ErrorText, u"Неверный блок прошивки");
  EXPECT_EQ(outcomes[1].FinalText, u"Ошибка: Неверный блок прошивки");
  EXPECT_TRUE(outcomes[1].VersionsAfter.empty());
  EXPECT_EQ(session.Task(1).LastRunEnd().StepReached, 1 + 1000 + 128) << "one block sent";

  EXPECT_EQ(outcomes[2].Result, TUpdateResult::SuccessPrintError);
  EXPECT_EQ(outcomes[2].PrintError, u"Нет бумаги");

  EXPECT_EQ(outcomes[3].Result, TUpdateResult::Stopped);
  EXPECT_EQ(outcomes[3].FinalText, u"Прервано пользователем");
  EXPECT_TRUE(outcomes[3].ErrorText.empty());
  for (const TUpdateOutcome& outcome : outcomes) {
    EXPECT_TRUE(outcome.Started && outcome.Ended);
    EXPECT_GE(outcome.Seconds, 0.0);
  }
}

TEST_F(Session, AVersionMismatchKeepsTheVersionReadAndTheStepItFailedIn) {
  const std::vector<TIdentifiedPort> ports = Identify();
  // The image carries build 3105; the name promises 3107.
  TUpdateSession session(u"tests");
  session.Add(ports[0]);
  session.StartAll({Firmware("fw_3107.bin"), false, false, u""});
  RunToEnd(session);
  const TUpdateOutcome outcome = session.Outcomes().at(0);
  EXPECT_EQ(outcome.Result, TUpdateResult::Failed);
  EXPECT_EQ(outcome.LastStep, TUpdateStep::VersionCheck);
  EXPECT_EQ(outcome.VersionsAfter, std::vector<std::u16string>{u"A.5.3105 (01.12.2026)"});
  EXPECT_EQ(outcome.ErrorText, u"Завершено. Версии не совпадают! A.5.3105 (01.12.2026)");
}

// A start that gets no worker has its end on record at once, as failed, with the reason; the
// workstation is not kept awake for it.
TEST_F(Session, AStartWithoutAWorkerIsRecordedAsFailed) {
  const std::vector<TIdentifiedPort> ports = Identify();
  TUpdateSession session(u"tests", TJournal(FDir.Path().u16string()));
  session.Add(ports[0]);
  TNotifyThread::FailNextCreationsForTesting(1);
  EXPECT_THROW(session.Start(0, {Firmware("fw_3105.bin"), false, false, u""}), EError);
  EXPECT_FALSE(session.KeepsSystemAwake());
  const std::vector<TJournalRecord> records = TJournal(FDir.Path().u16string()).Read();
  ASSERT_EQ(records.size(), 1u) << "the start met by its end";
  EXPECT_EQ(records[0].Outcome.Result, TUpdateResult::Failed);
  EXPECT_FALSE(records[0].Outcome.ErrorText.empty());
  EXPECT_TRUE(records[0].Outcome.Ended);
}

// A run's times: its start and its first end to the second, and the seconds between on the
// steady clock; a second end changes nothing.
TEST(RunTimes, KeepTheStartAndTheFirstEnd) {
  TFakeClockScope clock(EncodeDateTime({2026, 9, 9, 23, 59, 58, 500}));
  TRunTimes times;
  times.NoteStart();
  clock.Clock().Advance(std::chrono::milliseconds(2500));
  times.NoteEnd();
  clock.Clock().Advance(std::chrono::minutes(1));
  times.NoteEnd();
  TUpdateOutcome outcome;
  times.FillIn(outcome);
  ASSERT_TRUE(outcome.Started && outcome.Ended);
  EXPECT_EQ(IsoDateTime(*outcome.Started).substr(0, 19), u"2026-09-09T23:59:58");
  EXPECT_EQ(IsoDateTime(*outcome.Ended).substr(0, 19), u"2026-09-10T00:00:01");
  EXPECT_DOUBLE_EQ(outcome.Seconds, 2.5);
}

TEST_F(Session, StartUpdateNeverChangesARunningTaskAndAnUnrunTaskHasNoOutcome) {
  TUpdateTask task;
  task.SetComNumber(1);
  task.SetProtocolType(1);
  EXPECT_EQ(OutcomeOf(task, u"v").Result, TUpdateResult::NotStarted);
  EXPECT_EQ(OutcomeOf(task, u"v").VersionBefore, u"v");
  FGates->Close(1);
  const std::u16string firmware = Firmware("fw_3105.bin");
  EXPECT_TRUE(StartUpdate(task, {firmware, true, true, u"t.csv"}));
  EXPECT_TRUE(task.IsCustom());
  EXPECT_FALSE(StartUpdate(task, {u"other.bin", false, false, u""}));
  EXPECT_EQ(task.FileName(), firmware);
  EXPECT_TRUE(task.WriteTables());
  EXPECT_TRUE(task.IsCustom());
  task.Stop();
  FGates->Open(1);
  ASSERT_TRUE(WaitForEnd(task));
  // IsCustom not given: kept.
  EXPECT_TRUE(StartUpdate(task, {firmware, std::nullopt, false, u""}));
  EXPECT_TRUE(task.IsCustom());
  ASSERT_TRUE(WaitForEnd(task));
}

}  // namespace
}  // namespace kelvane::test
