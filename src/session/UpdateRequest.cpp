#include "session/UpdateRequest.h"

namespace kelvane {

bool StartUpdate(TUpdateTask& ATask, const TUpdateRequest& ARequest) {
  if (ATask.State().Started.load()) {
    return false;
  }
  if (ARequest.IsCustom) {
    ATask.SetIsCustom(*ARequest.IsCustom);
  }
  ATask.SetFileName(ARequest.FileName);
  ATask.SetWriteTables(ARequest.WriteTables);
  ATask.SetTablesFileName(ARequest.TablesFileName);
  ATask.Start();
  return true;
}

}  // namespace kelvane
