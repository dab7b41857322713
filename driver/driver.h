// One run of the driver, from the validated argument to the report and the end of the program.
#pragma once

#include <functional>

#include "support/runtime.h"

namespace tarn {

// Runs the stages of a run in order; ends through EndOfProgram (a ProgramStop) in every case.
[[noreturn]] void RunDriver(Runtime& rt);

// Runs `stages`, which end the program; any other exception that leaves them (a file system
// error, an access out of range) ends the run through FatalError with the exception's text.
[[noreturn]] void RunGuarded(Runtime& rt, const std::function<void()>& stages);

}  // namespace tarn
