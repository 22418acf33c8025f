// The Qt window's controls: their names, places at 96 dpi, anchoring, tab order and wiring.
#include <QHeaderView>

#include "window/qt/GlyphButton.h"
#include "window/qt/Pictures.h"
#include "window/qt/QtMainWindow.h"

namespace kelvane {

namespace {

// The client area at 96 dpi, status bar included.
constexpr int kClientWidth = 654;
constexpr int kClientHeight = 416;
constexpr int kStatusBarHeight = 19;

constexpr Qt::Edges kLeftTop = Qt::LeftEdge | Qt::TopEdge;
constexpr Qt::Edges kLeftTopRight = Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge;
constexpr Qt::Edges kTopRight = Qt::TopEdge | Qt::RightEdge;
constexpr Qt::Edges kAllEdges = Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge;

}  // namespace

void TQtMainWindow::CreateControls() {
  setWindowIcon(WindowPicture());
  FClient = new QWidget(this);
  setCentralWidget(FClient);
  resize(kClientWidth, kClientHeight);

  btnSearch = new TGlyphButton(SearchPicture(), QStringLiteral("Поиск устройств..."), FClient);
  btnSearch->setObjectName("btnSearch");
  Anchor(btnSearch, {8, 8, 155, 25}, kLeftTop);
  btnStart = new TGlyphButton(StartPicture(), QStringLiteral("Запустить обновление"), FClient);
  btnStart->setObjectName("btnStart");
  Anchor(btnStart, {169, 8, 155, 25}, kLeftTop);
  btnStop = new TGlyphButton(StopPicture(), QStringLiteral("Стоп"), FClient);
  btnStop->setObjectName("btnStop");
  Anchor(btnStop, {330, 8, 74, 25}, kLeftTop);
  gifProgress = new TBusyIndicator(FClient);
  gifProgress->setObjectName("gifProgress");
  Anchor(gifProgress, {410, 13, 16, 16}, kLeftTop);

  lblFileName = new QLabel(QStringLiteral("Путь к прошивке:"), FClient);
  lblFileName->setObjectName("lblFileName");
  lblFileName->adjustSize();
  Anchor(lblFileName, {8, 43, lblFileName->width(), lblFileName->height()}, kLeftTop);
  edtFileName = new QLineEdit(FClient);
  edtFileName->setObjectName("edtFileName");
  Anchor(edtFileName, {105, 39, 492, 21}, kLeftTopRight);
  btnOpen = new QPushButton("...", FClient);
  btnOpen->setObjectName("btnOpen");
  btnOpen->setToolTip(QStringLiteral("Открыть файл..."));
  Anchor(btnOpen, {603, 37, 43, 25}, kTopRight);

  chkWriteTables = new QCheckBox(QStringLiteral("Записывать таблицы"), FClient);
  chkWriteTables->setObjectName("chkWriteTables");
  Anchor(chkWriteTables, {8, 64, 169, 17}, kLeftTop);
  lbl1 = new QLabel(QStringLiteral("Файл таблиц:"), FClient);
  lbl1->setObjectName("lbl1");
  lbl1->adjustSize();
  Anchor(lbl1, {8, 89, lbl1->width(), lbl1->height()}, kLeftTop);
  edtTablesFileName = new QLineEdit(FClient);
  edtTablesFileName->setObjectName("edtTablesFileName");
  Anchor(edtTablesFileName, {105, 85, 492, 21}, kLeftTopRight);
  btnTablesOpen = new QPushButton("...", FClient);
  btnTablesOpen->setObjectName("btnTablesOpen");
  btnTablesOpen->setToolTip(QStringLiteral("Открыть файл..."));
  Anchor(btnTablesOpen, {603, 81, 43, 25}, kTopRight);

  listView = new QTreeWidget(FClient);
  listView->setObjectName("listView");
  listView->setColumnCount(4);
  listView->setHeaderLabels({"COM", "Serial", "%", QStringLiteral("Состояние")});
  listView->setRootIsDecorated(false);
  listView->setItemsExpandable(false);
  listView->setUniformRowHeights(true);
  listView->setSelectionMode(QAbstractItemView::SingleSelection);
  listView->setSelectionBehavior(QAbstractItemView::SelectRows);
  listView->setEditTriggers(QAbstractItemView::NoEditTriggers);
  listView->setAllColumnsShowFocus(true);
  listView->setColumnWidth(static_cast<int>(TColumn::Com), 70);
  listView->setColumnWidth(static_cast<int>(TColumn::Serial), 120);
  listView->setColumnWidth(static_cast<int>(TColumn::Percent), 50);
  listView->header()->setStretchLastSection(true);
  listView->header()->setSectionsClickable(false);
  listView->setContextMenuPolicy(Qt::CustomContextMenu);
  Anchor(listView, {8, 112, 638, 279}, kAllEdges);

  statusBar = new QStatusBar(this);
  statusBar->setObjectName("statusBar");
  statusBar->setSizeGripEnabled(true);
  statusBar->setFixedHeight(kStatusBarHeight);
  FStatusText = new QLabel(statusBar);
  statusBar->addWidget(FStatusText, 1);
  setStatusBar(statusBar);

  pmMenu = new QMenu(this);
  pmMenu->setObjectName("pmMenu");
  QAction* resetTask = pmMenu->addAction(QStringLiteral("Запустить"));
  resetTask->setObjectName("ResetTaskPopup");
  QAction* stopTask = pmMenu->addAction(QStringLiteral("Остановить"));
  stopTask->setObjectName("StopTaskPopup");
  pmMenu->addSeparator()->setObjectName("N1");
  QAction* customFirmware = pmMenu->addAction(QStringLiteral("Запустить с другой прошивкой..."));
  customFirmware->setObjectName("WriteCustomFirmware");

  Timer = new QTimer(this);
  Timer->setObjectName("Timer");
  Timer->setInterval(500);
  tmrUpdateDevices = new QTimer(this);
  tmrUpdateDevices->setObjectName("tmrUpdateDevices");
  tmrUpdateDevices->setInterval(500);

  // The check box comes last although it stands between the two file fields.
  setTabOrder(btnSearch, btnStart);
  setTabOrder(btnStart, btnStop);
  setTabOrder(btnStop, edtFileName);
  setTabOrder(edtFileName, btnOpen);
  setTabOrder(btnOpen, listView);
  setTabOrder(listView, edtTablesFileName);
  setTabOrder(edtTablesFileName, btnTablesOpen);
  setTabOrder(btnTablesOpen, chkWriteTables);

  Connect(btnSearch, TCommand::btnSearchClick);
  Connect(btnStart, TCommand::btnStartClick);
  Connect(btnStop, TCommand::btnStopClick);
  Connect(btnOpen, TCommand::btnOpenClick);
  Connect(btnTablesOpen, TCommand::btnTablesOpenClick);
  Connect(resetTask, TCommand::ResetTaskPopupClick);
  Connect(stopTask, TCommand::StopTaskPopupClick);
  Connect(customFirmware, TCommand::WriteCustomFirmwareClick);
  Connect(Timer, TCommand::TimerTimer);
  Connect(tmrUpdateDevices, TCommand::tmrUpdateDevicesTimer);
  connect(listView, &QWidget::customContextMenuRequested, this, [this](const QPoint& APoint) {
    pmMenu->popup(listView->viewport()->mapToGlobal(APoint));
  });
}

void TQtMainWindow::Anchor(QWidget* AWidget, QRect ADesign, Qt::Edges AAnchors) {
  AWidget->setGeometry(ADesign);
  FAnchored.push_back({AWidget, ADesign, AAnchors});
}

void TQtMainWindow::resizeEvent(QResizeEvent* AEvent) {
  QMainWindow::resizeEvent(AEvent);
  // Each control keeps its distance to the edges it is anchored to.
  const int growX = FClient->width() - kClientWidth;
  const int growY = FClient->height() - (kClientHeight - kStatusBarHeight);
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
