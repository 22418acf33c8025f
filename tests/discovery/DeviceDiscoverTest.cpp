#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "discovery/DeviceDiscover.h"
#include "platform/Error.h"
#include "support/BenchScope.h"
#include "support/GatedDriver.h"
#include "support/LocaleFormatsScope.h"
#include "support/PortSourceScope.h"
#include "support/SteppingClock.h"
#include "support/Waiting.h"
#include "tasks/MainThread.h"

namespace kelvane::test {
namespace {

struct TFound {
  std::int32_t ComNumber;
  std::u16string Serial;
  std::u16string Version;
  std::int32_t ProtocolType;
  std::u16string DeviceName;
  bool operator==(const TFound&) const = default;
  friend void PrintTo(const TFound& f, std::ostream* os) { *os << "COM" << f.ComNumber; }
};

// Collects the reports, which arrive on the coordinator's worker thread.
class TFoundLog {
 public:
  TFoundEvent Receiver() {
    return [this](std::int32_t AComNumber, const std::u16string& ASerial,
                  const std::u16string& AVersion, std::int32_t AProtocolType,
                  const std::u16string& ADeviceName) {
      std::lock_guard lock(FMutex);
      FFound.push_back({AComNumber, ASerial, AVersion, AProtocolType, ADeviceName});
    };
  }
  std::vector<TFound> Found() const {
    std::lock_guard lock(FMutex);
    return FFound;
  }
  size_t Count() const { return Found().size(); }
  std::vector<std::int32_t> Ports() const {
    std::vector<std::int32_t> ports;
    for (const TFound& found : Found()) {
      ports.push_back(found.ComNumber);
    }
    return ports;
  }

 private:
  mutable std::mutex FMutex;
  std::vector<TFound> FFound;
};

std::string Register(int APort, const std::string& AUsb = "USB-SERIAL CH340",
                     const std::string& AAttributes = "") {
  const std::string number = std::to_string(APort);
  return "<port number='" + number + "' name='" + AUsb + " (COM" + number +
         ")'><register model='154' name='Тарвик' serial='S" + number +
         "' version='A.4' build='3021' soft-date='2025-06-16' " + AAttributes + "/></port>";
}

std::string EmptyPort(int APort) {
  const std::string number = std::to_string(APort);
  return "<port number='" + number + "' name='USB Serial Port (COM" + number + ")'/>";
}

std::string Bench(const std::string& APorts) {
  return "<bench no-answer-ms='0'>" + APorts + "</bench>";
}

class Discovery : public testing::Test {
 protected:
  void RunPass(TDeviceDiscover& ADiscover) {
    ADiscover.Start();
    ASSERT_TRUE(WaitForEnd(ADiscover));
  }

