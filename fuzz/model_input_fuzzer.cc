// The keyword reader on arbitrary model inputs: the compound list, the table Applications with its
// dates, and the copies of every schedule with their rows rewritten in free format, read back for
// the first application date.
#include <algorithm>
#include <cmath>

#include "driver/results.h"
#include "driver/schedule.h"
#include "fuzz/fuzz_run.h"
#include "reader/typed_readers.h"

using namespace tarn;
using namespace tarn::fuzz;

namespace {

void OpenModelInput(Runtime& rt) {
  Require(rt.units.OpenExisting(kInputUnit, rt.InRunFolder(std::string(kRunId) + ".tol")) == 0,
          "cannot open the model input");
}

// The copies of the first two application ids of `schedule` (the example's user-defined days),
// then the first application date of the first copy.
void RunSchedule(Schedule schedule) {
  FuzzRun run;
  RunState state;
  state.optApp = schedule;
  state.dayInYeaAppFirst = 80;
  state.dayInYeaAppLast = 310;
  state.delTimAppId = 20;
  run.Run([&] {
    OpenModelInput(run.rt);
    ReadApplicationsTable(run.rt, state);
    const size_t rows = state.tableDates.size();
    Require(state.tableGaps.size() == (rows > 0 ? rows - 1 : 0), "a gap missing between rows");
    Require(std::all_of(state.tableDates.begin(), state.tableDates.end(),
                        [](double day) { return std::isfinite(day) && day >= 1; }),
            "a row date that is no day number");
    const SchedulePlan plan =
        PlanSchedule(state, state.tableGaps, ReadInputLayout(run.rt, static_cast<int>(rows)));
    for (size_t i = 0; i < plan.copies.size() && i < 2; ++i) {
      const int unit = WriteRunFile(run.rt, state, plan.copies[i]);
      if (plan.copies[i].discarded) break;
      run.rt.units.Close(unit);
    }
    const std::vector<std::string> dates = FindFirstAppDates(run.rt, {Ranking{{0}, {50}, {1}}});
    Require(dates.size() == 1 && dates[0].size() <= 11,
            "a first application date longer than 11 characters");
  });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetRunFolder();
  PutFile(std::string(kRunId) + ".tol", AsText(data, size));
  {
    FuzzRun run;
    run.Run([&] {
      OpenModelInput(run.rt);
      GetCompoundList(run.rt);
      for (const std::string& name : Compounds(run.rt)) {
        Require(name.size() <= 200, "a compound name longer than 200 characters");
      }
    });
  }
  for (Schedule schedule : {Schedule::kMonthly, Schedule::kUserDefined, Schedule::kOther}) {
    RunSchedule(schedule);
  }
  return 0;
}
