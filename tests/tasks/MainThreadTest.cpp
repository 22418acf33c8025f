#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "platform/Error.h"
#include "support/Waiting.h"
#include "tasks/MainThread.h"

namespace kelvane::test {
namespace {

TEST(MainThread, WorkerCallRunsOnTheMainThreadAndTheWorkerWaitsForIt) {
  TMainThread& mainThread = TMainThread::Instance();
  std::thread::id ranOn;
  std::atomic<bool> workerResumed{false};
  std::thread worker([&] {
    mainThread.Synchronize([&] { ranOn = std::this_thread::get_id(); });
    workerResumed = true;
  });
  ASSERT_TRUE(WaitUntil([&] { return workerResumed.load(); }));
  worker.join();
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(MainThread, ErrorOfAHandedOverCallReachesTheWorker) {
  TMainThread& mainThread = TMainThread::Instance();
  std::atomic<bool> caught{false};
  std::thread worker([&] {
    try {
      mainThread.Synchronize([] { throw EError(u"сбой"); });
    } catch (const EError& e) {
      caught = e.Message() == u"сбой";
    }
  });
  EXPECT_TRUE(WaitUntil([&] { return caught.load(); }));
  worker.join();
}

TEST(MainThread, OnTheMainThreadItselfACallRunsAtOnce) {
  int calls = 0;
  TMainThread::Instance().Synchronize([&] { ++calls; });
  EXPECT_EQ(calls, 1);
}

TEST(MainThread, WakeupIsCalledForEveryHandOver) {
  TMainThread& mainThread = TMainThread::Instance();
  std::atomic<int> wakeups{0};
  mainThread.SetWakeup([&] { ++wakeups; });
  std::atomic<bool> done{false};
  std::thread worker([&] {
    mainThread.Synchronize([] {});
    mainThread.Synchronize([] {});
    done = true;
  });
  ASSERT_TRUE(WaitUntil([&] { return done.load(); }));
  worker.join();
  mainThread.SetWakeup({});
  EXPECT_EQ(wakeups, 2);
}

}  // namespace
}  // namespace kelvane::test
