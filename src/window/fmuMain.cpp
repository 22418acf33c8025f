#include "window/fmuMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHeaderView>
#include <QScreen>
#include <QStyle>

#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "tasks/MainThread.h"
#include "window/GlyphButton.h"
#include "window/Pictures.h"
#include "window/QtText.h"
#include "window/RowProgress.h"
#include "window/VersionInfo.h"

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

TfmMain::TfmMain(std::shared_ptr<TWindowDialogs> ADialogs, std::u16string ASettingsFile,
                 QWidget* AParent)
    : QMainWindow(AParent), FDialogs(std::move(ADialogs)) {
  setObjectName("fmMain");
  CreateControls();
  // The settings are read once the controls exist and before the creation handler runs.
  xmlStorage = ASettingsFile.empty() ? std::make_unique<TXmlStorage>()
                                     : std::make_unique<TXmlStorage>(std::move(ASettingsFile));
  xmlStorage->Reload();
  FKeptWindow = std::make_unique<TQtKeptWindow>(*this, [this] { FCentreOnShow = false; });
  formStorage = std::make_unique<TFormStorage>(
      *xmlStorage, *FKeptWindow,
      std::vector<std::u16string>{u"edtFileName.Text", u"chkWriteTables.Checked",
                                  u"edtTablesFileName.Text"});
  FormCreate();
}

TfmMain::~TfmMain() {
  if (!formStorage->Saved()) {
    formStorage->SaveFormPlacement();
  }
  FormDestroy();
  xmlStorage->Flush();
}

void TfmMain::CreateControls() {
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
  listView->setColumnWidth(TDeviceRow::ColCom, 70);
  listView->setColumnWidth(TDeviceRow::ColSerial, 120);
  listView->setColumnWidth(TDeviceRow::ColPercent, 50);
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

  connect(btnSearch, &QPushButton::clicked, this,
          [this] { RunCommand([this] { btnSearchClick(); }); });
  connect(btnStart, &QPushButton::clicked, this,
          [this] { RunCommand([this] { btnStartClick(); }); });
  connect(btnStop, &QPushButton::clicked, this, [this] { RunCommand([this] { btnStopClick(); }); });
  connect(btnOpen, &QPushButton::clicked, this, [this] { RunCommand([this] { btnOpenClick(); }); });
  connect(btnTablesOpen, &QPushButton::clicked, this,
          [this] { RunCommand([this] { btnTablesOpenClick(); }); });
  connect(resetTask, &QAction::triggered, this,
          [this] { RunCommand([this] { ResetTaskPopupClick(); }); });
  connect(stopTask, &QAction::triggered, this,
          [this] { RunCommand([this] { StopTaskPopupClick(); }); });
  connect(customFirmware, &QAction::triggered, this,
          [this] { RunCommand([this] { WriteCustomFirmwareClick(); }); });
  connect(listView, &QWidget::customContextMenuRequested, this, [this](const QPoint& APoint) {
    pmMenu->popup(listView->viewport()->mapToGlobal(APoint));
  });
  connect(Timer, &QTimer::timeout, this, [this] { RunCommand([this] { TimerTimer(); }); });
  connect(tmrUpdateDevices, &QTimer::timeout, this,
          [this] { RunCommand([this] { tmrUpdateDevicesTimer(); }); });
}

void TfmMain::Anchor(QWidget* AWidget, QRect ADesign, Qt::Edges AAnchors) {
  AWidget->setGeometry(ADesign);
  FAnchored.push_back({AWidget, ADesign, AAnchors});
}

void TfmMain::resizeEvent(QResizeEvent* AEvent) {
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

void TfmMain::FormCreate() {
  setWindowTitle(QStringLiteral("Kelvane v.") + ToQt(GetFileVersionText()));
  FDeviceList = std::make_unique<TDeviceList>();
  FDeviceDiscover = std::make_unique<TDeviceDiscover>();
  listView->clear();
  // Workers hand their end-of-run calls over to this thread through its event loop.
  TMainThread::Instance().SetWakeup([this] {
    QMetaObject::invokeMethod(
        this, [] { TMainThread::Instance().Drain(); }, Qt::QueuedConnection);
  });
  Timer->start();
  tmrUpdateDevices->start();
  UpdatePage();
}

void TfmMain::FormDestroy() {
  if (FDestroyed) {
    return;
  }
  FDestroyed = true;
  // Neither timer may act on a task released below.
  Timer->stop();
  tmrUpdateDevices->stop();
  StopAll();
  ClearDevices();
  FDeviceDiscover.reset();
  FDeviceList.reset();
  TMainThread::Instance().SetWakeup({});
}

void TfmMain::showEvent(QShowEvent* AEvent) {
  if (!FShown) {
    FShown = true;
    if (!formStorage->Restored()) {
      formStorage->RestoreFormPlacement();
    }
    if (FCentreOnShow) {
      setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                      screen()->availableGeometry()));
    }
  }
  QMainWindow::showEvent(AEvent);
}

