// Several model runs at once. The model writes scratch files in its working and current folders,
// so each run gets a fresh folder of its own inside the run folder, holding links to the files a
// model may need; what the model wrote there is moved back into the run folder afterwards, except
// its scratch files and success marker. A file that several runs wrote is left as one run at a
// time would leave it (the highest id's) and named on standard output.
#pragma once

#include <string>
#include <vector>

#include "driver/public/model_run_names.h"
#include "driver/run_state.h"
#include "support/runtime.h"

namespace tarn {

// Runs the model on the input of every id in `appIds` (in the run folder), at most `parallel` at
// once, and logs the failed runs in the order of the ids. Relative paths of the control file mean
// the run folder's, as with one run at a time.
void RunModelsInParallel(Runtime& rt, const RunState& state, const std::vector<int>& appIds,
                         int parallel);

// Removes the per-run folders that an interrupted run of this run id left behind.
void RemoveStrayRunFolders(Runtime& rt);

}  // namespace tarn
