#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/BatchRun.h"
#include "platform/Error.h"

namespace kelvane {

// What the command line asks of kelvane-cli.
struct TCliCommand {
  enum TKind { Search, Update, Help, Version };
  TKind Kind = Search;
  TUpdateChoice Choice;
  std::optional<std::u16string> Report;
  // For Help: the text to print.
  std::string Text;
};

// A command line that asks nothing the program can do; its message is one line.
class ECliUsage : public EError {
 public:
  using EError::EError;
};

// The command from the arguments (UTF-8, the program's name left out). Raises ECliUsage.
TCliCommand ParseCliArguments(const std::vector<std::string>& AArguments);

}  // namespace kelvane
