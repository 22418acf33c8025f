#include "discovery/DeviceDiscover.h"

#include <algorithm>

#include "discovery/USBUtils.h"
#include "platform/Clock.h"

namespace kelvane {

TDeviceDiscover::~TDeviceDiscover() {
  StopAndWait();
  for (auto* list : {&FSearchList, &FAbandoned}) {
    for (const auto& search : *list) {
      search->Stop();
    }
  }
  FSearchList.clear();
  FAbandoned.clear();
}

void TDeviceDiscover::DoExecute() {
  // Searches left by a pass that was stopped or failed are never reported.
  ReleaseEndedAbandoned();
  for (auto& search : FSearchList) {
    FAbandoned.push_back(std::move(search));
  }
  FSearchList.clear();

  FCreationFailure.Set(u"");
  FEnded = 0;
  FNotCreated = 0;
  StartAllSearches();
  do {
    CheckStopped();
    CollectFinished();
    ReleaseEndedAbandoned();
    Clock()->Sleep(kCycle);
  } while (!AllDone());
  if (FEnded > 0 && FNotCreated == FEnded) {
    FCreationFailure.Set(FLastCreationFailure);
  }
}

void TDeviceDiscover::StartSearch(std::int32_t AComNumber) {
  auto search = std::make_unique<TSearchTask>();
  search->SetComNumber(AComNumber);
  search->SetRecovers(FRecovers);
  FSearchList.push_back(std::move(search));
  FSearchList.back()->Start();
}

void TDeviceDiscover::StartAllSearches() {
  TSerialPorts ports;
  ports.Refresh(true, false);
  for (const TSerialPortRec& port : ports) {
    StartSearch(port.ComNumber);
  }
}

void TDeviceDiscover::CollectFinished() {
  // From the last entry down, so that removing one never shifts one still to be visited.
  for (size_t i = FSearchList.size(); i-- > 0;) {
    TSearchTask& search = *FSearchList[i];
    if (!search.State().Finished.load(std::memory_order_acquire)) {
      continue;
    }
    if (search.State().Succeded.load()) {
      if (!search.RecoveryNeeded().empty() && FOnRecoveryNeeded) {
        FOnRecoveryNeeded(search.ComNumber(), search.RecoveryNeeded());
      }
      if (FOnFound) {
        FOnFound(search.ComNumber(), search.Serial(), search.Version(), search.ProtocolType(),
                 search.DeviceName());
      }
    } else {
      if (!search.CreationFailure().empty()) {
        ++FNotCreated;
        FLastCreationFailure = search.CreationFailure();
      }
      if (FOnNotFound) {
        FOnNotFound(search.ComNumber(), search.State().Text.Get());
      }
    }
    ++FEnded;
    // Freeing waits for the search's worker, its end-of-run hand-over included.
    FSearchList[i].reset();
    FSearchList.erase(FSearchList.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

void TDeviceDiscover::ReleaseEndedAbandoned() {
  std::erase_if(FAbandoned,
                [](const std::unique_ptr<TSearchTask>& ASearch) { return ASearch->WorkerEnded(); });
}

}  // namespace kelvane
