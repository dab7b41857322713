// One run of the driver, from the validated argument to the report and the end of the program.
#pragma once

#include "support/runtime.h"

namespace tarn {

// Runs the stages of a run in order; ends through EndOfProgram (a ProgramStop) in every case.
[[noreturn]] void RunDriver(Runtime& rt);

}  // namespace tarn
