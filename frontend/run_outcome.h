// Run outcome: what a started run came to, judged from what the driver left in the run's own
// folder. Only a run that left its success marker, neither an error file nor a busy marker, and
// a complete report succeeded; the others carry the message the user is shown.
#pragma once

#include <QStringList>
#include <optional>

#include "frontend/report_data.h"
#include "frontend/run_preparation.h"

namespace tarn::frontend {

// The most console lines a failure message repeats when the driver left no error file.
inline constexpr int cConsoleLinesShown = 20;

// The message of a run that the user stopped.
inline constexpr char cRunStopped[] = "The run was stopped.";

// What the user is shown of a run that succeeded: the sections of its summary report, and its
// results for the charts and the CSV export (or the note that says why there are none).
struct RunReport {
  QStringList sections;
  RunReportData data;
};

struct RunOutcome {
  enum class Kind { kSucceeded, kFailed, kStopped };
  Kind kind;
  // For a failed or a stopped run, the lines of its message; a failure's begins "Unable to".
  QStringList message;
  // For a run that succeeded, its report, read before anyone else could change the folder.
  RunReport report{};
  // For a failed run, the message lines of its error file; empty when it left none.
  QStringList errorLines{};
};

// Judges the run of `settings` whose batch file ended with `exitCode`: stopped when the user
// asked it to stop, succeeded when it ended with 0 and its folder tells of a success (see
// SucceededRunReport), else failed with the message lines of its error file, or else with
// `lastConsoleLines` (at most the last cConsoleLinesShown of them).
RunOutcome JudgeOutcome(const RunSettings& settings, int exitCode, bool stopRequested,
                        const QStringList& lastConsoleLines);

// The sections of the summary report when the output folder of `settings` holds a run that
// succeeded: the success marker, neither the run's error file nor its busy marker, and a complete
// summary report, whose leaching section has both marker lines and a result for every compound
// of the model input's copy. Else nothing, with `why` (when given) set to the reason, a phrase
// that ends with a full stop. The model may write a success marker of its own: the marker alone
// proves nothing.
std::optional<QStringList> SucceededRunReport(const RunSettings& settings, QString* why = nullptr);

}  // namespace tarn::frontend
