#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "tasks/CustomTask.h"

namespace kelvane::test {

// A one-shot door a thread can wait at until another opens it.
class TGate {
 public:
  void Open();
  void Wait() const;
  // False when the time passed with the gate still shut.
  bool WaitFor(std::chrono::milliseconds ATime) const;

 private:
  mutable std::mutex FMutex;
  mutable std::condition_variable FChanged;
  bool FOpen = false;
};

// A task whose body is a function of the test.
class TTestTask final : public TCustomTask {
 public:
  using TBody = std::function<void(TTestTask&)>;

  explicit TTestTask(TBody ABody = {}) : FBody(std::move(ABody)) {}
  ~TTestTask() override { StopAndWait(); }

  using TCustomTask::CheckStopped;
  using TCustomTask::IncStep;
  using TCustomTask::NextStep;
  using TCustomTask::SetStep;
  using TCustomTask::SetStepCount;
  using TCustomTask::SetText;

  void SetBody(TBody ABody) { FBody = std::move(ABody); }

 protected:
  void DoExecute() override {
    if (FBody) {
      FBody(*this);
    }
  }

 private:
  TBody FBody;
};

}  // namespace kelvane::test
