// The schedule of application ids: the scenario of the Applications table moved through the
// year, one copy of the model input per application id with the table's rows rewritten.
#pragma once

#include <functional>
#include <string>

#include "driver/run_state.h"
#include "support/runtime.h"

namespace tarn {

// Reads the dates of the Applications table of the model input (on the input unit) and the gaps
// between them.
void ReadApplicationsTable(Runtime& rt, RunState& state);

// Writes <RunId>_<AppId>.tol in the run folder. Returns the unit it is open on, complete; or, when
// the application id lies past the schedule's end, sets state.stopFlag, deletes the file and
// returns 0.
int WriteRunFile(Runtime& rt, RunState& state, int appId);

// Writes the model input of application id 1, 2, ... until the schedule ends (after id 12 for the
// monthly schedule, after id 1 for the other option, at the first discarded id for the
// user-defined one), handing each kept id to `onKept` while its file is still open.
void WriteSchedule(Runtime& rt, RunState& state, const std::function<void(int appId)>& onKept);

// The most application ids a schedule can have: 12 for the monthly one, 1 for the other option;
// for the user-defined one, one per whole interval from the first to the last day, which a
// scenario of one application reaches (the spread of more applications can end it sooner).
int MostAppIds(Schedule option, double firstDay, double lastDay, double interval);

// The number of application ids the schedule of `state` keeps, its Applications table read
// (ReadApplicationsTable): MostAppIds, where a user-defined id is kept while its scenario, moved
// to begin on the id's first day, ends no later than the last day. A table whose applications
// span more days than the first to the last day allow gives none.
int AppIdCount(const RunState& state);

// The days from the first to the last application of the Applications table read into `state`.
double ScenarioSpan(const RunState& state);

}  // namespace tarn
