// One run of the external model on the model input of an application id.
#pragma once

#include <string>

#include "driver/public/model_run_names.h"
#include "driver/run_state.h"
#include "support/runtime.h"

namespace tarn {

// A path of the control file (the model folder, the launcher): relative to the run folder, where
// the model runs, unless absolute. Joined to `runFolder`, for use from elsewhere.
std::string FromRunFolder(const std::string& runFolder, const std::string& path);

// The command that runs the model of the control file on `runFile`, as the interpreter's direct
// child: through the model launcher when the control file names one. For a model that runs in
// another folder than the run folder, `runFolder` (an absolute path) is given, and the relative
// paths of the control file are resolved against it. A bare launcher name is left to the
// interpreter's search, as it is when the model runs in the run folder.
std::string ModelCommand(const RunState& state, const std::string& runFile,
                         const std::string& runFolder = "");

// Notes a failed model run of `appId` in the log and error files and discards the summary it may
// have left: a model that failed may have written it only in part, so the id counts as without
// results.
void HandleFailedModelRun(Runtime& rt, int appId);

// Deletes the summary of a model run of `appId` that failed or was cut short by a stop request:
// it may be written only in part.
void DiscardSummary(Runtime& rt, int appId);

// Runs the model on `runFile` in the run folder and waits for it; a failed run is handled as
// above, and the run goes on. A stop requested meanwhile ends the run in error.
void RunModelForAppId(Runtime& rt, const RunState& state, int appId, const std::string& runFile);

}  // namespace tarn
