#pragma once

#include <optional>
#include <string>

#include "tasks/TaskState.h"

namespace kelvane {

// What a row shows for its task: the "%" cell and the state cell.
struct TRowCells {
  std::u16string Percent;
  std::u16string State;
};

// The cells for a task's state; nothing for a task that was never started, whose row keeps what
// it was given when it was made.
std::optional<TRowCells> RowCells(const TTaskState& AState);

// Step of StepCount in percent: the division first, in floating point, then the product with
// 100; 0 when StepCount is not positive.
double PercentOf(std::int32_t AStep, std::int32_t AStepCount);

// Step of StepCount in whole percent: the division first, in floating point, then the product
// with 100, truncated toward zero; "0%" when StepCount is not positive.
std::u16string PercentText(std::int32_t AStep, std::int32_t AStepCount);

}  // namespace kelvane