void TfmMain::closeEvent(QCloseEvent* AEvent) {
  // Closing is never refused, also while a search or an update runs.
  formStorage->SaveFormPlacement();
  AEvent->accept();
}

void TfmMain::RunCommand(const std::function<void()>& ACommand) {
  try {
    ACommand();
  } catch (...) {
    QString text = ToQt(CurrentExceptionMessage());
    if (!text.isEmpty() && text.back() > QChar(u'.')) {
      text += u'.';
    }
    FDialogs->ShowError(this, ApplicationTitle(QCoreApplication::applicationFilePath()), text);
  }
}

QString TfmMain::ApplicationTitle(const QString& AExecutablePath) {
  const QString name = QFileInfo(AExecutablePath).fileName();
  const QString title = name.left(name.indexOf(u'.'));
  return title.left(1) + title.mid(1).toLower();
}

std::u16string TfmMain::GetFileVersionText() const {
  return FileVersionText();
}

void TfmMain::btnSearchClick() {
  ClearDevices();
  SetStatusText(u"Найдено устройств: 0");
  FDeviceFoundCount = 0;
  if (!FDeviceDiscover->State().Started.load()) {
    FDeviceDiscover->SetOnFound([this](std::int32_t AComNumber, const std::u16string& ASerial,
                                       const std::u16string& AVersion, std::int32_t AProtocolType,
                                       const std::u16string& ADeviceName) {
      OnFound(AComNumber, ASerial, AVersion, AProtocolType, ADeviceName);
    });
  }
  FDeviceDiscover->Start();
}

void TfmMain::OnFound(std::int32_t AComNumber, const std::u16string& ASerial,
                      const std::u16string& AVersion, std::int32_t AProtocolType,
                      const std::u16string& ADeviceName) {
  FDeviceList->Add({AComNumber, ASerial, AVersion, AProtocolType, ADeviceName});
}

void TfmMain::tmrUpdateDevicesTimer() {
  FDeviceList->HandOver([this](const TDevice& ADevice) {
    AddDevice(ADevice.ComNumber, ADevice.Serial, ADevice.Version, ADevice.ProtocolType,
              ADevice.Name);
    ++FDeviceFoundCount;
    SetStatusText(u"Найдено устройств: " + IntToStr(FDeviceFoundCount));
  });
}

void TfmMain::AddDevice(std::int32_t ComNumber, const std::u16string& Serial,
                        const std::u16string& Version, std::int32_t ProtocolType,
                        const std::u16string& Name) {
  auto task = std::make_unique<TUpdateTask>();
  task->SetComNumber(ComNumber);
  task->SetProtocolType(ProtocolType);
  task->SetName(Serial);
  auto* row = new TDeviceRow(std::move(task));
  row->setText(TDeviceRow::ColCom, ToQt(u"COM" + IntToStr(ComNumber)));
  row->setText(TDeviceRow::ColSerial, ToQt(Serial));
  row->setText(TDeviceRow::ColPercent, QString());
  row->setText(TDeviceRow::ColState, ToQt(Version + u" [" + Name + u"]"));
  row->SetTicked(true);
  listView->addTopLevelItem(row);
  listView->sortItems(TDeviceRow::ColCom, Qt::AscendingOrder);
}

void TfmMain::ClearDevices() {
  // Every task hears the stop at once, so that the waits below overlap.
  for (int i = 0; i < RowCount(); ++i) {
    Row(i)->Task().Stop();
  }
  // Each row releases its task, which waits for its worker.
  listView->clear();
}

void TfmMain::StopAll() {
  if (FDeviceDiscover->State().Started.load()) {
    FDeviceDiscover->Stop();
  }
  for (int i = 0; i < RowCount(); ++i) {
    TUpdateTask& task = Row(i)->Task();
    if (task.State().Started.load()) {
      task.Stop();
    }
  }
}

bool TfmMain::IsUpdating() const {
  if (FDeviceDiscover->State().Started.load()) {
    return false;
  }
  for (int i = 0; i < RowCount(); ++i) {
    if (Row(i)->Task().State().Started.load()) {
      return true;
    }
  }
  return false;
}

