#include <gtest/gtest.h>

#include "tasks/MainThread.h"

int main(int argc, char** argv) {
  // The test thread plays the main thread: it runs the workers' hand-over calls while it waits.
  kelvane::TMainThread::Instance().BindToCurrentThread();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
