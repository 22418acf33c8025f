#include "tasks/NotifyThread.h"

#include <system_error>

#include "platform/Error.h"
#include "platform/Text.h"
#include "tasks/MainThread.h"

namespace kelvane {

namespace {

std::atomic<int> failNextCreations{0};

bool TakeInjectedFailure() {
  int remaining = failNextCreations.load();
  while (remaining > 0 && !failNextCreations.compare_exchange_weak(remaining, remaining - 1)) {
  }
  return remaining > 0;
}

}  // namespace

TNotifyThread::TNotifyThread(TNotifyEvent AOnExecute) : FOnExecute(std::move(AOnExecute)) {
}

TNotifyThread::~TNotifyThread() {
  WaitFor();
}

void TNotifyThread::Resume() {
  if (FThread.joinable() || Ended()) {
    return;
  }
  try {
    if (TakeInjectedFailure()) {
      throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    }
    FThread = std::thread([this] { Execute(); });
  } catch (const std::system_error& e) {
    throw EError(u"Не удалось создать поток: " + FromUtf8(e.what()));
  }
}

void TNotifyThread::Execute() {
  // Nobody above this thread could handle an error: the task engine reports the body's own
  // errors in its state, and an event handler that raises here has nowhere to go.
  try {
    if (FOnExecute) {
      FOnExecute(this);
    }
  } catch (...) {
  }
  try {
    if (FOnTerminate) {
      TMainThread::Instance().Synchronize([this] { FOnTerminate(this); });
    }
  } catch (...) {
  }
  FEnded.store(true, std::memory_order_release);
  TMainThread::Instance().Notify();
}

void TNotifyThread::WaitFor() {
  if (!FThread.joinable()) {
    return;
  }
  TMainThread& mainThread = TMainThread::Instance();
  if (mainThread.IsCurrent()) {
    mainThread.WaitWhileDraining([this] { return Ended(); });
  }
  FThread.join();
}

void TNotifyThread::FailNextCreationsForTesting(int ACount) {
  failNextCreations.store(ACount);
}

std::unique_ptr<TNotifyThread> StartWorker(TNotifyEvent AOnExecute, TNotifyEvent AOnTerminate) {
  auto thread = std::make_unique<TNotifyThread>(std::move(AOnExecute));
  thread->SetOnTerminate(std::move(AOnTerminate));
  thread->Resume();
  return thread;
}

}  // namespace kelvane