void TfmMain::UpdatePage() {
  const bool busy = FDeviceDiscover->State().Started.load() || IsUpdating();
  btnSearch->setEnabled(!busy);
  btnStop->setEnabled(busy);
  btnStart->setEnabled(!busy && RowCount() > 0);
  gifProgress->SetActive(busy);
  for (QWidget* control : std::initializer_list<QWidget*>{btnOpen, edtFileName, chkWriteTables,
                                                          edtTablesFileName, btnTablesOpen}) {
    control->setEnabled(!busy);
  }
  for (int i = 0; i < RowCount(); ++i) {
    TDeviceRow* row = Row(i);
    if (const std::optional<TRowCells> cells = RowCells(row->Task().State())) {
      row->setText(TDeviceRow::ColPercent, ToQt(cells->Percent));
      row->setText(TDeviceRow::ColState, ToQt(cells->State));
    }
  }
}

void TfmMain::TimerTimer() {
  UpdatePage();
}

void TfmMain::btnStartClick() {
  const std::u16string fileName = FromQt(edtFileName->text());
  if (!FileExists(fileName)) {
    throw EError(u"Файл прошивки не найден!");
  }
  for (int i = 0; i < RowCount(); ++i) {
    TDeviceRow* row = Row(i);
    TUpdateTask& task = row->Task();
    if (!row->Ticked() || task.State().Started.load()) {
      continue;
    }
    task.SetIsCustom(false);
    task.SetFileName(fileName);
    task.SetWriteTables(chkWriteTables->isChecked());
    task.SetTablesFileName(FromQt(edtTablesFileName->text()));
    task.Start();
  }
}

void TfmMain::btnStopClick() {
  StopAll();
}

void TfmMain::ResetTaskPopupClick() {
  TDeviceRow* row = SelectedRow();
  if (row == nullptr) {
    return;
  }
  row->SetTicked(true);
  TUpdateTask& task = row->Task();
  // A running task only hears the stop: its start would do nothing, and it reads its
  // properties while it runs. The choice is made again once the row shows the end of the run.
  if (task.State().Started.load()) {
    task.Stop();
    return;
  }
  task.SetFileName(FromQt(edtFileName->text()));
  task.SetWriteTables(chkWriteTables->isChecked());
  task.SetTablesFileName(FromQt(edtTablesFileName->text()));
  task.Start();
}

void TfmMain::StopTaskPopupClick() {
  TDeviceRow* row = SelectedRow();
  if (row != nullptr && row->Task().State().Started.load()) {
    row->Task().Stop();
  }
}

void TfmMain::WriteCustomFirmwareClick() {
  TDeviceRow* row = SelectedRow();
  if (row == nullptr) {
    return;
  }
  const std::optional<QString> chosen = FDialogs->ChooseFile(this, dlgOpen);
  if (!chosen) {
    return;
  }
  TUpdateTask& task = row->Task();
  if (task.State().Started.load()) {
    task.Stop();
    return;
  }
  task.SetIsCustom(true);
  task.SetFileName(FromQt(QDir::toNativeSeparators(*chosen)));
  task.SetWriteTables(chkWriteTables->isChecked());
  task.SetTablesFileName(FromQt(edtTablesFileName->text()));
  task.Start();
}

void TfmMain::btnOpenClick() {
  OpenInto(dlgOpen, *edtFileName);
}

void TfmMain::btnTablesOpenClick() {
  OpenInto(dlgOpenTables, *edtTablesFileName);
}

void TfmMain::OpenInto(TFileChooser& AChooser, QLineEdit& AEdit) {
  const std::u16string folder = ExtractFileDir(FromQt(AEdit.text()));
  if (DirectoryExists(folder)) {
    AChooser.Directory = ToQt(folder);
  }
  if (const std::optional<QString> chosen = FDialogs->ChooseFile(this, AChooser)) {
    AEdit.setText(QDir::toNativeSeparators(*chosen));
  }
}

TDeviceRow* TfmMain::SelectedRow() const {
  const QList<QTreeWidgetItem*> selected = listView->selectedItems();
  return selected.isEmpty() ? nullptr : static_cast<TDeviceRow*>(selected.constFirst());
}

TDeviceRow* TfmMain::Row(int AIndex) const {
  return static_cast<TDeviceRow*>(listView->topLevelItem(AIndex));
}

int TfmMain::RowCount() const {
  return listView->topLevelItemCount();
}

QString TfmMain::StatusText() const {
  return FStatusText->text();
}

void TfmMain::SetStatusText(const std::u16string& AText) {
  FStatusText->setText(ToQt(AText));
}

void ApplyWindowFont() {
  static const QString wineTahoma = "/usr/share/wine/fonts/tahoma.ttf";
  if (!QFontDatabase::families().contains("Tahoma") && QFileInfo::exists(wineTahoma)) {
    QFontDatabase::addApplicationFont(wineTahoma);
  }
  QFont font(QFontDatabase::families().contains("Tahoma") ? "Tahoma" : "DejaVu Sans");
  font.setPointSize(8);
  QApplication::setFont(font);
}

}  // namespace kelvane
