// The results of a run: the model's concentrations per application id and compound, their
// ranking per compound with percentiles, and the first application day of each compound's
// selected id. Read once, after the model runs; every writer of results takes them as they are.
#pragma once

#include <string>
#include <vector>

#include "driver/public/ranking.h"
#include "driver/run_state.h"
#include "support/runtime.h"

namespace tarn {

// table[a - 1][k - 1] is compound k's concentration for application id a.
using ResultTable = std::vector<std::vector<double>>;

struct RunResults {
  ResultTable table;
  std::vector<Ranking> rankings;           // one per compound
  std::vector<std::string> firstAppDates;  // one per compound, of its selected id

  int NumResults() const { return static_cast<int>(table.size()); }
};

// Collects and ranks the results of the run; the first dates (FindFirstAppDates) are read after.
RunResults ReadRunResults(Runtime& rt, const RunState& state);

// Reads <RunId>_<AppId>.sum of every application id. After model runs these are exactly the ids
// that were run (ids 1 to state.lastAppIdRun), each of which must have its summary; when only
// rebuilding the report, ids 1, 2, ... up to the first missing summary (at most 12 for the
// monthly schedule). No summary at all, and a concentration that is not a finite number, are
// fatal.
ResultTable CollectResults(Runtime& rt, const RunState& state);

// Orders every compound's concentrations from the lowest to the highest and gives each position
// its percentile (RankConcentrations).
std::vector<Ranking> RankResults(const ResultTable& table);

// The date of the first application row (see driver/public/first_app_date.h) in the copy of each
// compound's selected application id; fatal when the copy is missing or gives no date.
std::vector<std::string> FindFirstAppDates(Runtime& rt, const std::vector<Ranking>& rankings);

// The concentrations of every compound in the summary open on `unit`, read as CollectResults reads
// them once the compound list is read; fatal when a line cannot be read. (The front end's live run
// log reads each finished model run's summary with it.)
std::vector<double> ReadSummaryConcentrations(Runtime& rt, int unit);

// The date word of the first row of the Applications table in the copy open on `unit`, as
// FindFirstAppDates reads it; empty when the copy has none.
std::string ReadFirstAppDate(Runtime& rt, int unit);

}  // namespace tarn
