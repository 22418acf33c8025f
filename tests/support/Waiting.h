#pragma once

#include <chrono>
#include <functional>

#include "tasks/CustomTask.h"

namespace kelvane::test {

// Generous: only a hung test ever reaches it.
constexpr std::chrono::seconds kWaitLimit{60};

// Plays the main thread until ACondition holds: runs the workers' hand-over calls meanwhile.
// False when the limit passed first.
bool WaitUntil(const std::function<bool()>& ACondition,
               std::chrono::milliseconds ALimit = kWaitLimit);

// Waits until the task's run has ended: Finished set and Started clear.
bool WaitForEnd(const TCustomTask& ATask, std::chrono::milliseconds ALimit = kWaitLimit);

}  // namespace kelvane::test
