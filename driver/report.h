// The run's files and the driver's report <RunId>_Tsb.sum: the busy marker, the headers of the
// run's text files, and the collected, ranked and leaching sections (their lines and the parsers
// of them are in driver/public/report_layout.h).
#pragma once

#include "driver/results.h"
#include "support/runtime.h"

namespace tarn {

// Creates the run folder when needed, the busy marker and the run's text files with their
// headers, and reads the compound list of the model input.
void SetUpRunFiles(Runtime& rt);

// Writes the report's sections of the collected results and of their rankings.
void WriteResultTables(Runtime& rt, const RunResults& results);

// Writes the report's leaching section: each compound's selection with its first application
// date.
void WriteLeachingSection(Runtime& rt, const RunResults& results);

}  // namespace tarn
