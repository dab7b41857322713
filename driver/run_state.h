// The state of one driver run that the stages hand on to each other: the control file's
// settings and the schedule of application ids.
#pragma once

#include <string>
#include <vector>

#include "driver/public/control_file.h"

namespace tarn {

// The control file's settings, then what the stages add to them.
struct RunState : ControlSettings {
  // Schedule.
  std::vector<double> tableDates;  // day number of each row of the Applications table
  std::vector<double> tableGaps;   // days between consecutive rows
  int lastAppIdRun = 0;            // the highest application id whose model was run
};

}  // namespace tarn
