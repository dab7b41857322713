// Plan runner: the headless mode for a run plan (`TARN_SB --batch --plan PLAN --output FOLDER`).
// Each scenario is prepared and run as Calculate does, in its subfolder of the output folder;
// several drivers run at once and their model runs share one limit, a pool of tokens; the
// scenarios' worst cases come back as one table (standard output, CSV with --summary, and with
// --pdf the first pages of the plan's dossier).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <ostream>
#include <vector>

#include "driver/public/control_file.h"
#include "frontend/command_line.h"
#include "frontend/report_data.h"
#include "frontend/run_plan.h"

namespace tarn::frontend {

// The values --jobs takes.
inline constexpr ValueRange kJobsRange{1, 4096};

// What one scenario of a plan came to.
struct ScenarioResult {
  QString outcome;                 // "ok", else the first line of its error, trimmed
  std::optional<ReportData> data;  // the results of a success
};

// The summary table: a header row, then per scenario one row per compound (in the order of the
// compound list) with its worst case, or one row with the outcome and empty values.
std::vector<QStringList> PlanSummaryRows(const std::vector<PlanScenario>& scenarios,
                                         const std::vector<ScenarioResult>& results);

// The summary rows as CSV, as the CSV export writes its rows.
QByteArray PlanSummaryCsv(const std::vector<QStringList>& rows);

// Runs the plan of the command line `line` (parsed) with `defaults` (the values of the command
// line and the stored paths) for every empty cell: the table goes to `out`, messages and failed
// scenarios to `err`, the drivers' lines and the progress to `console` (see RunBatch). Returns
// the headless mode's exit status: kBatchNotStarted for a plan refused before anything ran.
int RunPlanBatch(const CommandLine& line, const RunSettings& defaults, std::ostream& out,
                 std::ostream& err, std::ostream& console, bool consoleIsTerminal);

}  // namespace tarn::frontend
