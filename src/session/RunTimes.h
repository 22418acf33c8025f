#pragma once

#include <chrono>
#include <optional>

#include "session/UpdateOutcome.h"

namespace kelvane {

// When one run of a row started and ended, as a report and the journal give them: local times
// with their UTC offset, and the seconds between on the steady clock.
class TRunTimes {
 public:
  void NoteStart();
  // Once per run: a later call keeps the first end.
  void NoteEnd();
  bool Started() const { return FStarted.has_value(); }
  bool Ended() const { return FEnded.has_value(); }
  // Writes the times into the run's outcome.
  void FillIn(TUpdateOutcome& AOutcome) const;

 private:
  std::optional<TLocalTime> FStarted;
  std::optional<TLocalTime> FEnded;
  std::chrono::milliseconds FStartedSteady{0};
  double FSeconds = 0;
};

}  // namespace kelvane
