// Validation of the driver's one argument into the run identifier and the run folder, and the
// calling-program identity that decides whether an error end beeps.
#pragma once

#include <string>

#include "driver/public/run_argument.h"
#include "support/runtime.h"

namespace tarn {

// The run identifier. The first call reads the argument (ParseRunArgument) and fixes the run
// folder; a refused argument stops the program with its lines. Later calls return the same
// identifier.
std::string CheckRunId(Runtime& rt);

// The one-letter code of the calling program this driver is built for ("F").
char CheckCallingProgram(Runtime& rt);

}  // namespace tarn
