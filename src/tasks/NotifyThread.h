#pragma once

#include <atomic>
#include <thread>

#include "tasks/NotifyEvent.h"

namespace kelvane {

// A worker thread that runs one event. It is created suspended and owned by whoever created it:
// it never frees itself. Its OnTerminate runs on the main thread after OnExecute, while the
// worker waits for it.
class TNotifyThread : public TObject {
 public:
  // Creates the thread suspended: nothing runs until Resume.
  explicit TNotifyThread(TNotifyEvent AOnExecute);
  // Waits for the thread to end (WaitFor).
  ~TNotifyThread() override;
  TNotifyThread(const TNotifyThread&) = delete;
  TNotifyThread& operator=(const TNotifyThread&) = delete;

  const TNotifyEvent& OnExecute() const { return FOnExecute; }
  void SetOnExecute(TNotifyEvent AValue) { FOnExecute = std::move(AValue); }
  const TNotifyEvent& OnTerminate() const { return FOnTerminate; }
  void SetOnTerminate(TNotifyEvent AValue) { FOnTerminate = std::move(AValue); }

  // Starts the operating-system thread; raises EError when it cannot be created.
  void Resume();
  // Waits until the thread has ended, its OnTerminate included. The main thread runs the
  // hand-over calls of every worker meanwhile, so that this one can end.
  void WaitFor();
  // True once the thread has run everything it will run; WaitFor then returns at once.
  bool Ended() const { return FEnded.load(std::memory_order_acquire); }

  // Tests only: the next ACount thread creations fail as if the system had no threads left.
  static void FailNextCreationsForTesting(int ACount);

 private:
  void Execute();

  TNotifyEvent FOnExecute;
  TNotifyEvent FOnTerminate;
  std::thread FThread;
  std::atomic<bool> FEnded{false};
};

// Creates a suspended thread with AOnExecute, sets its OnTerminate, resumes it and returns it.
// The caller owns the thread.
std::unique_ptr<TNotifyThread> StartWorker(TNotifyEvent AOnExecute, TNotifyEvent AOnTerminate);

}  // namespace kelvane
