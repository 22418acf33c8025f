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

#include "discovery/DeviceDiscover.h"
#include "window/BusyIndicator.h"
#include "window/DeviceList.h"
#include "window/DeviceRow.h"
#include "window/FormStorage.h"
#include "window/QtKeptWindow.h"
#include "window/WindowDialogs.h"
#include "window/XmlStorage.h"

namespace kelvane {

// The tool's only window: the device search, the list of found registers with one update task
// per row, the update commands and the periodic refresh of buttons and row cells.
class TfmMain final : public QMainWindow {
  Q_OBJECT

 public:
  // ASettingsFile: the settings file to use instead of the one in the application-data folder.
  explicit TfmMain(std::shared_ptr<TWindowDialogs> ADialogs = CreateWindowDialogs(),
                   std::u16string ASettingsFile = {}, QWidget* AParent = nullptr);
  ~TfmMain() override;

  // Commands, each run on the window's thread. An error they raise is shown in a message box.
  void btnSearchClick();
  void btnStartClick();
  void btnStopClick();
  void btnOpenClick();
  void btnTablesOpenClick();
  void ResetTaskPopupClick();
  void StopTaskPopupClick();
  void WriteCustomFirmwareClick();
  void TimerTimer();
  void tmrUpdateDevicesTimer();

  // Enables the controls by the busy state and shows every row's progress and state.
  void UpdatePage();
  // The discovery coordinator's report; runs on the coordinator's worker thread.
  void OnFound(std::int32_t AComNumber, const std::u16string& ASerial,
               const std::u16string& AVersion, std::int32_t AProtocolType,
               const std::u16string& ADeviceName);
  void AddDevice(std::int32_t ComNumber, const std::u16string& Serial,
                 const std::u16string& Version, std::int32_t ProtocolType,
                 const std::u16string& Name);
  void ClearDevices();
  void StopAll();
  bool IsUpdating() const;
  std::u16string GetFileVersionText() const;

  const TDeviceDiscover& DeviceDiscover() const { return *FDeviceDiscover; }
  TDeviceRow* Row(int AIndex) const;
  int RowCount() const;
  QString StatusText() const;

  // The application title of message boxes: the executable's name up to its first point, every
  // character after the first in lower case.
  static QString ApplicationTitle(const QString& AExecutablePath);

 protected:
  void showEvent(QShowEvent* AEvent) override;
  void closeEvent(QCloseEvent* AEvent) override;
  void resizeEvent(QResizeEvent* AEvent) override;

 private:
  struct TAnchored {
    QWidget* Widget;
    QRect Design;
    Qt::Edges Anchors;
  };

  void CreateControls();
  void Anchor(QWidget* AWidget, QRect ADesign, Qt::Edges AAnchors);
  void FormCreate();
  void FormDestroy();
  void RunCommand(const std::function<void()>& ACommand);
  TDeviceRow* SelectedRow() const;
  void SetStatusText(const std::u16string& AText);
  void OpenInto(TFileChooser& AChooser, QLineEdit& AEdit);

  std::shared_ptr<TWindowDialogs> FDialogs;
  std::unique_ptr<TXmlStorage> xmlStorage;
  std::unique_ptr<TQtKeptWindow> FKeptWindow;
  std::unique_ptr<TFormStorage> formStorage;
  std::unique_ptr<TDeviceList> FDeviceList;
  std::unique_ptr<TDeviceDiscover> FDeviceDiscover;
  std::int32_t FDeviceFoundCount = 0;
  bool FShown = false;
  bool FCentreOnShow = true;
  bool FDestroyed = false;
  std::vector<TAnchored> FAnchored;

  QWidget* FClient = nullptr;
  QPushButton* btnSearch = nullptr;
  QPushButton* btnStart = nullptr;
  QPushButton* btnStop = nullptr;
  TBusyIndicator* gifProgress = nullptr;
  QLabel* lblFileName = nullptr;
  QLineEdit* edtFileName = nullptr;
  QPushButton* btnOpen = nullptr;
  QCheckBox* chkWriteTables = nullptr;
  QLabel* lbl1 = nullptr;
  QLineEdit* edtTablesFileName = nullptr;
  QPushButton* btnTablesOpen = nullptr;
  QTreeWidget* listView = nullptr;
  QStatusBar* statusBar = nullptr;
  QLabel* FStatusText = nullptr;
  QTimer* Timer = nullptr;
  QTimer* tmrUpdateDevices = nullptr;
  TFileChooser dlgOpen{"dlgOpen", {"*.bin", "*.*"}, {}};
  TFileChooser dlgOpenTables{"dlgOpenTables", {"*.csv", "*.*"}, {}};
  QMenu* pmMenu = nullptr;
};

// Makes the window's font Tahoma 8 pt, registering the one Wine ships where the system has none;
// a close sans-serif otherwise.
void ApplyWindowFont();

}  // namespace kelvane
