#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>

#include "window/MainForm.h"
#include "window/MainView.h"
#include "window/qt/BusyIndicator.h"
#include "window/qt/QtKeptWindow.h"
#include "window/qt/WindowDialogs.h"

namespace kelvane {

// The window in Qt 6 Widgets: it creates the controls, forwards what the operator and the timers
// do to the window's behaviour, and shows what it is told. It decides nothing itself.
class TQtMainWindow final : public QMainWindow, public TMainView {
  Q_OBJECT

 public:
  // Makes the behaviour the window forwards to, once the controls exist.
  using TCommandsFactory = std::function<std::unique_ptr<TMainCommands>(TMainView&)>;

  // ASettingsFile: the settings file to use instead of the one in the application-data folder.
  static TCommandsFactory MainWindowBehaviour(std::u16string ASettingsFile = {});

  explicit TQtMainWindow(const TCommandsFactory& AFactory = MainWindowBehaviour(),
                         std::shared_ptr<TWindowDialogs> ADialogs = CreateWindowDialogs(),
                         QWidget* AParent = nullptr);
  ~TQtMainWindow() override;

  TMainCommands& Commands() const { return *FCommands; }

  void SetTitle(const std::u16string& AText) override;
  void SetEnabled(TControl AControl, bool AValue) override;
  std::u16string FieldText(TField AField) const override;
  void SetFieldText(TField AField, const std::u16string& AText) override;
  bool WriteTablesChecked() const override;
  void InsertRow(int AIndex, const std::vector<std::u16string>& ACells, bool ATicked) override;
  void ClearRows() override;
  void SetCell(int ARow, TColumn AColumn, const std::u16string& AText) override;
  bool RowTicked(int ARow) const override;
  void SetRowTicked(int ARow, bool AValue) override;
  std::optional<int> SelectedRow() const override;
  void SetStatusText(const std::u16string& AText) override;
  void SetBusy(bool AValue) override;
  void SetTimersActive(bool AValue) override;
  std::optional<std::u16string> ChooseFile(const TFileChooser& AChooser) override;
  void ShowError(const std::u16string& ATitle, const std::u16string& AText) override;
  std::u16string ExecutablePath() const override;
  void CentreOnScreen() override;
  void SetTaskbarProgress(const TTaskbarProgress& AProgress) override;
  bool IsForeground() const override;
  void CallForAttention() override;
  void Wake() override;
  void PaintOnly() override;
  void HoldSessionEnd(const std::optional<std::u16string>& AReason) override;
  TKeptWindow& KeptWindow() override { return *FKeptWindow; }

 protected:
  void showEvent(QShowEvent* AEvent) override;
  void closeEvent(QCloseEvent* AEvent) override;
  void resizeEvent(QResizeEvent* AEvent) override;
  void dragEnterEvent(QDragEnterEvent* AEvent) override;
  void dropEvent(QDropEvent* AEvent) override;
  bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

 private:
  struct TAnchored {
    QWidget* Widget;
    QRect Design;
    Qt::Edges Anchors;
  };

  void CreateControls();
  QWidget* CreateControl(const form::TControlDesc& ADesc);
  QTreeWidget* CreateList();
  void Anchor(QWidget* AWidget, QRect ADesign, Qt::Edges AAnchors);
  void Connect(QPushButton* AButton, TCommand ACommand);
  void Connect(QAction* AAction, TCommand ACommand);
  void Connect(QTimer* ATimer, TCommand ACommand);
  QWidget* ControlWidget(TControl AControl) const;
  QLineEdit* Field(TField AField) const;
  QTreeWidgetItem* Item(int ARow) const;
  // A cell whose text its column cuts has the whole text as its tip; another has none.
  void TipWholeText(QTreeWidgetItem* AItem, int AColumn) const;

  std::shared_ptr<TWindowDialogs> FDialogs;
  std::unique_ptr<TQtKeptWindow> FKeptWindow;
  std::unique_ptr<TMainCommands> FCommands;
  bool FShown = false;
  bool FClosing = false;
  std::vector<TAnchored> FAnchored;

  // The controls the view reaches itself; the others it finds by name.
  QWidget* FClient = nullptr;
  TBusyIndicator* gifProgress = nullptr;
  QCheckBox* chkWriteTables = nullptr;
  QTreeWidget* listView = nullptr;
  QLabel* FStatusText = nullptr;
  std::vector<QTimer*> FTimers;
  QMenu* pmMenu = nullptr;
};

}  // namespace kelvane
