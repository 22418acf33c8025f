#pragma once

namespace kelvane {

// Keeps the workstation from falling asleep while AValue holds: a register whose block transfer
// stops half-way is left without working firmware. Called on one thread (the window's), whose
// request it is; false withdraws it.
void SetSystemAwakeRequired(bool AValue);
// The last request made, so that a test can see that none is left standing.
bool SystemAwakeRequested();

}  // namespace kelvane
