#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "procedures/SearchTask.h"
#include "tasks/CustomTask.h"

namespace kelvane {

// How discovery reports one identified register. The strings are valid during the call only.
using TFoundEvent = std::function<void(std::int32_t AComNumber, const std::u16string& ASerial,
                                       const std::u16string& AVersion, std::int32_t AProtocolType,
                                       const std::u16string& ADeviceName)>;

// How discovery reports a port on which no register was identified: the search's final text.
using TNotFoundEvent =
    std::function<void(std::int32_t AComNumber, const std::u16string& AText)>;

// Finds every register on the USB serial ports in one pass: one search per port, all at once,
// polled every 50 ms; each identified register is reported through OnFound, on this task's
// worker thread, in the first cycle after its search finished.
class TDeviceDiscover final : public TCustomTask {
 public:
  static constexpr std::chrono::milliseconds kCycle{50};

  TDeviceDiscover() = default;
  // Stops a running pass and waits for it; then stops the searches it left behind and waits for
  // them too, so that closing waits at most for the identifications in progress.
  ~TDeviceDiscover() override;

  // Set while no pass runs.
  const TFoundEvent& OnFound() const { return FOnFound; }
  void SetOnFound(TFoundEvent AValue) { FOnFound = std::move(AValue); }
  // Beside OnFound, for callers that list every port (the batch's report): a search that ended
  // without success. Set while no pass runs.
  const TNotFoundEvent& OnNotFound() const { return FOnNotFound; }
  void SetOnNotFound(TNotFoundEvent AValue) { FOnNotFound = std::move(AValue); }
  // False: the searches recover no register (see TSearchTask::SetRecovers), and OnRecoveryNeeded
  // says, just before OnFound, which register asks for it and why. Set while no pass runs.
  void SetRecovers(bool AValue) { FRecovers = AValue; }
  void SetOnRecoveryNeeded(TNotFoundEvent AValue) { FOnRecoveryNeeded = std::move(AValue); }
  // After a pass that searched at least one port and could not create the driver's control for
  // any: the reason the last search gave. Nothing after any other pass, and while one runs.
  std::u16string CreationFailure() const { return FCreationFailure.Get(); }
  // Kept for callers that set it; no pass raises it, as the window polls instead.
  const TNotifyEvent& OnFinished() const { return FOnFinished; }
  void SetOnFinished(TNotifyEvent AValue) { FOnFinished = std::move(AValue); }

 protected:
  void DoExecute() override;

 private:
  void StartSearch(std::int32_t AComNumber);
  void StartAllSearches();
  void CollectFinished();
  bool AllDone() const { return FSearchList.empty(); }
  // Frees the searches of earlier passes whose workers have ended; never waits.
  void ReleaseEndedAbandoned();

  TFoundEvent FOnFound;
  TNotFoundEvent FOnNotFound;
  bool FRecovers = true;
  TNotFoundEvent FOnRecoveryNeeded;
  TNotifyEvent FOnFinished;
  std::vector<std::unique_ptr<TSearchTask>> FSearchList;
  // This pass's searches that ended, and of them those that could not create the control.
  size_t FEnded = 0;
  size_t FNotCreated = 0;
  std::u16string FLastCreationFailure;
  TSharedText FCreationFailure;
  // Searches of passes that ended by an error: never reported, freed once they have ended.
  std::vector<std::unique_ptr<TSearchTask>> FAbandoned;
};

}  // namespace kelvane
