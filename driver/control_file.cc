#include "driver/control_file.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "driver/model_run.h"
#include "reader/free_format.h"
#include "reader/records.h"
#include "reader/typed_readers.h"
#include "support/number_format.h"
#include "support/run_identity.h"
#include "support/text.h"

namespace tarn {

namespace {

// Opens the control file on the input unit. Only a name that does not exist at all (a dangling
// link exists) is created, empty, so that its first record is reported missing; the user's file
// is only ever read, never replaced.
void OpenControlFile(Runtime& rt, const std::string& path) {
  std::error_code unknown;
  const bool missing = std::filesystem::symlink_status(path, unknown).type() ==
                       std::filesystem::file_type::not_found;
  if (missing) {
    // Exclusively: a file that appeared meanwhile is read, not replaced.
    if (std::FILE* created = std::fopen(path.c_str(), "wbx")) std::fclose(created);
  }
  const int status = rt.units.OpenExisting(kInputUnit, path);
  if (status != 0 && !missing) {
    rt.Fail(-1, " Cannot read the control file " + path, " Reason: " + ReasonFor(status));
  }
}

}  // namespace

void ReadControlFile(Runtime& rt, RunState& state) {
  OpenControlFile(rt, rt.InRunFolder(CheckRunId(rt) + ".tsb"));

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
    if (!ParseFreeFormatNumber(Words(rt).Word(1), runs) || runs != std::trunc(runs)) {
      rt.Fail(-1, " Fatal while reading record NumParallelRuns");
    }
    CheckForMinimum(rt, "NumParallelRuns", runs, 1);
    CheckForMaximum(rt, "NumParallelRuns", runs, 64);
    state.numParallelRuns = static_cast<int>(runs);
  }
  // Optional: a program that runs each model command (under Wine, as a job of a batch queue).
  if (FindRecord(rt, "ModelLauncher", 2)) {
    state.modelLauncher = Cut(Words(rt).Word(1), 512);
    WriteSeparator(rt);
    rt.WriteLine(kLogUnit, fmt::A("ModelLauncher", 18) + " " + state.modelLauncher);
    std::error_code error;
    // Where the model runs: the run folder, not the driver's current folder.
    if (!std::filesystem::is_regular_file(FromRunFolder(rt.identity.runFolder, state.modelLauncher),
                                          error)) {
      rt.Fail(-1, " Model launcher not found: " + state.modelLauncher);
    }
  }
  rt.units.Close(kInputUnit);
}

}  // namespace tarn
