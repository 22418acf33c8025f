#include "session/RunTimes.h"

#include "platform/Clock.h"

namespace kelvane {

void TRunTimes::NoteStart() {
  FStarted = LocalTimeNow();
  FEnded.reset();
  FStartedSteady = Clock()->SteadyNow();
  FSeconds = 0;
}

void TRunTimes::NoteEnd() {
  if (Started() && !Ended()) {
    FEnded = LocalTimeNow();
    FSeconds = static_cast<double>((Clock()->SteadyNow() - FStartedSteady).count()) / 1000;
  }
}

void TRunTimes::FillIn(TUpdateOutcome& AOutcome) const {
  AOutcome.Started = FStarted;
  AOutcome.Ended = FEnded;
  AOutcome.Seconds = FSeconds;
}

}  // namespace kelvane
