#include "support/FakeMainView.h"

#include "platform/Error.h"

namespace kelvane::test {

std::u16string TFakeMainView::FieldText(TField AField) const {
  return Kept.Controls.at(std::u16string(FieldName(AField))).Text;
}

void TFakeMainView::SetFieldText(TField AField, const std::u16string& AText) {
  Kept.Controls.at(std::u16string(FieldName(AField))).Text = AText;
}

bool TFakeMainView::WriteTablesChecked() const {
  return Kept.Controls.at(u"chkWriteTables").Tick;
}

void TFakeMainView::SetWriteTablesChecked(bool AValue) {
  Kept.Controls.at(u"chkWriteTables").Tick = AValue;
}

void TFakeMainView::InsertRow(int AIndex, const std::vector<std::u16string>& ACells, bool ATicked) {
  Rows.insert(Rows.begin() + AIndex, TRow{ACells, ATicked});
}

void TFakeMainView::SetCell(int ARow, TColumn AColumn, const std::u16string& AText) {
  Rows.at(static_cast<size_t>(ARow)).Cells.at(static_cast<size_t>(AColumn)) = AText;
  ++CellWrites;
}

void TFakeMainView::SetRowTicked(int ARow, bool AValue) {
  Rows.at(static_cast<size_t>(ARow)).Ticked = AValue;
}

std::optional<std::u16string> TFakeMainView::ChooseFile(const TFileChooser& AChooser) {
  if (ChooserFails) {
    throw EError(*ChooserFails);
  }
  Choosers.push_back({AChooser.Name, AChooser.Directory, AChooser.Filters});
  if (FAnswers.empty()) {
    return std::nullopt;
  }
  std::optional<std::u16string> answer = FAnswers.front();
  FAnswers.pop_front();
  return answer;
}

void TFakeMainView::ShowError(const std::u16string& ATitle, const std::u16string& AText) {
  Errors.push_back({ATitle, AText});
}

void TFakeMainView::Wake() {
  {
    std::lock_guard lock(FWakeMutex);
    ++FWakes;
  }
  FWoken.notify_all();
}

std::u16string TFakeMainView::Cell(int ARow, TColumn AColumn) const {
  return Rows.at(static_cast<size_t>(ARow)).Cells.at(static_cast<size_t>(AColumn));
}

bool TFakeMainView::WaitForWake(std::chrono::milliseconds ALimit) const {
  std::unique_lock lock(FWakeMutex);
  return FWoken.wait_for(lock, ALimit, [this] { return FWakes > 0; });
}

}  // namespace kelvane::test

namespace kelvane::test {

void TFakeMainView::PaintOnly() {
  ++Paints;
  if (OnPaint) {
    OnPaint();
  }
}

}  // namespace kelvane::test
