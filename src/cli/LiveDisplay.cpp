#include "cli/LiveDisplay.h"

#include <algorithm>

#include "discovery/USBUtils.h"
#include "platform/Text.h"

namespace kelvane {

namespace {

constexpr int kBar = 20;

double Share(const TLiveRow& ARow) {
  return ARow.StepCount > 0 ? std::clamp(static_cast<double>(ARow.Step) /
                                             static_cast<double>(ARow.StepCount),
                                         0.0, 1.0)
                            : 0.0;
}

// The text cut to AWidth characters (code points; the texts hold no wide ones), ending with "…"
// where it was cut, so that a cut line is never taken for a whole one.
std::u16string Cut(std::u16string AText, size_t AWidth) {
  size_t points = 0;
  size_t lastStart = 0;
  for (size_t i = 0; i < AText.size(); ++i) {
    const bool trailing = AText[i] >= 0xDC00 && AText[i] <= 0xDFFF;
    if (trailing) {
      continue;
    }
    if (points++ == AWidth) {
      AText.resize(AWidth > 0 ? lastStart : 0);
      if (AWidth > 0) {
        AText += u'…';
      }
      break;
    }
    lastStart = i;
  }
  return AText;
}

}  // namespace

std::string LiveLine(const TLiveRow& ARow, std::optional<size_t> AWidth) {
  const int filled = static_cast<int>(Share(ARow) * kBar);
  std::u16string port = ComPortName(ARow.ComNumber);
  port.resize(std::max<size_t>(port.size(), 6), u' ');
  std::u16string percent = ARow.Percent;
  percent.insert(0, std::max<size_t>(4, percent.size()) - percent.size(), u' ');
  std::u16string line = port + u" [" + std::u16string(static_cast<size_t>(filled), u'#') +
                        std::u16string(static_cast<size_t>(kBar - filled), u'.') + u"] " +
                        percent + u"  " + ARow.Text;
  return ToUtf8(AWidth ? Cut(std::move(line), *AWidth) : line);
}

TLiveDisplay::TLiveDisplay(bool ATerminal, TSize ASize,
                           std::function<void(const std::string&)> AWrite)
    : FTerminal(ATerminal), FSize(std::move(ASize)), FWrite(std::move(AWrite)) {
}

bool TLiveDisplay::Changed(size_t AIndex, const TLiveRow& ARow) {
  FShown.resize(std::max(FShown.size(), AIndex + 1), {u"", -1});
  const std::int32_t tenth = static_cast<std::int32_t>(Share(ARow) * 10);
  if (FShown[AIndex].first == ARow.Text && FShown[AIndex].second == tenth) {
    return false;
  }
  FShown[AIndex] = {ARow.Text, tenth};
  return !ARow.Text.empty();
}

void TLiveDisplay::Show(const std::vector<TLiveRow>& ARows) {
  if (!FTerminal) {
    for (size_t i = 0; i < ARows.size(); ++i) {
      if (Changed(i, ARows[i])) {
        FWrite(LiveLine(ARows[i]) + "\n");
      }
    }
    return;
  }
  const std::optional<std::pair<int, int>> size = FSize();
  // The last column is left free: a line that reaches it wraps on some terminals.
  const size_t columns = size && size->first > 1 ? static_cast<size_t>(size->first) : 80;
  const size_t width = columns - 1;
  const size_t height = size && size->second > 1 ? static_cast<size_t>(size->second) : 24;
  std::string out = FSummary ? "\r\x1b[2K" : FDrawn > 0 ? "\x1b[" + std::to_string(FDrawn) + "A" : "";
  if (FColumns != 0 && columns != FColumns) {
    // A narrower terminal has wrapped what was drawn: back over every row it takes now, and
    // clear to the end of the screen.
    size_t rows = 0;
    for (const size_t length : FLengths) {
      rows += std::max<size_t>(1, (length + columns - 1) / columns);
    }
    rows -= FSummary && rows > 0 ? 1 : 0;
    out = (rows > 0 ? "\x1b[" + std::to_string(rows) + "A" : std::string()) + "\r\x1b[J";
  }
  FColumns = columns;
  FLengths.clear();
  const auto line = [&](const std::string& AText) {
    // As the terminal counts them: the texts hold no wide characters.
    FLengths.push_back(Utf8Length(AText));
    return "\r\x1b[2K" + AText;
  };
  if (ARows.size() < height && !FSummary) {
    for (const TLiveRow& row : ARows) {
      out += line(LiveLine(row, width)) + "\n";
    }
    FDrawn = ARows.size();
    FWrite(out);
    return;
  }
  // Too many rows for the screen: those that changed scroll by, the summary stays at the bottom.
  if (!FSummary) {
    out.clear();
    FSummary = true;
    FShown.clear();
  }
  int running = 0;
  int done = 0;
  int failed = 0;
  for (size_t i = 0; i < ARows.size(); ++i) {
    if (Changed(i, ARows[i])) {
      out += "\r\x1b[2K" + LiveLine(ARows[i], width) + "\n";
    }
    (ARows[i].Ended ? (ARows[i].Failed ? failed : done) : running) += 1;
  }
  // Only the summary stays on the screen to be gone back over.
  FLengths.clear();
  // The counts first: the narrowest terminal still shows them.
  const std::u16string summary = IntToStr(running) + u" идёт, " + IntToStr(done) +
                                 u" завершено, " + IntToStr(failed) +
                                 u" с ошибкой или остановлено (всего ККТ: " +
                                 IntToStr(static_cast<std::int64_t>(ARows.size())) + u")";
  out += line(ToUtf8(Cut(summary, width)));
  FWrite(out);
}

void TLiveDisplay::Message(const std::string& AText) {
  if (FTerminal && FSummary) {
    FWrite("\r\x1b[2K" + AText + "\n");
    return;
  }
  FWrite(AText + "\n");
  // The block is drawn anew below the message.
  FDrawn = 0;
  FLengths.clear();
}

void TLiveDisplay::Finish() {
  if (FTerminal && FSummary) {
    FWrite("\n");
  }
  FSummary = false;
  FDrawn = 0;
  FLengths.clear();
}

}  // namespace kelvane
