#include "tasks/MainThread.h"

namespace kelvane {

TMainThread& TMainThread::Instance() {
  static TMainThread instance;
  return instance;
}

TMainThread::TMainThread() : FMainThreadId(std::this_thread::get_id()) {
}

void TMainThread::BindToCurrentThread() {
  FMainThreadId.store(std::this_thread::get_id());
}

bool TMainThread::IsCurrent() const {
  return FMainThreadId.load() == std::this_thread::get_id();
}

void TMainThread::Synchronize(const std::function<void()>& ACall) {
  if (IsCurrent()) {
    ACall();
    return;
  }
  TPending pending{&ACall, false, nullptr};
  std::function<void()> wakeup;
  {
    std::lock_guard lock(FMutex);
    FQueue.push_back(&pending);
    wakeup = FWakeup;
  }
  FMainWake.notify_all();
  if (wakeup) {
    wakeup();
  }
  std::unique_lock lock(FMutex);
  FWorkerWake.wait(lock, [&] { return pending.Done; });
  if (pending.Error) {
    std::rethrow_exception(pending.Error);
  }
}

size_t TMainThread::Drain() {
  size_t count = 0;
  for (;;) {
    TPending* pending = nullptr;
    {
      std::lock_guard lock(FMutex);
      if (FQueue.empty()) {
        return count;
      }
      pending = FQueue.front();
      FQueue.pop_front();
    }
    std::exception_ptr error;
    try {
      (*pending->Call)();
    } catch (...) {
      error = std::current_exception();
    }
    {
      std::lock_guard lock(FMutex);
      pending->Error = error;
      pending->Done = true;
    }
    FWorkerWake.notify_all();
    ++count;
  }
}

bool TMainThread::WaitWhileDraining(const std::function<bool()>& ADone,
                                    std::optional<std::chrono::milliseconds> ATimeout) {
  const auto deadline =
      std::chrono::steady_clock::now() + ATimeout.value_or(std::chrono::milliseconds::zero());
  for (;;) {
    Drain();
    std::unique_lock lock(FMutex);
    const auto ready = [&] { return !FQueue.empty() || ADone(); };
    if (ATimeout) {
      if (!FMainWake.wait_until(lock, deadline, ready)) {
        return false;
      }
    } else {
      FMainWake.wait(lock, ready);
    }
    if (FQueue.empty()) {
      return true;
    }
  }
}

void TMainThread::Notify() {
  { std::lock_guard lock(FMutex); }
  FMainWake.notify_all();
}

bool TMainThread::WaitForPending(size_t ACount, std::chrono::milliseconds ATimeout) {
  std::unique_lock lock(FMutex);
  return FMainWake.wait_for(lock, ATimeout, [&] { return FQueue.size() >= ACount; });
}

void TMainThread::SetWakeup(std::function<void()> AWakeup) {
  std::lock_guard lock(FMutex);
  FWakeup = std::move(AWakeup);
}

}  // namespace kelvane
