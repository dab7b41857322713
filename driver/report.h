// The run's files and the driver's report <RunId>_Tsb.sum: the busy marker, the headers of the
// run's text files, and the collected, ranked and leaching sections.
#pragma once

#include <string>
#include <vector>

#include "driver/run_state.h"
#include "support/runtime.h"

namespace tarn {

// Creates the run folder when needed, the busy marker and the run's text files with their
// headers, and reads the compound list of the model input.
void SetUpRunFiles(Runtime& rt);

// Writes the result sections of the report; ranks the results and finds the first application
// days on the way.
void WriteResultReport(Runtime& rt, RunState& state);

// The lines of the result sections, as WriteResultReport writes them (the front end checks a
// report against them):
// the heading of the table of collected results,
std::string ResultTableHeading(int numCompounds);
// an application id's row of that table,
std::string ResultTableRow(int appId, const std::vector<double>& concentrations);
// a row of the ranked table: the `position`-th lowest concentration of a compound,
std::string RankedRow(int position, const std::string& compoundName, double percentile, int appId,
                      double conc);
// and a compound's lines of the leaching section: its highest concentration, the application id
// that gave it and that id's first application date.
std::vector<std::string> LeachingLines(const std::string& compoundName, double maxConc, int appId,
                                       const std::string& firstDate);

// A compound's name as the report shows it: its first 15 characters.
std::string ShownCompoundName(const std::string& name);

}  // namespace tarn
