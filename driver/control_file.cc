#include "driver/control_file.h"

#include <cmath>

#include "reader/free_format.h"
#include "reader/records.h"
#include "reader/typed_readers.h"
#include "support/run_identity.h"

namespace tarn {

void ReadControlFile(Runtime& rt, RunState& state) {
  const std::string path = rt.InRunFolder(CheckRunId(rt) + ".tsb");
  if (rt.units.OpenExisting(kInputUnit, path) != 0) {
    rt.units.OpenNew(kInputUnit, path);
    rt.units.Close(kInputUnit);
    rt.units.OpenExisting(kInputUnit, path);
  }

  state.binDir = RdString(rt, "BinDir", 512);
  state.optApp = static_cast<Schedule>(RdOption(rt, "OptApp", "Monthly UserDefined Other"));
  if (state.optApp == Schedule::kUserDefined) {
    state.dayInYeaAppFirst = RdFloat(rt, "DayInYeaAppFirst", "(d)", 0, 365);
    state.dayInYeaAppLast = RdFloat(rt, "DayInYeaAppLast", "(d)", 0, 365);
    // Below one whole day the schedule would never advance.
    state.delTimAppId = RdFloat(rt, "DelTimAppId", "(d)", 1, 150);
  }
  state.startDay = state.dayInYeaAppFirst;

  // The request is seen only after the last record read: each lookup leaves the file there.
  state.runMode = RunMode::kNormal;
  for (std::string line; ReadUnitLine(rt, kInputUnit, line);) {
    if (line.find("PostProcessOnly") != std::string::npos)
      state.runMode = RunMode::kPostProcessOnly;
  }

  // Optional, and looked up after the scan so that the scan sees the lines it always saw.
  if (FindRecord(rt, "NumParallelRuns", 2)) {
    double runs = 0;
    if (!ParseFreeFormatNumber(rt.words.Word(1), runs) || runs != std::trunc(runs)) {
      rt.Fail(-1, " Fatal while reading record NumParallelRuns");
    }
    CheckForMinimum(rt, "NumParallelRuns", runs, 1);
    CheckForMaximum(rt, "NumParallelRuns", runs, 64);
    state.numParallelRuns = static_cast<int>(runs);
  }
  rt.units.Close(kInputUnit);
}

}  // namespace tarn
