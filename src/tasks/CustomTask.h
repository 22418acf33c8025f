#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "tasks/NotifyEvent.h"
#include "tasks/NotifyThread.h"
#include "tasks/TaskState.h"

namespace kelvane {

// The base of every background task: a state record, a stop flag and at most one worker thread.
// A task runs its body, DoExecute, on a new worker thread at every Start, any number of times.
//
// A derived class must call StopAndWait() first thing in its destructor: the body is a virtual
// of the derived object and must have ended before the derived part is torn down.
// How a task's last run ended, as data for its owner; the state's Text says it to the operator.
struct TRunEnd {
  enum TKind { NotRun, Succeeded, Stopped, Failed };
  TKind Kind = NotRun;
  // The message of the error that ended a failed run, without the state text's prefix.
  std::u16string ErrorMessage;
  // Step when the body ended, before the engine set it to StepCount.
  std::int32_t StepReached = 0;
};

class TCustomTask : public TObject {
 public:
  TCustomTask();
  ~TCustomTask() override;
  TCustomTask(const TCustomTask&) = delete;
  TCustomTask& operator=(const TCustomTask&) = delete;

  // Starts a run unless one is started. On the main thread it may wait for the previous worker
  // (running its hand-over calls meanwhile). Raises EError, and leaves the task not started, when
  // no thread can be created.
  void Start();
  // Asks the running body to stop at its next CheckStopped; does not wait.
  void Stop();

  const TTaskState& State() const { return FState; }
  // How the last run ended; written before Finished is published, so whoever has seen the end
  // of a run reads that run's.
  TRunEnd LastRunEnd() const;
  // True when no worker is alive: none was started, or the last one has ended completely, its
  // end-of-run call included. Destroying the task then does not wait. For the task's owner.
  bool WorkerEnded() const { return !FThread || FThread->Ended(); }

  const TNotifyEvent& OnTerminate() const { return FOnTerminate; }
  void SetOnTerminate(TNotifyEvent AValue) { FOnTerminate = std::move(AValue); }
  const TNotifyEvent& OnException() const { return FOnException; }
  void SetOnException(TNotifyEvent AValue) { FOnException = std::move(AValue); }

 protected:
  // The body, on the worker thread. Returns on success, raises on failure. Does nothing here.
  virtual void DoExecute();

  // For bodies: raises EAbort when a stop was asked for.
  void CheckStopped() const;
  void IncStep(std::int32_t AInc);
  void NextStep();
  void SetText(std::u16string AText);
  void SetStepCount(std::int32_t AValue);
  void SetStep(std::int32_t AValue);

  // Sets the stop flag and waits for the worker to end (the teardown of a destroyed task).
  void StopAndWait();

 private:
  void RunTask();
  void SetRunEnd(TRunEnd AEnd);
  void TaskTerminated();
  void ReleaseThread();

  TNotifyEvent FOnTerminate;
  TNotifyEvent FOnException;
  std::unique_ptr<TNotifyThread> FThread;
  TTaskState FState;
  std::atomic<bool> FStopFlag{false};
  mutable std::mutex FRunEndMutex;
  TRunEnd FRunEnd;
};

}  // namespace kelvane
