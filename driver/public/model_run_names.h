// The names a model run goes by: the model's program and, when several run at once, the folder of
// each run.
#pragma once

#include <string>

namespace tarn {

// The model's program, which the driver runs in the model folder (BinDir) whatever file the user
// picked there.
inline constexpr char kModelProgram[] = "TolvaModel.exe";

// The name of the folder, inside the run folder, in which the model run of `appId` runs while it
// goes on (the front end tells the running ids by it).
std::string RunFolderName(const std::string& runId, int appId);

}  // namespace tarn
