// Run plan: the scenarios of one call of the headless mode, read from a CSV file (UTF-8,
// comma-separated, a header row) with one row per scenario: its name (its subfolder of the
// plan's output folder), its model input and, optionally, its option, day values, model and
// launcher. Every row is checked as Calculate checks a run before anything runs.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "frontend/run_preparation.h"

namespace tarn::frontend {

// One scenario of a plan.
struct PlanScenario {
  int row = 0;           // its row in the plan file, the header being row 1
  QString name;          // letters, digits and _: its subfolder of the plan's output folder
  RunSettings settings;  // the run, its output folder that subfolder
  int modelRuns = 0;     // the application ids its schedule keeps
};

// Reads the plan at `path` and checks every row; a path in it is relative to the plan's folder.
// An empty cell, or a column left out, takes the value of `defaults` (the command line's, with
// the usual defaults). The scenarios' folders lie in `outputFolder`; one that does not exist yet
// is made when its scenario runs. Every problem is appended to `problems` as a line that names
// the plan's row and column; the scenarios are only good when there is none.
std::vector<PlanScenario> ReadRunPlan(const QString& path, const QString& outputFolder,
                                      const RunSettings& defaults, QStringList& problems);

}  // namespace tarn::frontend
