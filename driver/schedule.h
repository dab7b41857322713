// The schedule of application ids: the scenario of the Applications table moved through the
// year, one copy of the model input per application id with the table's rows rewritten.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "driver/public/schedule_plan.h"
#include "driver/run_state.h"
#include "support/runtime.h"

namespace tarn {

// Reads the dates of the Applications table of the model input (on the input unit) and the gaps
// between them.
void ReadApplicationsTable(Runtime& rt, RunState& state);

// Reads the layout of the model input on the input unit, whose table has `rows` rows.
InputLayout ReadInputLayout(Runtime& rt, int rows);

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
