#include "window/qt/QtMainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMimeData>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QUrl>

#include "window/fmuMain.h"
#include "window/qt/QtText.h"

namespace kelvane {

TQtMainWindow::TCommandsFactory TQtMainWindow::MainWindowBehaviour(std::u16string ASettingsFile) {
  return [file = std::move(ASettingsFile)](TMainView& AView) -> std::unique_ptr<TMainCommands> {
    return std::make_unique<TfmMain>(AView, file);
  };
}

TQtMainWindow::TQtMainWindow(const TCommandsFactory& AFactory,
                             std::shared_ptr<TWindowDialogs> ADialogs, QWidget* AParent)
    : QMainWindow(AParent), FDialogs(std::move(ADialogs)) {
  setObjectName(ToQt(form::kWindowName));
  setAcceptDrops(true);
  CreateControls();
  FKeptWindow = std::make_unique<TQtKeptWindow>(*this);
  FCommands = AFactory(*this);
}

TQtMainWindow::~TQtMainWindow() {
  // The behaviour ends while every control it reaches still exists.
  FCommands.reset();
}

void TQtMainWindow::Connect(QPushButton* AButton, TCommand ACommand) {
  connect(AButton, &QPushButton::clicked, this, [this, ACommand] {
    if (FCommands) {
      FCommands->Run(ACommand);
    }
  });
}

void TQtMainWindow::Connect(QAction* AAction, TCommand ACommand) {
  connect(AAction, &QAction::triggered, this, [this, ACommand] {
    if (FCommands) {
      FCommands->Run(ACommand);
    }
  });
}

void TQtMainWindow::Connect(QTimer* ATimer, TCommand ACommand) {
  connect(ATimer, &QTimer::timeout, this, [this, ACommand] {
    if (FCommands) {
      FCommands->Run(ACommand);
    }
  });
}

void TQtMainWindow::showEvent(QShowEvent* AEvent) {
  if (!FShown && FCommands) {
    FShown = true;
    FCommands->FormShow();
  }
  QMainWindow::showEvent(AEvent);
}

void TQtMainWindow::closeEvent(QCloseEvent* AEvent) {
  // A close asked for again while the behaviour waits for its workers (a second signal) leaves
  // the window on the screen: the first one goes on.
  if (FClosing) {
    AEvent->ignore();
    return;
  }
  // The behaviour ends here, while the window is still on the screen to show what it waits for.
  FClosing = true;
  if (FCommands) {
    FCommands->FormClose();
    FCommands.reset();
  }
  AEvent->accept();
}

void TQtMainWindow::PaintOnly() {
  // Neither a click nor a key gets through; the behaviour, while it closes, runs no command
  // that a timer or the system might still ask for.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TQtMainWindow::HoldSessionEnd(const std::optional<std::u16string>&) {
  // A desktop session on Linux asks no program before it ends it; SIGTERM closes the window.
}

QWidget* TQtMainWindow::ControlWidget(TControl AControl) const {
  return findChild<QWidget*>(ToQt(ControlName(AControl)));
}

QLineEdit* TQtMainWindow::Field(TField AField) const {
  return findChild<QLineEdit*>(ToQt(FieldName(AField)));
}

QTreeWidgetItem* TQtMainWindow::Item(int ARow) const {
  return listView->topLevelItem(ARow);
}

void TQtMainWindow::SetTitle(const std::u16string& AText) {
  setWindowTitle(ToQt(AText));
}

void TQtMainWindow::SetEnabled(TControl AControl, bool AValue) {
  ControlWidget(AControl)->setEnabled(AValue);
}

std::u16string TQtMainWindow::FieldText(TField AField) const {
  return FromQt(Field(AField)->text());
}

void TQtMainWindow::SetFieldText(TField AField, const std::u16string& AText) {
  Field(AField)->setText(ToQt(AText));
}

bool TQtMainWindow::WriteTablesChecked() const {
  return chkWriteTables->isChecked();
}

void TQtMainWindow::InsertRow(int AIndex, const std::vector<std::u16string>& ACells, bool ATicked) {
  auto* item = new QTreeWidgetItem();
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  for (size_t column = 0; column < ACells.size(); ++column) {
    item->setText(static_cast<int>(column), ToQt(ACells[column]));
  }
  item->setCheckState(static_cast<int>(TColumn::Com), ATicked ? Qt::Checked : Qt::Unchecked);
  listView->insertTopLevelItem(AIndex, item);
  for (int column = 0; column < listView->columnCount(); ++column) {
    TipWholeText(item, column);
  }
}

bool TQtMainWindow::eventFilter(QObject* AWatched, QEvent* AEvent) {
  if (AWatched == listView->viewport() && AEvent->type() == QEvent::ToolTip) {
    const QModelIndex index = listView->indexAt(static_cast<QHelpEvent*>(AEvent)->pos());
    if (QTreeWidgetItem* item = listView->itemFromIndex(index)) {
      TipWholeText(item, index.column());
    }
  }
  // The list shows the item's tip itself.
  return QMainWindow::eventFilter(AWatched, AEvent);
}

void TQtMainWindow::TipWholeText(QTreeWidgetItem* AItem, int AColumn) const {
  // Cut: the cell needs more than its column's width, by the measure its drawing takes.
  QStyleOptionViewItem option;
  option.initFrom(listView->viewport());
  option.font = listView->font();
  option.fontMetrics = QFontMetrics(option.font);
  const QModelIndex index = listView->indexFromItem(AItem, AColumn);
  const bool cut = listView->itemDelegateForIndex(index)->sizeHint(option, index).width() >
                   listView->header()->sectionSize(AColumn);
  AItem->setToolTip(AColumn, cut ? AItem->text(AColumn) : QString());
}

void TQtMainWindow::ClearRows() {
  listView->clear();
}

void TQtMainWindow::SetCell(int ARow, TColumn AColumn, const std::u16string& AText) {
  Item(ARow)->setText(static_cast<int>(AColumn), ToQt(AText));
  TipWholeText(Item(ARow), static_cast<int>(AColumn));
}

bool TQtMainWindow::RowTicked(int ARow) const {
  return Item(ARow)->checkState(static_cast<int>(TColumn::Com)) == Qt::Checked;
}

void TQtMainWindow::SetRowTicked(int ARow, bool AValue) {
  Item(ARow)->setCheckState(static_cast<int>(TColumn::Com), AValue ? Qt::Checked : Qt::Unchecked);
}

std::optional<int> TQtMainWindow::SelectedRow() const {
  const QList<QTreeWidgetItem*> selected = listView->selectedItems();
  if (selected.isEmpty()) {
    return std::nullopt;
  }
  return listView->indexOfTopLevelItem(selected.constFirst());
}

void TQtMainWindow::SetStatusText(const std::u16string& AText) {
  FStatusText->setText(ToQt(AText));
}

void TQtMainWindow::SetBusy(bool AValue) {
  gifProgress->SetActive(AValue);
}

void TQtMainWindow::SetTimersActive(bool AValue) {
  for (QTimer* timer : FTimers) {
    AValue ? timer->start() : timer->stop();
  }
}

std::optional<std::u16string> TQtMainWindow::ChooseFile(const TFileChooser& AChooser) {
  return FDialogs->ChooseFile(this, AChooser);
}

void TQtMainWindow::ShowError(const std::u16string& ATitle, const std::u16string& AText) {
  FDialogs->ShowError(this, ATitle, AText);
}

void TQtMainWindow::CentreOnScreen() {
  setGeometry(
      QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen()->availableGeometry()));
}

