// The keyword reader on arbitrary control files: records, options, ranged reals and the optional
// records, as the driver reads its control file.
#include "driver/control_file.h"
#include "fuzz/fuzz_run.h"

using namespace tarn;
using namespace tarn::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetRunFolder();
  PutFile(std::string(kRunId) + ".tsb", AsText(data, size));
  FuzzRun run;
  ControlSettings state;
  if (!run.Run([&] { ReadControlFile(run.rt, state); })) return 0;

  // A control file that passes holds settings the schedule can use as they are.
  Require(state.binDir.size() <= 512 && state.binDir.find_first_of(" \t") == std::string::npos,
          "BinDir is not one word of at most 512 characters");
  Require(state.optApp == Schedule::kMonthly || state.optApp == Schedule::kUserDefined ||
              state.optApp == Schedule::kOther,
          "OptApp is none of the options");
  if (state.optApp == Schedule::kUserDefined) {
    Require(state.dayInYeaAppFirst >= 0 && state.dayInYeaAppFirst <= 365 &&
                state.dayInYeaAppLast >= 0 && state.dayInYeaAppLast <= 365,
            "a day of the schedule outside 0 to 365");
    Require(state.delTimAppId >= 1 && state.delTimAppId <= 150,
            "DelTimAppId outside 1 to 150: the schedule might never end");
  }
  Require(state.numParallelRuns >= 1 && state.numParallelRuns <= 64,
          "NumParallelRuns outside 1 to 64");
  Require(run.rt.units.OpenUnits().empty(), "the control file left open");
  return 0;
}
