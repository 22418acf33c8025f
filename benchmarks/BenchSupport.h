#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/Clock.h"

namespace kelvane::bench {

// The install pause would dwarf everything measured; it passes at once.
class TNoPauseClock final : public TClock {
 public:
  TDateTime LocalNow() override { return SystemLocalNow(); }
  std::chrono::milliseconds SteadyNow() override;
  void Sleep(std::chrono::milliseconds) override {}
};

// A firmware image of APayload bytes after its header, in the temporary folder.
std::u16string WriteFirmware(size_t APayload);

// Registers on ACount ports from AFirst on, each register element carrying AAttributes besides
// its own, as the bench, the driver and the port list of every task.
void UseBench(int ACount, const std::string& AAttributes = {}, int AFirst = 1);

// Updates of ports 1..ACount at once with AFile, until every one has ended.
void RunUpdates(int ACount, const std::u16string& AFile);

// Seconds since the steady clock's epoch.
double Now();

// The process's resident memory: its peak since the last reset, in MiB; and the reset.
double PeakResidentMiB();
double ResidentMiB();
void ResetPeakResident();
// The threads of the process now.
int ThreadCount();

}  // namespace kelvane::bench
