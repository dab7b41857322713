// Run progress: how far a running driver has come, told by the model summaries it has left in
// the output folder, and how many model runs its schedule will make where that is known.
#pragma once

#include <QString>
#include <optional>

#include "frontend/run_outcome.h"
#include "frontend/run_preparation.h"

namespace tarn::frontend {

// The number of model runs the schedule makes: exactly twelve for Monthly; for UserDefined at
// most one per interval from the first to the last day (the spread of the scenario's own
// applications can end the schedule sooner).
struct ExpectedModelRuns {
  int count;
  bool exact;
};

// Nothing when the option or the day values give no bound.
std::optional<ExpectedModelRuns> ExpectModelRuns(const RunSettings& settings);

// The model summaries <base>_<AppId>.sum present in the output folder.
int CountFinishedModelRuns(const RunSettings& settings);

// The line the main window shows while the driver runs.
QString ProgressText(int finished, std::optional<ExpectedModelRuns> expected);

// The time line the main window shows while the driver runs: the elapsed time and, once a
// model run has finished and the number of runs is known, an estimate of the time left.
QString TimeText(qint64 elapsed, int finished, std::optional<ExpectedModelRuns> expected);

// The line the main window ends a run with, in place of its progress and time: what the run
// came to after `elapsed` milliseconds, with `finished` model summaries left. A failure quotes
// the first message line of its error file (else of its message) and names the application id
// that the message names, if any.
QString EndText(const RunOutcome& outcome, qint64 elapsed, int finished,
                std::optional<ExpectedModelRuns> expected);

}  // namespace tarn::frontend
