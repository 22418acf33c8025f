// The Qt window's controls, built from the window's description: anchoring, tab order and wiring.
#include <QHeaderView>

#include "window/MainForm.h"
#include "window/qt/GlyphButton.h"
#include "window/qt/Pictures.h"
#include "window/qt/QtMainWindow.h"
#include "window/qt/QtText.h"

namespace kelvane {

namespace {

Qt::Edges Edges(unsigned AAnchors) {
  Qt::Edges edges;
  edges.setFlag(Qt::LeftEdge, (AAnchors & form::kLeft) != 0);
  edges.setFlag(Qt::TopEdge, (AAnchors & form::kTop) != 0);
  edges.setFlag(Qt::RightEdge, (AAnchors & form::kRight) != 0);
  edges.setFlag(Qt::BottomEdge, (AAnchors & form::kBottom) != 0);
  return edges;
}

}  // namespace

void TQtMainWindow::CreateControls() {
  setWindowIcon(Picture(form::TPicture::Window));
  FClient = new QWidget(this);
  setCentralWidget(FClient);
  resize(form::kClientWidth, form::kClientHeight);
  // The status bar stands below the client widget.
  const form::TSize least = form::MinimumClientSize();
  FClient->setMinimumSize(least.Width, least.Height - form::kStatusBarHeight);

  QWidget* previous = nullptr;
  for (const form::TControlDesc& entry : form::Controls()) {
    QWidget* control = CreateControl(entry);
    control->setObjectName(ToQt(entry.Name));
    if (!entry.Hint.empty()) {
      control->setToolTip(ToQt(entry.Hint));
    }
    if (!entry.AccessibleName.empty()) {
      control->setAccessibleName(ToQt(entry.AccessibleName));
    }
    if (entry.Kind != form::TKind::StatusBar) {
      QRect place(entry.Place.Left, entry.Place.Top, entry.Place.Width, entry.Place.Height);
      if (entry.Place.Width == form::kAutoSize) {
        control->adjustSize();
        place.setSize(control->size());
      }
      Anchor(control, place, Edges(entry.Anchors));
    }
    if (form::TakesFocus(entry.Kind)) {
      if (previous != nullptr) {
        setTabOrder(previous, control);
      }
      previous = control;
    }
  }

  // A label is its field's buddy: a screen reader names the field by it.
  for (const form::TControlDesc& entry : form::Controls()) {
    if (!entry.LabelFor.empty()) {
      FClient->findChild<QLabel*>(ToQt(entry.Name))
          ->setBuddy(FClient->findChild<QWidget*>(ToQt(entry.LabelFor)));
    }
  }

  pmMenu = new QMenu(this);
  pmMenu->setObjectName("pmMenu");
  for (const form::TMenuItemDesc& item : form::MenuItems()) {
    QAction* action =
        item.Caption.empty() ? pmMenu->addSeparator() : pmMenu->addAction(ToQt(item.Caption));
    action->setObjectName(ToQt(item.Name));
    if (item.Click) {
      Connect(action, *item.Click);
    }
  }
  connect(listView, &QWidget::customContextMenuRequested, this, [this](const QPoint& APoint) {
    pmMenu->popup(listView->viewport()->mapToGlobal(APoint));
  });

  for (const form::TTimerDesc& entry : form::Timers()) {
    auto* timer = new QTimer(this);
    timer->setObjectName(ToQt(entry.Name));
    timer->setInterval(entry.IntervalMs);
    Connect(timer, entry.Tick);
    FTimers.push_back(timer);
  }
}

QWidget* TQtMainWindow::CreateControl(const form::TControlDesc& ADesc) {
  const QString text = ToQt(ADesc.Text);
  switch (ADesc.Kind) {
    case form::TKind::Button: {
      QPushButton* button = ADesc.Picture != form::TPicture::None
                                ? new TGlyphButton(Picture(ADesc.Picture), text, FClient)
                                : new QPushButton(text, FClient);
      if (ADesc.Click) {
        Connect(button, *ADesc.Click);
      }
      return button;
    }
    case form::TKind::Edit: {
      auto* edit = new QLineEdit(text, FClient);
      // A file dropped on a field is the window's drop, as anywhere else on it.
      edit->setAcceptDrops(false);
      return edit;
    }
    case form::TKind::CheckBox:
      chkWriteTables = new QCheckBox(text, FClient);
      return chkWriteTables;
    case form::TKind::List:
      listView = CreateList();
      return listView;
    case form::TKind::BusyIndicator:
      gifProgress = new TBusyIndicator(FClient);
      return gifProgress;
    case form::TKind::Label:
      return new QLabel(text, FClient);
    case form::TKind::StatusBar:
      break;
  }
  auto* bar = new QStatusBar(this);
  bar->setSizeGripEnabled(true);
  bar->setFixedHeight(form::kStatusBarHeight);
  FStatusText = new QLabel(bar);
  bar->addWidget(FStatusText, 1);
  setStatusBar(bar);
  return bar;
}

QTreeWidget* TQtMainWindow::CreateList() {
  auto* list = new QTreeWidget(FClient);
  const std::span<const form::TColumnDesc> columns = form::Columns();
  list->setColumnCount(static_cast<int>(columns.size()));
  QStringList captions;
  for (const form::TColumnDesc& column : columns) {
    captions.push_back(ToQt(column.Caption));
  }
  list->setHeaderLabels(captions);
  for (size_t i = 0; i < columns.size(); ++i) {
    if (columns[i].Width > 0) {
      list->setColumnWidth(static_cast<int>(i), columns[i].Width);
    }
  }
  // The last column takes what is left.
  list->header()->setStretchLastSection(true);
  list->header()->setSectionsClickable(false);
  list->setRootIsDecorated(false);
  list->setItemsExpandable(false);
  list->setUniformRowHeights(true);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setAllColumnsShowFocus(true);
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  // Whether a cell is cut is decided again when the pointer rests on it: the columns' widths
  // follow the window's.
  list->viewport()->installEventFilter(this);
  return list;
}

void TQtMainWindow::Anchor(QWidget* AWidget, QRect ADesign, Qt::Edges AAnchors) {
  AWidget->setGeometry(ADesign);
  FAnchored.push_back({AWidget, ADesign, AAnchors});
}

void TQtMainWindow::resizeEvent(QResizeEvent* AEvent) {
  QMainWindow::resizeEvent(AEvent);
  // Each control keeps its distance to the edges it is anchored to.
  const int growX = FClient->width() - form::kClientWidth;
  const int growY = FClient->height() - (form::kClientHeight - form::kStatusBarHeight);
  for (const TAnchored& anchored : FAnchored) {
    QRect rect = anchored.Design;
    if (anchored.Anchors & Qt::RightEdge) {
      if (anchored.Anchors & Qt::LeftEdge) {
        rect.setWidth(std::max(0, rect.width() + growX));
      } else {
        rect.moveLeft(rect.left() + growX);
      }
    }
    if (anchored.Anchors & Qt::BottomEdge) {
      rect.setHeight(std::max(0, rect.height() + growY));
    }
    anchored.Widget->setGeometry(rect);
  }
}

}  // namespace kelvane
