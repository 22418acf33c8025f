#include <atomic>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Error.h"
#include "support/TestTask.h"
#include "support/Waiting.h"
#include "tasks/MainThread.h"

namespace kelvane::test {
namespace {

TEST(CustomTask, NewTaskIsClear) {
  EXPECT_EQ(TTestTask().LastRunEnd().Kind, TRunEnd::NotRun);
  TTestTask task;
  const TTaskState& state = task.State();
  EXPECT_FALSE(state.Started);
  EXPECT_FALSE(state.Finished);
  EXPECT_FALSE(state.Succeded);
  EXPECT_EQ(state.Text.Get(), u"");
  EXPECT_EQ(state.StepCount, 0);
  EXPECT_EQ(state.Step, 0);
}

struct TOutcomeCase {
  const char* Name;
  TTestTask::TBody Body;
  bool Succeded;
  std::u16string Text;
  std::int32_t StepCount;
  // How the run ended, as data for the task's owner.
  TRunEnd::TKind Kind;
  std::u16string ErrorMessage;
  std::int32_t StepReached;
  friend void PrintTo(const TOutcomeCase& c, std::ostream* os) { *os << c.Name; }
};

class CustomTaskOutcome : public testing::TestWithParam<TOutcomeCase> {};

TEST_P(CustomTaskOutcome, EndsWithTheEngineState) {
  const TOutcomeCase& c = GetParam();
  TTestTask task(c.Body);
  task.Start();
  ASSERT_TRUE(WaitForEnd(task));
  const TTaskState& state = task.State();
  EXPECT_TRUE(state.Finished);
  EXPECT_FALSE(state.Started);
  EXPECT_EQ(state.Succeded, c.Succeded);
  EXPECT_EQ(state.Text.Get(), c.Text);
  EXPECT_EQ(state.StepCount, c.StepCount);
  EXPECT_EQ(state.Step, c.StepCount);
  const TRunEnd end = task.LastRunEnd();
  EXPECT_EQ(end.Kind, c.Kind);
  EXPECT_EQ(end.ErrorMessage, c.ErrorMessage);
  EXPECT_EQ(end.StepReached, c.StepReached);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, CustomTaskOutcome,
    testing::Values(TOutcomeCase{"BodyThatSetsNothing", {}, true, u"", 0, TRunEnd::Succeeded, u"", 0},
                    TOutcomeCase{"Success",
                                 [](TTestTask& t) {
                                   t.SetStepCount(10);
                                   t.SetStep(1);
                                   t.IncStep(2);
                                   t.NextStep();
                                   t.SetText(u"Готово");
                                 },
                                 true, u"Готово", 10, TRunEnd::Succeeded, u"", 4},
                    TOutcomeCase{"Error",
                                 [](TTestTask& t) {
                                   t.SetStepCount(7);
                                   t.SetStep(3);
                                   t.SetText(u"Шаг");
                                   throw EError(u"Сбой M");
                                 },
                                 false, u"Ошибка: Сбой M", 7, TRunEnd::Failed, u"Сбой M", 3},
                    TOutcomeCase{"StandardError",
                                 [](TTestTask&) { throw std::runtime_error("disk gone"); }, false,
                                 u"Ошибка: disk gone", 0, TRunEnd::Failed, u"disk gone", 0},
                    TOutcomeCase{"Abort",
                                 [](TTestTask& t) {
                                   t.SetStepCount(5);
                                   t.Stop();
                                   t.CheckStopped();
                                 },
                                 false, u"Прервано пользователем", 5, TRunEnd::Stopped, u"", 0}),
    [](const testing::TestParamInfo<TOutcomeCase>& info) { return info.param.Name; });

TEST(CustomTask, StartWhileStartedDoesNothingAlsoAfterStop) {
  TGate entered, release;
  std::atomic<int> runs{0};
  TTestTask task([&](TTestTask& t) {
    ++runs;
    entered.Open();
    release.Wait();
    t.CheckStopped();
  });
  task.Start();
  entered.Wait();
  task.Start();
  task.Stop();
  task.Start();
  EXPECT_TRUE(task.State().Started);
  release.Open();
  ASSERT_TRUE(WaitForEnd(task));
  EXPECT_EQ(runs, 1);
  // The stop still counted: the start after it did not clear the flag.
  EXPECT_EQ(task.State().Text.Get(), u"Прервано пользователем");
}

TEST(CustomTask, StopBeforeStartDoesNotAffectTheNextRun) {
  TTestTask task([](TTestTask& t) {
    t.CheckStopped();
    t.SetText(u"прошло");
  });
  task.Stop();
  task.Start();
  ASSERT_TRUE(WaitForEnd(task));
  EXPECT_TRUE(task.State().Succeded);
  EXPECT_EQ(task.State().Text.Get(), u"прошло");
}

TEST(CustomTask, NewRunKeepsThePreviousResultsUntilItsBodyWritesThem) {
  TTestTask task([](TTestTask& t) {
    t.SetStepCount(4);
    t.SetText(u"первый");
  });
  task.Start();
  ASSERT_TRUE(WaitForEnd(task));

  TGate entered, release;
  task.SetBody([&](TTestTask& t) {
    entered.Open();
    release.Wait();
    t.SetText(u"второй");
    throw EError(u"нет");
  });
  task.Start();
  entered.Wait();
  const TTaskState& state = task.State();
  EXPECT_TRUE(state.Started);
  EXPECT_FALSE(state.Finished);
  EXPECT_TRUE(state.Succeded) << "Succeded of the previous run";
  EXPECT_EQ(state.Text.Get(), u"первый");
  EXPECT_EQ(state.StepCount, 4);
  EXPECT_EQ(state.Step, 4);
  release.Open();
  ASSERT_TRUE(WaitForEnd(task));
  EXPECT_FALSE(state.Succeded);
  EXPECT_EQ(state.Text.Get(), u"Ошибка: нет");
}

TEST(CustomTask, EndOfRunCallRunsOnTheMainThreadAndExceptionHandlerOnTheWorker) {
  TTestTask task([](TTestTask&) { throw EError(u"x"); });
  std::thread::id terminatedOn, exceptionOn;
  std::atomic<int> terminated{0};
  task.SetOnTerminate([&](TObject* sender) {
    EXPECT_EQ(sender, &task);
    terminatedOn = std::this_thread::get_id();
    ++terminated;
  });
  task.SetOnException([&](TObject*) { exceptionOn = std::this_thread::get_id(); });
  task.Start();
  ASSERT_TRUE(WaitUntil([&] { return terminated.load() == 1; }));
  EXPECT_EQ(terminatedOn, std::this_thread::get_id());
  EXPECT_NE(exceptionOn, std::this_thread::get_id());
  EXPECT_NE(exceptionOn, std::thread::id());
}

TEST(CustomTask, SucceededRunStaysStartedUntilItsEndIsHandledOnTheMainThread) {
  TTestTask task;
  task.Start();
  // Without the main thread serving the hand-over, the run cannot be handled.
  ASSERT_TRUE(WaitUntil([&] { return task.State().Finished.load(); }));
  ASSERT_TRUE(WaitUntil([&] { return !task.State().Started.load(); }));
  EXPECT_TRUE(task.State().Succeded);
}

TEST(CustomTask, RestartAfterAFailureWaitsForTheOldWorker) {
  TGate handlerEntered, handlerRelease, secondBodyStarted;
  std::atomic<bool> handlerDone{false};
  std::atomic<int> runs{0};
  TTestTask task([&](TTestTask&) {
    if (++runs == 1) {
      throw EError(u"первый сбой");
    }
    secondBodyStarted.Open();
  });
  task.SetOnException([&](TObject*) {
    handlerEntered.Open();
    handlerRelease.Wait();
    handlerDone = true;
  });
  task.Start();
  handlerEntered.Wait();
  // The failed run has cleared Started while its worker is still in the handler.
  EXPECT_FALSE(task.State().Started);

  // Opens the handler once it is clear that the new run is not starting without it.
  std::thread opener([&] {
    secondBodyStarted.WaitFor(std::chrono::milliseconds(100));
    handlerRelease.Open();
  });
  task.Start();
  EXPECT_TRUE(handlerDone) << "Start returned before the previous worker ended";
  opener.join();
  ASSERT_TRUE(WaitForEnd(task));
  EXPECT_TRUE(task.State().Succeded);
}

TEST(CustomTask, DestroyingARunningTaskStopsItAndWaits) {
  std::atomic<bool> bodyLeft{false};
  TGate entered, never;
  auto task = std::make_unique<TTestTask>([&](TTestTask& t) {
    entered.Open();
    try {
      for (;;) {
        t.CheckStopped();
        never.WaitFor(std::chrono::milliseconds(1));
      }
    } catch (...) {
      bodyLeft = true;
      throw;
    }
  });
  task->Start();
  entered.Wait();
  task.reset();
  EXPECT_TRUE(bodyLeft);
}

TEST(CustomTask, DestroyingATaskThatNeverRanDoesNotWait) {
  std::atomic<bool> ran{false};
  auto task = std::make_unique<TTestTask>([&](TTestTask&) { ran = true; });
  task->Stop();
  // Destroyed on another thread, so that a destruction that waits fails here instead of hanging.
  TGate destroyed;
  std::thread destroyer([&] {
    task.reset();
    destroyed.Open();
  });
  const bool ended = destroyed.WaitFor(kWaitLimit);
  ended ? destroyer.join() : destroyer.detach();
  ASSERT_TRUE(ended) << "the destruction waited for a worker that never existed";
  EXPECT_FALSE(ran);
}

TEST(CustomTask, RestartWaitsForThePreviousEndOfRunCall) {
  std::atomic<int> runs{0};
  std::atomic<bool> secondRunBegun{false};
  std::atomic<int> terminated{0};
  TGate secondRunMayEnd;
  TTestTask task([&](TTestTask&) {
    if (++runs == 1) {
      throw EError(u"first");
    }
    secondRunBegun = true;
    secondRunMayEnd.Wait();
  });
  task.SetOnTerminate([&](TObject*) { ++terminated; });
  task.Start();
  // The failed run has cleared Started on its worker; its end-of-run call waits for this thread.
  ASSERT_TRUE(TMainThread::Instance().WaitForPending(1, kWaitLimit));
  ASSERT_FALSE(task.State().Started);
  task.Start();
  ASSERT_TRUE(WaitUntil([&] { return secondRunBegun.load(); }));
  // The first run's end-of-run call ran before the second worker began, never after it.
  EXPECT_EQ(terminated, 1);
  EXPECT_TRUE(task.State().Started);
  secondRunMayEnd.Open();
  ASSERT_TRUE(WaitForEnd(task));
  EXPECT_EQ(terminated, 2);
}

TEST(CustomTask, NoThreadForAStartRaisesAndLeavesTheTaskNotStarted) {
  TTestTask task([](TTestTask& t) { t.SetText(u"ok"); });
  TNotifyThread::FailNextCreationsForTesting(1);
  EXPECT_THROW(task.Start(), EError);
  EXPECT_FALSE(task.State().Started);
  task.Start();
  ASSERT_TRUE(WaitForEnd(task));
  EXPECT_EQ(task.State().Text.Get(), u"ok");
}

TEST(CustomTask, ManyStartStopDestroyCyclesEndCleanly) {
  constexpr int kTasks = 24;
  constexpr int kRounds = 15;
  std::atomic<int> bodies{0};
  for (int round = 0; round < kRounds; ++round) {
    std::vector<std::unique_ptr<TTestTask>> tasks;
    for (int i = 0; i < kTasks; ++i) {
      tasks.push_back(std::make_unique<TTestTask>([&](TTestTask& t) {
        ++bodies;
        t.SetStepCount(100);
        for (int step = 0; step < 100; ++step) {
          t.CheckStopped();
          t.NextStep();
          t.SetText(u"шаг");
        }
      }));
      tasks.back()->Start();
    }
    for (int i = 0; i < kTasks; i += 2) {
      tasks[static_cast<size_t>(i)]->Stop();
    }
    for (int i = 0; i < kTasks; i += 3) {
      tasks[static_cast<size_t>(i)]->Start();
    }
    // Read the states as the window does while the workers write them.
    for (const auto& task : tasks) {
      (void)task->State().Text.Get();
      (void)task->State().Step.load();
    }
    if (round % 2 == 0) {
      for (const auto& task : tasks) {
        ASSERT_TRUE(WaitForEnd(*task));
        EXPECT_EQ(task->State().Step, 100);
      }
    }
    tasks.clear();
  }
  EXPECT_GE(bodies, kTasks * kRounds / 2);
  EXPECT_EQ(TMainThread::Instance().Drain(), 0u);
}

}  // namespace
}  // namespace kelvane::test
