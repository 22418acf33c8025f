#include "cli/LiveDisplay.h"

#include <algorithm>

#include "platform/Text.h"

namespace kelvane {

std::string LiveLine(const TLiveRow& ARow) {
  constexpr int kBar = 20;
  const double share =
      ARow.StepCount > 0
          ? std::clamp(static_cast<double>(ARow.Step) / static_cast<double>(ARow.StepCount), 0.0,
                       1.0)
          : 0.0;
  const int filled = static_cast<int>(share * kBar);
  std::string port = "COM" + std::to_string(ARow.ComNumber);
  port.resize(std::max<size_t>(port.size(), 6), ' ');
  std::string percent = ToUtf8(ARow.Percent);
  percent.insert(0, std::max<size_t>(4, percent.size()) - percent.size(), ' ');
  return port + " [" + std::string(static_cast<size_t>(filled), '#') +
         std::string(static_cast<size_t>(kBar - filled), '.') + "] " + percent + "  " +
         ToUtf8(ARow.Text);
}

TLiveDisplay::TLiveDisplay(bool ATerminal, std::function<void(const std::string&)> AWrite)
    : FTerminal(ATerminal), FWrite(std::move(AWrite)) {
}

void TLiveDisplay::Show(const std::vector<TLiveRow>& ARows) {
  if (FTerminal) {
    // Back to the first line drawn, then each line anew.
    std::string out = FDrawn > 0 ? "\x1b[" + std::to_string(FDrawn) + "A" : "";
    for (const TLiveRow& row : ARows) {
      out += "\r\x1b[2K" + LiveLine(row) + "\n";
    }
    FDrawn = ARows.size();
    FWrite(out);
    return;
  }
  FShownTexts.resize(ARows.size());
  for (size_t i = 0; i < ARows.size(); ++i) {
    if (ARows[i].Text != FShownTexts[i] && !ARows[i].Text.empty()) {
      FShownTexts[i] = ARows[i].Text;
      FWrite(LiveLine(ARows[i]) + "\n");
    }
  }
}

}  // namespace kelvane
