#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kelvane {

// A row's state as it is shown while the update runs; Step of StepCount is its real progress,
// also for a row that failed or was stopped.
struct TLiveRow {
  std::int32_t ComNumber = 0;
  std::u16string Percent;
  std::u16string Text;
  std::int32_t Step = 0;
  std::int32_t StepCount = 0;
  bool Ended = false;
  bool Failed = false;
};

// One register's line: the port, a progress bar, the percentage, the step text; at most AWidth
// characters when AWidth is given.
std::string LiveLine(const TLiveRow& ARow, std::optional<size_t> AWidth = std::nullopt);

// Shows the rows as an update runs. On a terminal one line per register, redrawn in place and cut
// to the terminal's width; when the rows do not fit its height, one summary line redrawn at the
// bottom with a line above it for each row that changed. To a file or a pipe one plain line per
// row at each change of step and of ten per cent.
class TLiveDisplay {
 public:
  using TSize = std::function<std::optional<std::pair<int, int>>()>;
  TLiveDisplay(bool ATerminal, TSize ASize, std::function<void(const std::string&)> AWrite);
  void Show(const std::vector<TLiveRow>& ARows);
  // Writes a message on lines of its own, the rows drawn again below it.
  void Message(const std::string& AText);
  // Ends the display: what follows starts on a line of its own.
  void Finish();

 private:
  bool Changed(size_t AIndex, const TLiveRow& ARow);

  bool FTerminal;
  TSize FSize;
  std::function<void(const std::string&)> FWrite;
  // Lines of the block drawn last, to go back over; whether a summary line stands at the bottom.
  size_t FDrawn = 0;
  bool FSummary = false;
  // The terminal's width then, and the characters of each line of it still on the screen, so
  // that a change of width is drawn over cleanly.
  size_t FColumns = 0;
  std::vector<size_t> FLengths;
  std::vector<std::pair<std::u16string, std::int32_t>> FShown;
};

}  // namespace kelvane
