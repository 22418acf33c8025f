#pragma once

#include <optional>
#include <string>

#include "procedures/UpdateTask.h"

namespace kelvane {

// What the start of one register's update writes into its task beside its port and protocol:
// the window's fields, or the batch's arguments. IsCustom is left as it was when not given.
struct TUpdateRequest {
  std::u16string FileName;
  std::optional<bool> IsCustom;
  bool WriteTables = false;
  std::u16string TablesFileName;
};

// Configures the task and starts it, unless its run is started: a running task's properties are
// never changed, since the procedure reads them while it runs. False for a running task.
bool StartUpdate(TUpdateTask& ATask, const TUpdateRequest& ARequest);

}  // namespace kelvane
