// The schedule of application ids as a plan: which copies of the model input the schedule writes,
// computed from the control settings and the model input's Applications table. The driver writes
// it (driver/schedule.h); the front end counts the model runs it expects by it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "driver/public/control_file.h"

namespace tarn {

// How the copies of the model input meet its Applications table, as the schedule writer reads
// the input: it decides where a user-defined schedule ends and which months a monthly copy takes.
// The defaults are those of a model input with one table and lines besides it.
struct InputLayout {
  int tableLines = 1;         // lines that begin "table Applications", each rewritten with its rows
  bool completeTable = true;  // a table line has all the table's rows after it
  bool otherLine = true;      // a line that is neither a table line nor one of its rows
};

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

// A plan read from a model input, with the days from its first to its last application.
struct ScenarioPlan {
  SchedulePlan plan;
  double scenarioSpan = 0;
};

// The plan of `settings` for the model input at `modelInput`, whose Applications table and
// layout are read as the driver reads them; nothing when the driver could not read them (a run
// then names the fault itself).
std::optional<ScenarioPlan> ReadScenarioPlan(const std::string& modelInput,
                                             const ControlSettings& settings);

}  // namespace tarn
