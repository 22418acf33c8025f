#include "tasks/TaskState.h"

namespace kelvane {

std::u16string TSharedText::Get() const {
  std::lock_guard lock(FMutex);
  return FText;
}

void TSharedText::Set(std::u16string AText) {
  std::lock_guard lock(FMutex);
  FText.swap(AText);
}

}  // namespace kelvane
