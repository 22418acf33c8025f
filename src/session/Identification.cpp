#include "session/Identification.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "discovery/DeviceDiscover.h"
#include "tasks/MainThread.h"

namespace kelvane {

std::optional<std::vector<TIdentifiedPort>> IdentifyPorts(
    const std::function<bool()>& AStopRequested, bool ARecover) {
  std::mutex mutex;
  std::vector<TIdentifiedPort> ports;
  std::map<std::int32_t, std::u16string> recoveryNeeded;
  bool stopped = false;
  {
    TDeviceDiscover discover;
    discover.SetRecovers(ARecover);
    discover.SetOnRecoveryNeeded([&](std::int32_t AComNumber, const std::u16string& AWhy) {
      std::lock_guard lock(mutex);
      recoveryNeeded[AComNumber] = AWhy;
    });
    // Both events run on the coordinator's worker.
    discover.SetOnFound([&](std::int32_t AComNumber, const std::u16string& ASerial,
                            const std::u16string& AVersion, std::int32_t AProtocolType,
                            const std::u16string& ADeviceName) {
      std::lock_guard lock(mutex);
      ports.push_back({AComNumber, true, ASerial, AVersion, AProtocolType, ADeviceName, {},
                       recoveryNeeded[AComNumber]});
    });
    discover.SetOnNotFound([&](std::int32_t AComNumber, const std::u16string& AText) {
      std::lock_guard lock(mutex);
      ports.push_back({AComNumber, false, {}, {}, 0, {}, AText, {}});
    });
    discover.Start();
    while (!TMainThread::Instance().WaitWhileDraining([&] { return discover.WorkerEnded(); },
                                                      TDeviceDiscover::kCycle)) {
      if (!stopped && AStopRequested()) {
        stopped = true;
        discover.Stop();
      }
    }
    // A pass may still end well after the stop was asked, when its last search ended in
    // between: what was asked holds.
    stopped = stopped || discover.LastRunEnd().Kind != TRunEnd::Succeeded;
    // Leaving the scope waits for the searches a stopped pass left running.
  }
  if (stopped) {
    return std::nullopt;
  }
  std::lock_guard lock(mutex);
  std::stable_sort(ports.begin(), ports.end(), [](const TIdentifiedPort& A, const TIdentifiedPort& B) {
    return A.ComNumber < B.ComNumber;
  });
  return ports;
}

}  // namespace kelvane
