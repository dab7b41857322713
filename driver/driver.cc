#include "driver/driver.h"

#include <filesystem>

#include "driver/control_file.h"
#include "driver/model_run.h"
#include "driver/parallel_runs.h"
#include "driver/report.h"
#include "driver/results.h"
#include "driver/run_state.h"
#include "driver/schedule.h"
#include "support/run_identity.h"

namespace tarn {

namespace {

// Writes and runs the model input of application id 1, 2, ... until the schedule ends.
void RunSchedule(Runtime& rt, RunState& state) {
  // With several runs at once the whole schedule is written first.
  std::vector<int> kept;
  WriteSchedule(rt, state, [&](int appId) {
    // A summary of an earlier run must never pass for this run's result.
    DeleteIfExists(rt.InRunFolder(AppIdFileName(rt, appId, ".sum")));
    if (state.numParallelRuns > 1) {
      kept.push_back(appId);
    } else {
      RunModelForAppId(rt, state, appId, AppIdFileName(rt, appId, ".tol"));
    }
    state.lastAppIdRun = appId;
  });
  if (!kept.empty()) RunModelsInParallel(rt, state, kept, state.numParallelRuns);
  // Inputs and summaries of higher ids left by an earlier, longer run would otherwise be taken
  // for this run's by a later rebuild of the report.
  for (int appId = state.lastAppIdRun + 1;; ++appId) {
    const std::string input = rt.InRunFolder(AppIdFileName(rt, appId, ".tol"));
    const std::string summary = rt.InRunFolder(AppIdFileName(rt, appId, ".sum"));
    if (!std::filesystem::exists(input) && !std::filesystem::exists(summary)) break;
    DeleteIfExists(input);
    DeleteIfExists(summary);
  }
}

}  // namespace

void RunDriver(Runtime& rt) {
  RunState state;
  const std::string runId = CheckRunId(rt);
  SetUpRunFiles(rt);
  ReadControlFile(rt, state);
  RemoveStrayRunFolders(rt);
  rt.units.OpenExisting(kInputUnit, rt.InRunFolder(runId + ".tol"));
  ReadApplicationsTable(rt, state);
  if (state.runMode == RunMode::kNormal) RunSchedule(rt, state);
  CollectResults(rt, state);
  WriteResultReport(rt, state);
  rt.EndOfProgram(0);
}

}  // namespace tarn
