#include "tasks/CustomTask.h"

#include "platform/ComApartment.h"
#include "platform/Error.h"

namespace kelvane {

TCustomTask::TCustomTask() = default;

TCustomTask::~TCustomTask() {
  StopAndWait();
}

void TCustomTask::Start() {
  if (FState.Started.load()) {
    return;
  }
  FStopFlag.store(false);
  // Waiting for the previous worker, its end-of-run call included, keeps a late end-of-run call
  // from clearing Started of the new run, and a task from ever having two workers.
  ReleaseThread();
  FState.Finished.store(false, std::memory_order_release);
  FState.Started.store(true);
  try {
    FThread = StartWorker([this](TObject*) { RunTask(); }, [this](TObject*) { TaskTerminated(); });
  } catch (...) {
    // A task left started without a worker would keep its owner busy for ever.
    FThread.reset();
    FState.Started.store(false);
    throw;
  }
}

void TCustomTask::Stop() {
  FStopFlag.store(true);
}

void TCustomTask::DoExecute() {
}

void TCustomTask::CheckStopped() const {
  if (FStopFlag.load()) {
    throw EAbort();
  }
}

void TCustomTask::IncStep(std::int32_t AInc) {
  FState.Step.fetch_add(AInc);
}

void TCustomTask::NextStep() {
  IncStep(1);
}

void TCustomTask::SetText(std::u16string AText) {
  FState.Text.Set(std::move(AText));
}

void TCustomTask::SetStepCount(std::int32_t AValue) {
  FState.StepCount.store(AValue);
}

void TCustomTask::SetStep(std::int32_t AValue) {
  FState.Step.store(AValue);
}

void TCustomTask::StopAndWait() {
  FStopFlag.store(true);
  ReleaseThread();
}

void TCustomTask::ReleaseThread() {
  FThread.reset();
}

void TCustomTask::RunTask() {
  TComApartment apartment;
  try {
    DoExecute();
  } catch (...) {
    apartment.Release();
    // Everything of a failed run is written before Finished is published, so that a reader
    // who sees Finished never pairs it with a stale Succeded of the previous run.
    std::u16string text;
    TRunEnd end;
    end.StepReached = FState.Step.load();
    try {
      throw;
    } catch (const EAbort&) {
      text = EAbort::Text();
      end.Kind = TRunEnd::Stopped;
    } catch (...) {
      end.Kind = TRunEnd::Failed;
      end.ErrorMessage = CurrentExceptionMessage();
      text = u"Ошибка: " + end.ErrorMessage;
    }
    SetRunEnd(std::move(end));
    FState.Succeded.store(false);
    FState.Text.Set(std::move(text));
    FState.Step.store(FState.StepCount.load());
    FState.Finished.store(true, std::memory_order_release);
    FState.Started.store(false);
    if (FOnException) {
      FOnException(this);
    }
    return;
  }
  SetRunEnd({TRunEnd::Succeeded, {}, FState.Step.load()});
  FState.Succeded.store(true);
  FState.Finished.store(true, std::memory_order_release);
  FState.Step.store(FState.StepCount.load());
  apartment.Release();
}

TRunEnd TCustomTask::LastRunEnd() const {
  std::lock_guard lock(FRunEndMutex);
  return FRunEnd;
}

void TCustomTask::SetRunEnd(TRunEnd AEnd) {
  std::lock_guard lock(FRunEndMutex);
  FRunEnd = std::move(AEnd);
}

void TCustomTask::TaskTerminated() {
  FState.Started.store(false);
  if (FOnTerminate) {
    FOnTerminate(this);
  }
}

}  // namespace kelvane
