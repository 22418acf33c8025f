#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace kelvane {

// The hand-over of calls from worker threads to the main thread. A worker hands a call over and
// blocks until the main thread has run it. The main thread runs such calls from its event loop
// (Drain), and while it waits for a worker it runs them and nothing else (WaitWhileDraining).
class TMainThread {
 public:
  static TMainThread& Instance();

  // Makes the calling thread the main thread. Until then it is the first thread that used the
  // hand-over.
  void BindToCurrentThread();
  bool IsCurrent() const;

  // Runs ACall on the main thread and returns when it has run; an error it raised is raised
  // here. Called on the main thread, it runs ACall at once.
  void Synchronize(const std::function<void()>& ACall);

  // Main thread: runs every call handed over so far, in order. Returns how many ran.
  size_t Drain();

  // Main thread: waits until ADone yields true, running handed-over calls meanwhile. ADone is
  // evaluated under the hand-over's lock, so it must only read flags; whoever makes it true calls
  // Notify afterwards. With a timeout, returns false when it passed first.
  bool WaitWhileDraining(const std::function<bool()>& ADone,
                         std::optional<std::chrono::milliseconds> ATimeout = std::nullopt);
  void Notify();

  // Waits, without running them, until ACount calls are waiting to be handed over. False when the
  // timeout passed first. For tests that need workers held at their end-of-run call.
  bool WaitForPending(size_t ACount, std::chrono::milliseconds ATimeout);

  // Called on the handing thread each time a call is handed over, so that an event loop can
  // schedule a Drain. Set it while no worker runs.
  void SetWakeup(std::function<void()> AWakeup);

 private:
  struct TPending {
    const std::function<void()>* Call;
    bool Done = false;
    std::exception_ptr Error;
  };

  TMainThread();

  std::atomic<std::thread::id> FMainThreadId;
  std::mutex FMutex;
  std::condition_variable FMainWake;
  std::condition_variable FWorkerWake;
  std::deque<TPending*> FQueue;
  std::function<void()> FWakeup;
};

}  // namespace kelvane
