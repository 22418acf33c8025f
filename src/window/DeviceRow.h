#pragma once

#include <memory>

#include <QTreeWidgetItem>

#include "procedures/UpdateTask.h"

namespace kelvane {

// A row of the device list and its update task, which lives exactly as long as the row.
class TDeviceRow final : public QTreeWidgetItem {
 public:
  enum TColumn { ColCom = 0, ColSerial = 1, ColPercent = 2, ColState = 3 };

  explicit TDeviceRow(std::unique_ptr<TUpdateTask> ATask);
  // Releasing the task asks it to stop and waits for its worker.
  ~TDeviceRow() override;

  TUpdateTask& Task() const { return *FTask; }
  bool Ticked() const { return checkState(ColCom) == Qt::Checked; }
  void SetTicked(bool AValue) { setCheckState(ColCom, AValue ? Qt::Checked : Qt::Unchecked); }

  // Caption order, character by character: COM10 before COM2.
  bool operator<(const QTreeWidgetItem& AOther) const override;

 private:
  std::unique_ptr<TUpdateTask> FTask;
};

}  // namespace kelvane
