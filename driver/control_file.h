// The reader of the driver's control file <RunId>.tsb; its records, ranges, defaults and writer
// are in driver/public/control_file.h.
#pragma once

#include "driver/public/control_file.h"
#include "support/runtime.h"

namespace tarn {

// Reads the control file of the run folder; a missing file is created empty (its first record is
// then reported missing), one that exists but cannot be read ends the run.
void ReadControlFile(Runtime& rt, ControlSettings& settings);

}  // namespace tarn
