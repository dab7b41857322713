// Collection of the model's concentrations per application id and compound, their ranking per
// compound with percentiles, and the first application day of the selected id.
#pragma once

#include "driver/run_state.h"
#include "support/runtime.h"

namespace tarn {

// Reads <RunId>_<AppId>.sum of every application id into state.resultTable. After model runs
// these are exactly the ids that were run (ids 1 to state.lastAppIdRun), each of which must have
// its summary; when only rebuilding the report, ids 1, 2, ... up to the first missing summary (at
// most 12 for the monthly schedule). No summary at all, and a concentration that is not a finite
// number, are fatal.
void CollectResults(Runtime& rt, RunState& state);

// Orders every compound's concentrations from the lowest to the highest and gives each position
// its percentile (RankConcentrations).
void RankResults(Runtime& rt, RunState& state);

// The ranking of the concentrations of application ids 1, 2, ... (conc[0] is id 1's): from the
// lowest to the highest by an exchange sort, which fixes the order of equal values (a NaN never
// moves), each position i (from 0) with its Hazen percentile (i + 0.5) / N * 100.
Ranking RankConcentrations(const std::vector<double>& conc);

// The date of the first application row in the copy of each compound's selected application id;
// fatal when the copy is missing or gives no date. Needs the ranking of at least one result,
// which CollectResults guarantees.
void FindFirstAppDates(Runtime& rt, RunState& state);

// The concentrations of every compound in the summary open on `unit`, read as CollectResults reads
// them once the compound list is read; fatal when a line cannot be read. (The front end's live run
// log reads each finished model run's summary with it.)
std::vector<double> ReadSummaryConcentrations(Runtime& rt, int unit);

// The date word of the first row of the Applications table in the copy open on `unit`, as
// FindFirstAppDates reads it; empty when the copy has none.
std::string ReadFirstAppDate(Runtime& rt, int unit);

}  // namespace tarn
