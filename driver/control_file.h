// The driver's control file <RunId>.tsb: the model folder, the schedule and its days, and the
// request to rebuild the report only.
#pragma once

#include "driver/run_state.h"
#include "support/runtime.h"

namespace tarn {

// Reads the control file of the run folder into the state; a missing file is created empty (its
// first record is then reported missing), one that exists but cannot be read ends the run.
void ReadControlFile(Runtime& rt, RunState& state);

}  // namespace tarn
