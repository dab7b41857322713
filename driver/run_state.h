// The state of one driver run that the stages hand on to each other: the control file's
// settings and the schedule of application ids.
#pragma once

#include <string>
#include <vector>

namespace tarn {

enum class Schedule { kMonthly = 1, kUserDefined = 2, kOther = 3 };
enum class RunMode { kNormal = 1, kPostProcessOnly = 2 };

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
};

}  // namespace tarn
