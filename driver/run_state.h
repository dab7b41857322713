// The state of one driver run that the stages hand on to each other: the control file's
// settings, the schedule of application ids and the collected and ranked results.
#pragma once

#include <string>
#include <vector>

namespace tarn {

enum class Schedule { kMonthly = 1, kUserDefined = 2, kOther = 3 };
enum class RunMode { kNormal = 1, kPostProcessOnly = 2 };

// The ranking of one compound: position i (from 0) holds the i-th lowest concentration, its
// percentile and the application id that produced it.
struct Ranking {
  std::vector<double> conc;
  std::vector<double> percentile;
  std::vector<int> rankAppId;
};

struct RunState {
  // Control file.
  std::string binDir;
  std::string modelLauncher;  // the program each model command is handed to; empty for none
  Schedule optApp = Schedule::kMonthly;
  double dayInYeaAppFirst = 0;
  double dayInYeaAppLast = 0;
  double delTimAppId = 0;
  RunMode runMode = RunMode::kNormal;
  int numParallelRuns = 1;  // model runs at once

  // Schedule.
  std::vector<double> tableDates;  // day number of each row of the Applications table
  std::vector<double> tableGaps;   // days between consecutive rows
  double startDay = 0;             // first application day of the current application id
  int monthCounter = 0;            // Applications tables met so far in the copies
  bool stopFlag = false;           // the current application id was discarded
  int lastAppIdRun = 0;            // the highest application id whose model was run

  // Results: resultTable[a - 1][k - 1] is compound k's concentration for application id a.
  std::vector<std::vector<double>> resultTable;
  std::vector<Ranking> rankings;           // one per compound
  std::vector<std::string> firstAppDates;  // one per compound

  int NumResults() const { return static_cast<int>(resultTable.size()); }
};

}  // namespace tarn
