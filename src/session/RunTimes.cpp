#include "session/RunTimes.h"

#include "platform/Clock.h"

namespace kelvane {

namespace {

std::u16string Now() {
  return IsoDateTime(Clock()->LocalNow(), LocalUtcOffsetMinutes());
}

}  // namespace

void TRunTimes::NoteStart() {
  FStarted = Now();
  FEnded.clear();
  FStartedSteady = Clock()->SteadyNow();
  FSeconds = 0;
}

void TRunTimes::NoteEnd() {
  if (Started() && !Ended()) {
    FEnded = Now();
    FSeconds = static_cast<double>((Clock()->SteadyNow() - FStartedSteady).count()) / 1000;
  }
}

void TRunTimes::FillIn(TUpdateOutcome& AOutcome) const {
  AOutcome.Started = FStarted;
  AOutcome.Ended = FEnded;
  AOutcome.Seconds = FSeconds;
}

}  // namespace kelvane
