// Run outcome: what a started run came to, judged from what the driver left in the run's own
// folder. Only a run that left its success marker succeeded; the others carry the message the
// user is shown.
#pragma once

#include <QStringList>

#include "frontend/run_preparation.h"

namespace tarn::frontend {

// The most console lines a failure message repeats when the driver left no error file.
inline constexpr int cConsoleLinesShown = 20;

// The message of a run that the user stopped.
inline constexpr char cRunStopped[] = "The run was stopped.";

struct RunOutcome {
  enum class Kind { kSucceeded, kFailed, kStopped };
  Kind kind;
  // For a failed or a stopped run, the lines of its message; a failure's begins "Unable to".
  QStringList message;
};

// Judges the run of `settings` whose batch file ended with `exitCode`: stopped when the user
// asked it to stop, succeeded when it ended with 0 and left the success marker, else failed
// with the message lines of its error file, or else with `lastConsoleLines` (at most the last
// cConsoleLinesShown of them).
RunOutcome JudgeOutcome(const RunSettings& settings, int exitCode, bool stopRequested,
                        const QStringList& lastConsoleLines);

// Whether the output folder of `settings` holds the report of a run that succeeded: the
// summary report and the success marker.
bool SucceededRunReport(const RunSettings& settings);

}  // namespace tarn::frontend