  TLocaleFormatsScope FFormats;
  TFoundLog FLog;
};

TEST_F(Discovery, NoUsbPortEndsWellAfterOneCycle) {
  TBenchScope bench(Bench(Register(1, "Communications Port")));
  TSteppingClockScope clock;
  clock.Clock().SetFreeRunning(true);
  TDeviceDiscover discover;
  discover.SetOnFound(FLog.Receiver());
  RunPass(discover);
  EXPECT_TRUE(discover.State().Succeded);
  EXPECT_EQ(clock.Clock().Sleeps(), 1);
  EXPECT_EQ(FLog.Count(), 0u);
  EXPECT_EQ(bench.Register(1).CallCount(TTarvikMethod::GetECRStatus), 0) << "not a USB port";
}

TEST_F(Discovery, ThreeUsbPortsOneRegisterGiveExactlyOneReport) {
  TBenchScope bench(
      Bench(EmptyPort(3) + Register(4, "USB Serial Device", "protocols='0'") + EmptyPort(5)));
  TDeviceDiscover discover;
  discover.SetOnFound(FLog.Receiver());
  RunPass(discover);
  EXPECT_TRUE(discover.State().Succeded);
  EXPECT_EQ(FLog.Found(),
            (std::vector<TFound>{{4, u"S4", u"A.4.3021 (16.06.2025)", 0, u"Тарвик"}}));
}

TEST_F(Discovery, SearchesFinishingInOneCycleAreReportedLaterStartedFirst) {
  TBenchScope bench(Bench(Register(2) + Register(7) + Register(5)));
  auto gates = std::make_shared<TPortGates>();
  for (const int port : {2, 7, 5}) {
    gates->Close(port);
  }
  TGatedDriverScope driver(bench.Bench(), gates);
  TSteppingClockScope clock;
  TDeviceDiscover discover;
  discover.SetOnFound(FLog.Receiver());
  discover.Start();
  // The first cycle has found nothing and the coordinator waits in its pause.
  ASSERT_TRUE(WaitUntil([&] { return clock.Clock().Sleeping() == 1; }));
  gates->Open(2);
  gates->Open(7);
  // Both searches have finished: their workers wait for the main thread at their end.
  ASSERT_TRUE(TMainThread::Instance().WaitForPending(2, kWaitLimit));
  clock.Clock().Release();
  ASSERT_TRUE(WaitUntil([&] { return FLog.Count() == 2 && clock.Clock().Sleeping() == 1; }));
  EXPECT_EQ(FLog.Ports(), (std::vector<std::int32_t>{7, 2}));
  gates->Open(5);
  clock.Clock().SetFreeRunning(true);
  ASSERT_TRUE(WaitForEnd(discover));
  EXPECT_EQ(FLog.Ports(), (std::vector<std::int32_t>{7, 2, 5}));
  EXPECT_TRUE(discover.State().Succeded);
}

TEST_F(Discovery, StopDuringTheLastPauseStillEndsThePassWell) {
  TBenchScope bench(Bench(Register(3)));
  auto gates = std::make_shared<TPortGates>();
  gates->Close(3);
  TGatedDriverScope driver(bench.Bench(), gates);
  TSteppingClockScope clock;
  TDeviceDiscover discover;
  discover.SetOnFound(FLog.Receiver());
  discover.Start();
  ASSERT_TRUE(WaitUntil([&] { return clock.Clock().Sleeping() == 1; }));
  gates->Open(3);
  ASSERT_TRUE(TMainThread::Instance().WaitForPending(1, kWaitLimit));
  clock.Clock().Release();
  // Collected and reported; the coordinator is in its last pause.
  ASSERT_TRUE(WaitUntil([&] { return FLog.Count() == 1 && clock.Clock().Sleeping() == 1; }));
  discover.Stop();
  clock.Clock().Release();
  ASSERT_TRUE(WaitForEnd(discover));
  EXPECT_TRUE(discover.State().Succeded);
}

TEST_F(Discovery, WithoutAReceiverTheSearchesStillRunAndAreFreed) {
  TBenchScope bench(Bench(Register(3) + Register(4)));
  TDeviceDiscover discover;
  RunPass(discover);
  EXPECT_TRUE(discover.State().Succeded);
  EXPECT_EQ(bench.Register(3).CallCount(TTarvikMethod::ReadSerialNumber), 1);
  EXPECT_EQ(bench.Register(4).CallCount(TTarvikMethod::ReadSerialNumber), 1);
}

TEST_F(Discovery, StartDuringAPassHasNoEffect) {
  TBenchScope bench(Bench(Register(3)));
  auto gates = std::make_shared<TPortGates>();
  gates->Close(3);
  TGatedDriverScope driver(bench.Bench(), gates);
  TDeviceDiscover discover;
  discover.SetOnFound(FLog.Receiver());
  discover.Start();
  discover.Start();
  gates->Open(3);
  ASSERT_TRUE(WaitForEnd(discover));
  EXPECT_EQ(FLog.Ports(), std::vector<std::int32_t>{3});
  EXPECT_EQ(bench.Register(3).CallCount(TTarvikMethod::GetDeviceMetrics), 1);
}

TEST_F(Discovery, StopEndsThePassAndTheSearchesRunOnUnreported) {
  TBenchScope bench(Bench(Register(3) + Register(4)));
  auto gates = std::make_shared<TPortGates>();
  gates->Close(3);
  gates->Close(4);
  TGatedDriverScope driver(bench.Bench(), gates);
  TSteppingClockScope clock;
  TDeviceDiscover discover;
  discover.SetOnFound(FLog.Receiver());
  discover.Start();
  ASSERT_TRUE(WaitUntil([&] { return clock.Clock().Sleeping() == 1; }));
  discover.Stop();
  clock.Clock().Release();
  ASSERT_TRUE(WaitForEnd(discover));
  EXPECT_FALSE(discover.State().Succeded);
  EXPECT_EQ(discover.State().Text.Get(), u"Прервано пользователем");

  // The searches go on to their own end, and nothing of theirs is reported.
  gates->OpenAll();
  ASSERT_TRUE(WaitUntil([&] {
    return bench.Register(3).CallCount(TTarvikMethod::GetECRStatus) == 2 &&
           bench.Register(4).CallCount(TTarvikMethod::GetECRStatus) == 2;
  }));
  EXPECT_EQ(FLog.Count(), 0u);

  // A new pass enumerates again and reports each register once: its own searches only.
  clock.Clock().SetFreeRunning(true);
  RunPass(discover);
  EXPECT_TRUE(discover.State().Succeded);
  std::vector<std::int32_t> ports = FLog.Ports();
  std::sort(ports.begin(), ports.end());
  EXPECT_EQ(ports, (std::vector<std::int32_t>{3, 4}));
}

TEST_F(Discovery, NewPassAfterAStoppedOneSeesTheSearchesOfTheNewPortList) {
  TBenchScope bench(Bench(Register(3) + Register(4)));
  TPortSourceScope ports({u"USB (COM3)"});
  auto gates = std::make_shared<TPortGates>();
  gates->Close(3);
  TGatedDriverScope driver(bench.Bench(), gates);
  TDeviceDiscover discover;
  discover.SetOnFound(FLog.Receiver());
  discover.Start();
  discover.Stop();
  ASSERT_TRUE(WaitForEnd(discover));
  ports.Source().SetNames({u"USB (COM4)"});
  RunPass(discover);
  EXPECT_EQ(FLog.Ports(), std::vector<std::int32_t>{4});
  gates->Open(3);
}

TEST_F(Discovery, ReceiverErrorEndsThePassAndTheNextPassStillWorks) {
  TBenchScope bench(Bench(Register(3)));
  TDeviceDiscover discover;
  int calls = 0;
  discover.SetOnFound([&](std::int32_t, const std::u16string&, const std::u16string&, std::int32_t,
                          const std::u16string&) {
    if (++calls == 1) {
      throw EError(u"приёмник отказал");
    }
  });
  RunPass(discover);
  EXPECT_FALSE(discover.State().Succeded);
  EXPECT_EQ(discover.State().Text.Get(), u"Ошибка: приёмник отказал");
  RunPass(discover);
  EXPECT_TRUE(discover.State().Succeded);
  EXPECT_EQ(calls, 2);
}

TEST_F(Discovery, DestroyingTheCoordinatorMidPassWaitsForEverything) {
  TBenchScope bench(Bench(Register(3, "USB", "exchange-ms='5'") +
                          Register(4, "USB", "exchange-ms='5'") + EmptyPort(5)));
  for (int round = 0; round < 5; ++round) {
    auto discover = std::make_unique<TDeviceDiscover>();
    discover->SetOnFound(FLog.Receiver());
    discover->Start();
    if (round % 2 == 1) {
      ASSERT_TRUE(WaitUntil([&] { return FLog.Count() > 0; }));
    }
    discover.reset();
  }
  EXPECT_EQ(TMainThread::Instance().Drain(), 0u);
}

}  // namespace
}  // namespace kelvane::test
