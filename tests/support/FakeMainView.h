#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "support/FakeKeptWindow.h"
#include "window/MainView.h"

namespace kelvane::test {

// The window's controls without a toolkit: what the behaviour shows is kept to be read back, the
// choosers answer as a test tells them, and the fields are the keeper's controls.
class TFakeMainView final : public TMainView {
 public:
  struct TRow {
    std::vector<std::u16string> Cells;
    bool Ticked = false;
  };
  struct TShownChooser {
    std::u16string Name;
    std::u16string Directory;
    std::vector<std::u16string> Filters;
  };
  struct TShownError {
    std::u16string Title;
    std::u16string Text;
  };

  void SetTitle(const std::u16string& AText) override { Title = AText; }
  void SetEnabled(TControl AControl, bool AValue) override { Enabled[AControl] = AValue; }
  std::u16string FieldText(TField AField) const override;
  void SetFieldText(TField AField, const std::u16string& AText) override;
  bool WriteTablesChecked() const override;
  void SetWriteTablesChecked(bool AValue);

  void InsertRow(int AIndex, const std::vector<std::u16string>& ACells, bool ATicked) override;
  void ClearRows() override { Rows.clear(); }
  void SetCell(int ARow, TColumn AColumn, const std::u16string& AText) override;
  bool RowTicked(int ARow) const override { return Rows.at(static_cast<size_t>(ARow)).Ticked; }
  void SetRowTicked(int ARow, bool AValue) override;
  std::optional<int> SelectedRow() const override { return Selected; }

  void SetStatusText(const std::u16string& AText) override { StatusText = AText; }
  void SetBusy(bool AValue) override { Busy = AValue; }
  void SetTimersActive(bool AValue) override { TimersActive = AValue; }

  std::optional<std::u16string> ChooseFile(const TFileChooser& AChooser) override;
  void ShowError(const std::u16string& ATitle, const std::u16string& AText) override;
  std::u16string ExecutablePath() const override { return u"Kelvane.exe"; }
  void CentreOnScreen() override { ++Centrings; }
  void SetTaskbarProgress(const TTaskbarProgress& AProgress) override {
    Taskbar.push_back(AProgress);
  }
  bool IsForeground() const override { return Foreground; }
  void CallForAttention() override { ++AttentionCalls; }

  void Wake() override;
  void PaintOnly() override;
  void HoldSessionEnd(const std::optional<std::u16string>& AReason) override {
    SessionEndHeld = AReason;
  }
  TKeptWindow& KeptWindow() override { return Kept; }
  // Called at every PaintOnly, on the window's thread: what a test looks at while the window
  // waits.
  std::function<void()> OnPaint;

  // A chooser that fails with this message instead of opening, when set.
  std::optional<std::u16string> ChooserFails;
  // The next choosers' answers, in order; nothing stands for Cancel.
  void Answer(std::optional<std::u16string> AAnswer) { FAnswers.push_back(std::move(AAnswer)); }
  std::u16string Cell(int ARow, TColumn AColumn) const;
  // Waits until Wake has been called at least once; false when the limit passed first.
  bool WaitForWake(std::chrono::milliseconds ALimit) const;

  std::u16string Title;
  std::map<TControl, bool> Enabled;
  std::vector<TRow> Rows;
  std::optional<int> Selected;
  std::u16string StatusText;
  bool Busy = false;
  bool TimersActive = false;
  int Centrings = 0;
  // Every progress the taskbar button was given, in order.
  std::vector<TTaskbarProgress> Taskbar;
  bool Foreground = true;
  int AttentionCalls = 0;
  // How many cells the behaviour wrote.
  int CellWrites = 0;
  int Paints = 0;
  std::optional<std::u16string> SessionEndHeld;
  std::vector<TShownChooser> Choosers;
  std::vector<TShownError> Errors;
  TFakeKeptWindow Kept;

 private:
  std::deque<std::optional<std::u16string>> FAnswers;
  mutable std::mutex FWakeMutex;
  mutable std::condition_variable FWoken;
  int FWakes = 0;
};

}  // namespace kelvane::test
