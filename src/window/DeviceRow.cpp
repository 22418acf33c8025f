#include "window/DeviceRow.h"

namespace kelvane {

TDeviceRow::TDeviceRow(std::unique_ptr<TUpdateTask> ATask) : FTask(std::move(ATask)) {
  setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
}

TDeviceRow::~TDeviceRow() = default;

bool TDeviceRow::operator<(const QTreeWidgetItem& AOther) const {
  return QString::compare(text(ColCom), AOther.text(ColCom), Qt::CaseSensitive) < 0;
}

}  // namespace kelvane