std::u16string TQtMainWindow::ExecutablePath() const {
  return FromQt(QCoreApplication::applicationFilePath());
}

void TQtMainWindow::SetTaskbarProgress(const TTaskbarProgress&) {
  // Qt 6 has no taskbar progress of its own, and the desktops here no common one.
}

bool TQtMainWindow::IsForeground() const {
  return isActiveWindow();
}

void TQtMainWindow::CallForAttention() {
  QApplication::alert(this);
}

void TQtMainWindow::dragEnterEvent(QDragEnterEvent* AEvent) {
  if (AEvent->mimeData()->hasUrls()) {
    AEvent->acceptProposedAction();
  }
}

void TQtMainWindow::dropEvent(QDropEvent* AEvent) {
  std::vector<std::u16string> files;
  for (const QUrl& url : AEvent->mimeData()->urls()) {
    // What is not a local file is no file the behaviour takes: it is passed on as its address.
    files.push_back(FromQt(url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile())
                                             : url.toString()));
  }
  if (FCommands) {
    FCommands->DropFiles(files);
  }
  AEvent->acceptProposedAction();
}

void TQtMainWindow::Wake() {
  // Queued to this window's thread; it may come from any thread.
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (FCommands) {
          FCommands->HandOver();
        }
      },
      Qt::QueuedConnection);
}

}  // namespace kelvane
