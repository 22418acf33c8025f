#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "driver/TarvikFactory.h"

namespace kelvane::test {

// What a scenario does to its register, in order: an identification, an update, an update that
// also imports the tables file.
enum class TScenarioStep { Search, Update, UpdateWithTables };

// A stop requested while the Call-th call (from 1) of Method in the scenario's last step runs.
struct TScenarioStop {
  TTarvikMethod Method;
  int Call = 1;
};

// One register, what is done to it, and what must come of it, on every path to the driver.
struct TScenario {
  std::string Name;
  // The attributes of the register, beyond the ones every scenario's register has, and its
  // <fault> elements.
  std::string Attributes;
  std::string Faults;
  std::vector<TScenarioStep> Steps;
  // fw_3105.bin holds build 3105; fw_3106.bin holds build 3105 too, so its version check fails.
  // Empty: fw_3105.bin.
  std::string Firmware;
  std::optional<TScenarioStop> Stop;
  // The driver's methods called, a run of N calls of one method written "Name×N", the steps
  // apart by " | "; and the final text of each step (a search that succeeds: what it found).
  std::string Calls;
  std::vector<std::u16string> Texts;
  // The protocol of an update that no identification came before.
  std::int32_t Protocol = 1;
};

struct TScenarioOutcome {
  std::string Calls;
  std::vector<std::u16string> Texts;
  // Every property write, property read (with the value read) and call, in order; the
  // register's clock, which runs on its own, is left out.
  std::vector<std::string> Log;
};

const std::vector<TScenario>& ProcedureScenarios();

// The port of the scenario at that index in the table: each scenario has a register of its own.
std::int32_t ScenarioPort(size_t AIndex);
// The <port> element of that scenario, for a bench file.
std::string ScenarioPortXml(size_t AIndex);
// A whole bench of the given ports.
std::string ScenarioBench(const std::string& APortsXml);

// Runs the scenario on its port with controls that AControls makes: the procedures' tasks run
// as the window runs them, this thread playing the main thread, on a fake clock.
TScenarioOutcome RunScenario(size_t AIndex, const TTarvikFactory& AControls,
                             const std::filesystem::path& AFolder);

}  // namespace kelvane::test
