#pragma once

#include <windows.h>

#include <setupapi.h>

#include <optional>
#include <string>
#include <vector>

namespace kelvane::test {

// Devices of the class "Ports" registered in the system's device list (Wine's, under test), each
// with a friendly name or none, in order; removed again at the end of the scope.
class TRegisteredPorts {
 public:
  explicit TRegisteredPorts(const std::vector<std::optional<std::u16string>>& AFriendlyNames);
  ~TRegisteredPorts();
  TRegisteredPorts(const TRegisteredPorts&) = delete;
  TRegisteredPorts& operator=(const TRegisteredPorts&) = delete;

 private:
  void Register(const std::vector<std::optional<std::u16string>>& AFriendlyNames);
  void Remove();

  HDEVINFO FDevices = INVALID_HANDLE_VALUE;
  std::vector<SP_DEVINFO_DATA> FRegistered;
};

}  // namespace kelvane::test
