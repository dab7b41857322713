// The schedule of application ids: the scenario of the Applications table moved through the
// year, one copy of the model input per application id with the table's rows rewritten.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "driver/run_state.h"
#include "support/runtime.h"

namespace tarn {

// Reads the dates of the Applications table of the model input (on the input unit) and the gaps
// between them.
void ReadApplicationsTable(Runtime& rt, RunState& state);

// How the copies of the model input meet its Applications table, as the schedule writer reads
// the input: it decides where a user-defined schedule ends and which months a monthly copy takes.
// The defaults are those of a model input with one table and lines besides it.
struct InputLayout {
  int tableLines = 1;         // lines that begin "table Applications", each rewritten with its rows
  bool completeTable = true;  // a table line has all the table's rows after it
  bool otherLine = true;      // a line that is neither a table line nor one of its rows
};

// Reads the layout of the model input on the input unit, whose table has `rows` rows.
InputLayout ReadInputLayout(Runtime& rt, int rows);

// One copy of the model input that the schedule writes, for one application id.
struct PlannedCopy {
  int appId = 0;
  double firstDay = 0;  // the day its scenario begins on (the 15th of its first month, monthly)
  int firstMonth = 0;   // monthly: the month of its first table line; past 12 the copy ends there
  bool discarded = false;  // its scenario ends past the last day: deleted once written that far
};

// The schedule of a run, computed once from the control settings and the Applications table:
// the copies in the order of their ids. Only the last can be discarded, which ends the schedule.
struct SchedulePlan {
  std::vector<PlannedCopy> copies;

  // The number of application ids kept, whose models run.
  int KeptCount() const;
};

// The plan of `settings` for a model input whose Applications table has the gaps `tableGaps`
// between its rows: 12 ids for the monthly schedule, 1 for the other option; for the user-defined
// one, ids from the first day on, one interval apart, while the scenario moved to begin there ends
// no later than the last day, then the first id that does not.
SchedulePlan PlanSchedule(const ControlSettings& settings, const std::vector<double>& tableGaps,
                          const InputLayout& layout = {});

// Writes the copy <RunId>_<AppId>.tol in the run folder. Returns the unit it is open on,
// complete; or 0 for a discarded copy, whose file is deleted once it is written past the last day.
int WriteRunFile(Runtime& rt, const RunState& state, const PlannedCopy& copy);

// Writes the copies of the plan in order, handing each kept id to `onKept` while its file is
// still open.
void WriteSchedule(Runtime& rt, const RunState& state, const SchedulePlan& plan,
                   const std::function<void(int appId)>& onKept);

// The days from the first to the last application of the Applications table read into `state`.
double ScenarioSpan(const RunState& state);

}  // namespace tarn
