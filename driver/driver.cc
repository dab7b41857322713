#include "driver/driver.h"

#include <filesystem>

#include "driver/control_file.h"
#include "driver/model_run.h"
#include "driver/parallel_runs.h"
#include "driver/public/app_id.h"
#include "driver/report.h"
#include "driver/results.h"
#include "driver/run_state.h"
#include "driver/schedule.h"
#include "support/run_identity.h"

namespace tarn {

namespace {

// Summaries of an earlier run, complete or not, must never be ranked with this run's: a run that
// was killed half-way would otherwise leave a mix for a later rebuild of the report.
void RemoveOldSummaries(Runtime& rt) {
  const std::string runId = CheckRunId(rt);
  for (const auto& entry : std::filesystem::directory_iterator(rt.identity.runFolder)) {
    const std::string name = entry.path().filename().string();
    if (AppIdFileExtension(name, runId) == kAppIdSummary.name) {
      DeleteIfExists(entry.path().string());
    }
  }
}

// Writes and runs the model input of each application id of the schedule's plan.
void RunSchedule(Runtime& rt, RunState& state) {
  RemoveOldSummaries(rt);
  const SchedulePlan plan = PlanSchedule(
      state, state.tableGaps, ReadInputLayout(rt, static_cast<int>(state.tableDates.size())));
  // With several runs at once the whole schedule is written first.
  std::vector<int> kept;
  WriteSchedule(rt, state, plan, [&](int appId) {
    if (state.numParallelRuns > 1) {
      kept.push_back(appId);
    } else {
      RunModelForAppId(rt, state, appId, AppIdFileName(CheckRunId(rt), appId, kAppIdInput.name));
    }
    state.lastAppIdRun = appId;
  });
  if (!kept.empty()) RunModelsInParallel(rt, state, kept, state.numParallelRuns);
  // Inputs and summaries of higher ids left by an earlier, longer run would otherwise be taken
  // for this run's by a later rebuild of the report. The id that ended the schedule has lost its
  // input and summary already.
  const int discardedAppId = plan.copies.back().discarded ? plan.copies.back().appId : 0;
  const std::string runId = CheckRunId(rt);
  for (int appId = state.lastAppIdRun + 1;; ++appId) {
    const std::string input = rt.InRunFolder(AppIdFileName(runId, appId, kAppIdInput.name));
    const std::string summary = rt.InRunFolder(AppIdFileName(runId, appId, kAppIdSummary.name));
    if (appId != discardedAppId && !std::filesystem::exists(input) &&
        !std::filesystem::exists(summary)) {
      break;
    }
    DeleteIfExists(input);
    DeleteIfExists(summary);
  }
}

[[noreturn]] void RunStages(Runtime& rt) {
  RunState state;
  const std::string runId = CheckRunId(rt);
  SetUpRunFiles(rt);
  ReadControlFile(rt, state);
  RemoveStrayRunFolders(rt);
  rt.units.OpenExisting(kModelInput.unit, rt.InRunFolder(RunFileName(kModelInput, runId)));
  ReadApplicationsTable(rt, state);
  if (state.runMode == RunMode::kNormal) RunSchedule(rt, state);
  RunResults results = ReadRunResults(rt, state);
  WriteResultTables(rt, results);
  // Read once the tables are written: a copy without a first date ends the run with the tables
  // already in the report.
  results.firstAppDates = FindFirstAppDates(rt, results.rankings);
  WriteLeachingSection(rt, results);
  rt.EndOfProgram(0);
}

}  // namespace

void RunGuarded(Runtime& rt, const std::function<void()>& stages) {
  try {
    stages();
  } catch (const ProgramStop&) {
    throw;
  } catch (const std::exception& unexpected) {
    rt.Fail(-1, std::string(" Unexpected error: ") + unexpected.what());
  } catch (...) {
    rt.Fail(-1, " Unexpected error: unknown exception");
  }
  rt.Fail(-1, " Unexpected error: the run ended without its end");
}

void RunDriver(Runtime& rt) {
  RunGuarded(rt, [&] { RunStages(rt); });
}

}  // namespace tarn
