// The run's files and the driver's report <RunId>_Tsb.sum: the busy marker, the headers of the
// run's text files, and the collected, ranked and leaching sections.
#pragma once

#include "driver/run_state.h"
#include "support/runtime.h"

namespace tarn {

// Creates the run folder when needed, the busy marker and the run's text files with their
// headers, and reads the compound list of the model input.
void SetUpRunFiles(Runtime& rt);

// Writes the result sections of the report; ranks the results and finds the first application
// days on the way.
void WriteResultReport(Runtime& rt, RunState& state);

}  // namespace tarn
