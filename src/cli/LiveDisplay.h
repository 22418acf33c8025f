#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/BatchRun.h"

namespace kelvane {

// One register's line: the port, a progress bar, the percentage, the step text.
std::string LiveLine(const TLiveRow& ARow);

// Shows the rows as an update runs: on a terminal one line per register, redrawn in place; to a
// file or a pipe one plain line per change of a register's step.
class TLiveDisplay {
 public:
  TLiveDisplay(bool ATerminal, std::function<void(const std::string&)> AWrite);
  void Show(const std::vector<TLiveRow>& ARows);

 private:
  bool FTerminal;
  std::function<void(const std::string&)> FWrite;
  size_t FDrawn = 0;
  std::vector<std::u16string> FShownTexts;
};

}  // namespace kelvane
