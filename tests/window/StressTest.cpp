// Many rounds of what an operator can do at any moment, in a random order: searches while rows
// update, starts, stops and restarts of single rows and of all, refreshes, and the window closed
// in the middle of it all. Run under ThreadSanitizer it looks for races and for threads left
// behind; the seed it prints repeats a failing run (KELVANE_STRESS_SEED).
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "driver/sim/SimFirmware.h"
#include "support/BenchScope.h"
#include "support/FakeMainView.h"
#include "support/SteppingClock.h"
#include "support/TempDir.h"
#include "support/Waiting.h"
#include "tasks/MainThread.h"
#include "window/fmuMain.h"

namespace kelvane::test {
namespace {

constexpr int kPorts = 12;
constexpr int kRounds = 250;
constexpr int kActionsPerRound = 60;

std::string Bench() {
  std::string xml = "<bench no-answer-ms='1'>";
  for (int port = 1; port <= kPorts; ++port) {
    const std::string n = std::to_string(port);
    // Some registers answer in protocol 0 only, one not at all, so that searches differ in length.
    const std::string protocols = port % 4 == 0 ? " protocols='0'" : "";
    xml += "<port number='" + n + "' name='USB (COM" + n + ")'>" +
           (port == kPorts ? std::string()
                           : "<register model='154' serial='S" + n + "' block-ms='" +
                                 std::to_string(port % 3) + "'" + protocols + "/>") +
           "</port>";
  }
  return xml + "</bench>";
}

// The threads of the process, where the system tells; -1 elsewhere.
int ThreadCount() {
  std::error_code error;
  int count = 0;
  for (std::filesystem::directory_iterator it("/proc/self/task", error), end; !error && it != end;
       it.increment(error)) {
    ++count;
  }
  return error || count == 0 ? -1 : count;
}

std::uint32_t Seed() {
  if (const char* text = std::getenv("KELVANE_STRESS_SEED")) {
    return static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10));
  }
  return 20261209;
}

TEST(Stress, RandomCommandsAcrossManyRowsEndWithEveryWorkerJoined) {
  const std::uint32_t seed = Seed();
  std::cout << "stress seed " << seed << " (KELVANE_STRESS_SEED repeats it)\n";
  std::mt19937 random(seed);
  const auto chance = [&](int APercent) {
    return std::uniform_int_distribution<int>(0, 99)(random) < APercent;
  };

  TTempDir dir;
  TBenchScope bench(Bench());
  TSteppingClockScope clock;
  clock.Clock().SetFreeRunning(true);
  const std::u16string firmware =
      dir.Write("fw_3105.bin", MakeSimFirmware({3105, u"A.5", EncodeDate(2026, 12, 1)}, 3000));

  // A sanitizer's own thread starts with the first thread of the process: count after it.
  std::thread([] {}).join();
  const int threadsBefore = ThreadCount();
  int runs = 0;
  for (int round = 0; round < kRounds; ++round) {
    TFakeMainView view;
    auto window = std::make_unique<TfmMain>(view, (dir.Path() / "settings.xml").u16string());
    window->FormShow();
    view.SetFieldText(TField::edtFileName, firmware);
    // Most rounds begin with the registers listed, as after a search.
    if (chance(80)) {
      window->Run(TCommand::btnSearchClick);
      ASSERT_TRUE(WaitUntil([&] { return !window->DeviceDiscover().State().Started.load(); }));
      window->Run(TCommand::tmrUpdateDevicesTimer);
    }
    const int actions = std::uniform_int_distribution<int>(1, kActionsPerRound)(random);
    for (int action = 0; action < actions; ++action) {
      const int rows = window->RowCount();
      if (rows > 0) {
        view.Selected = std::uniform_int_distribution<int>(0, rows - 1)(random);
        if (chance(20)) {
          view.SetRowTicked(*view.Selected, !view.RowTicked(*view.Selected));
        }
      }
      switch (std::uniform_int_distribution<int>(0, 7)(random)) {
        case 0:
          window->Run(TCommand::btnSearchClick);
          break;
        case 1:
          window->Run(TCommand::tmrUpdateDevicesTimer);
          break;
        case 2:
          for (int i = 0; i < rows; ++i) {
            runs += view.RowTicked(i) && !window->Task(i).State().Started.load() ? 1 : 0;
          }
          window->Run(TCommand::btnStartClick);
          break;
        case 3:
          window->Run(TCommand::btnStopClick);
          break;
        case 4:
          runs += rows > 0 && !window->Task(*view.Selected).State().Started.load() ? 1 : 0;
          window->Run(TCommand::ResetTaskPopupClick);
          break;
        case 5:
          window->Run(TCommand::StopTaskPopupClick);
          break;
        case 6:
          window->Run(TCommand::TimerTimer);
          break;
        default:
          // The window's thread between two of its events.
          TMainThread::Instance().Drain();
          break;
      }
    }
    if (chance(50)) {
      // Now and then the work is let finish before the window goes.
      ASSERT_TRUE(WaitUntil([&] { return !window->IsUpdating(); }));
      window->Run(TCommand::TimerTimer);
    }
    window->FormClose();
    window.reset();
    ASSERT_EQ(TMainThread::Instance().Drain(), 0u) << "round " << round;
  }
  // Every worker was joined: none is left running once the windows have gone.
  EXPECT_TRUE(WaitUntil([&] { return ThreadCount() == threadsBefore; }))
      << ThreadCount() << " threads, " << threadsBefore << " before";
  std::cout << "stress: " << kRounds << " rounds, " << runs << " update runs started\n";
}

}  // namespace
}  // namespace kelvane::test
