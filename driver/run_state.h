// The state of one driver run that the stages hand on to each other: the control file's
// settings, the schedule of application ids and the collected and ranked results.
#pragma once

#include <string>
#include <vector>

#include "driver/control_file.h"

namespace tarn {

// The ranking of one compound: position i (from 0) holds the i-th lowest concentration, its
// percentile and the application id that produced it.
struct Ranking {
  std::vector<double> conc;
  std::vector<double> percentile;
  std::vector<int> rankAppId;
};

// The control file's settings, then what the stages add to them.
struct RunState : ControlSettings {
  // Schedule.
  std::vector<double> tableDates;  // day number of each row of the Applications table
  std::vector<double> tableGaps;   // days between consecutive rows
  int lastAppIdRun = 0;            // the highest application id whose model was run

  // Results: resultTable[a - 1][k - 1] is compound k's concentration for application id a.
  std::vector<std::vector<double>> resultTable;
  std::vector<Ranking> rankings;           // one per compound
  std::vector<std::string> firstAppDates;  // one per compound

  int NumResults() const { return static_cast<int>(resultTable.size()); }
};

}  // namespace tarn
