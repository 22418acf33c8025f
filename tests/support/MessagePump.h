#pragma once

#include <functional>

namespace kelvane::test {

// Windows: runs the thread's messages until the condition holds; false when the generous limit
// passed first.
bool PumpUntil(const std::function<bool()>& ACondition);

}  // namespace kelvane::test
