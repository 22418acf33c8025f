#include "session/RowProgress.h"

#include <cmath>

#include "platform/Text.h"

namespace kelvane {

std::optional<TRowCells> RowCells(const TTaskState& AState) {
  const bool finished = AState.Finished.load(std::memory_order_acquire);
  if (finished && !AState.Succeded.load()) {
    return TRowCells{u"---", AState.Text.Get()};
  }
  if (AState.Started.load() || finished) {
    return TRowCells{PercentText(AState.Step.load(), AState.StepCount.load()), AState.Text.Get()};
  }
  return std::nullopt;
}

double PercentOf(std::int32_t AStep, std::int32_t AStepCount) {
  return AStepCount <= 0 ? 0 : static_cast<double>(AStep) / static_cast<double>(AStepCount) * 100.0;
}

std::u16string PercentText(std::int32_t AStep, std::int32_t AStepCount) {
  return IntToStr(static_cast<std::int64_t>(std::trunc(PercentOf(AStep, AStepCount)))) + u"%";
}

}  // namespace kelvane
