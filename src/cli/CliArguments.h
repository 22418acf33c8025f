#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Error.h"

namespace kelvane {

// What an update is asked to do.
struct TUpdateChoice {
  std::u16string Firmware;
  std::optional<std::u16string> Tables;
  // Empty: every identified register.
  std::vector<std::int32_t> Ports;
  std::vector<std::u16string> Serials;
};

// What the command line asks of kelvane-cli.
struct TCliCommand {
  enum TKind { Search, Update, Journal, Help, Version };
  TKind Kind = Search;
  // search --json, journal --json: the ports or the records as JSON.
  bool Json = false;
  // update --dry-run: identify, check the inputs, say what would be updated, and update nothing.
  bool DryRun = false;
  // update --allow-build-0: a firmware whose name carries no build, for a register that really
  // reports build 0.
  bool AllowBuild0 = false;
  TUpdateChoice Choice;
  std::optional<std::u16string> Report;
  // journal: the records of runs that ended on that day or later, of that serial.
  std::optional<TDateTimeParts> Since;
  std::optional<std::u16string> Serial;
  // journal --xlsx: the records into that workbook.
  std::optional<std::u16string> Workbook;
};

// A command line that asks nothing the program can do; its message names the bad item alone.
class ECliUsage : public EError {
 public:
  using EError::EError;
};

// The command from the arguments (the program's name left out). Raises ECliUsage.
TCliCommand ParseCliArguments(const std::vector<std::u16string>& AArguments);

// What --help prints.
std::string CliHelpText();

}  // namespace kelvane
