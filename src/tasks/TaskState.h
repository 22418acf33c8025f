#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace kelvane {

// A text that one thread replaces while others read it: a reader gets a copy of the old text or
// of the new one, whole.
class TSharedText {
 public:
  std::u16string Get() const;
  void Set(std::u16string AText);

 private:
  mutable std::mutex FMutex;
  std::u16string FText;
};

// The state record of a task. Its worker writes it; any thread may read any field at any time.
// Finished is published with release and read with acquire: whoever sees it set also sees what
// the run wrote before it.
struct TTaskState {
  std::atomic<bool> Started{false};
  std::atomic<bool> Finished{false};
  std::atomic<bool> Succeded{false};
  TSharedText Text;
  std::atomic<std::int32_t> StepCount{0};
  std::atomic<std::int32_t> Step{0};
};

}  // namespace kelvane
