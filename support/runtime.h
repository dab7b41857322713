// The state one run of the driver owns: its arguments and output streams, the console, the run
// identity, the open files, the fatal-error record, and the state of the layers above.
// main() creates one; every test creates a fresh one. A stop of the program, normal or not,
// unwinds to whoever created it as a ProgramStop.
#pragma once

#include <map>
#include <memory>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <typeindex>
#include <vector>

#include "driver/public/run_files.h"
#include "support/platform.h"
#include "support/units.h"

namespace tarn {

// The last line of an error end.
extern const char* const kErrorEndText;

// Thrown once the program's last line is on standard error; main() ends with status 0.
class ProgramStop : public std::runtime_error {
 public:
  explicit ProgramStop(const std::string& lastLine) : std::runtime_error(lastLine) {}
};

// The fatal-error record, filled just before FatalError.
struct ErrorRecord {
  int status = 0;
  std::string line1, line2, line3;
};

// Who the run is: filled by the first CheckRunId.
struct RunIdentity {
  bool checked = false;
  std::string runId;      // bare run name, at most 200 characters
  std::string runFolder;  // native path of the run's folder
  std::string cpuId;
  char callingProgramCode = 0;  // 0 until CheckCallingProgram classified it
};

// State that a layer above the run-time support keeps for the whole run (the reader's word list
// and compound list), one object of each type, created on first use: the run owns it, the layer
// that defines the type gives it its meaning.
class LayerStates {
 public:
  template <typename State>
  State& Get() {
    std::shared_ptr<void>& state = states_[std::type_index(typeid(State))];
    if (!state) state = std::make_shared<State>();
    return *static_cast<State*>(state.get());
  }

 private:
  std::map<std::type_index, std::shared_ptr<void>> states_;
};

class Runtime {
 public:
  // `args` as main() received them: the program name, then the arguments.
  Runtime(std::vector<std::string> args, std::ostream& out, std::ostream& err, Console& console);

  std::vector<std::string> args;
  std::ostream& out;  // standard output
  std::ostream& err;  // standard error
  Console& console;

  RunIdentity identity;
  UnitTable units;
  ErrorRecord error;
  LayerStates layers;

  // Fills the error record and reports it through FatalError.
  [[noreturn]] void Fail(int status, std::string line1, std::string line2 = "",
                         std::string line3 = "", int inputUnit = kInputUnit);
  // Shows the error record on the console and in the error file, then ends in error.
  [[noreturn]] void FatalError(int inputUnit = kInputUnit);
  // Closes and cleans up; a status other than 0 is an error end. Does not return.
  [[noreturn]] void EndOfProgram(int status);
  // Ends at once with `text` on standard error, without clean-up (no error file exists yet).
  [[noreturn]] void StopDirectly(const std::string& text);

  // Runs a command through the command interpreter with the console's cursor on the model's
  // output row, once every line written so far has reached its file; returns its exit code (see
  // RunCommand).
  int RunOnConsole(const std::string& command, const std::string& workingFolder = "");

  // Writes one line to a unit open for writing; a write that fails ends the run in error.
  void WriteLine(int unit, std::string_view line);
  // Hands every written line to its file; a failure ends the run in error.
  void FlushAll();
  // Closes a unit whose file is kept; a failure to keep what was written ends the run in error.
  void CloseKept(int unit);
  // Ends the run in error: the file at `path` could not be written, for the system's reason
  // `error`.
  [[noreturn]] void FailWriting(const std::string& path, int error);
  // Ends the run in error when a stop was requested (see CatchStopRequests).
  void StopIfRequested();

  // The path of `name` in the run folder.
  std::string InRunFolder(const std::string& name) const;
};

// A run-time for reading files as the driver reads them outside a run (for the front end): without
// a run argument, a file it cannot read stops the reading at once (a ProgramStop) and nothing of
// a run folder is cleaned up; what the reading prints is kept, never shown.
struct DetachedRuntime {
  std::ostringstream out, err, console;
  Console silent{console, /*isTerminal=*/false};
  Runtime rt{{"TARN_SB"}, out, err, silent};
};

// The lowest unit from 26 to 200 that is not open; fatal when all are.
int FreeFil(Runtime& rt);
// Opens `name` on `unit` as a new, empty file; stops directly when that fails.
void OpenAfterDelete(Runtime& rt, int unit, const std::string& name);
// Deletes the file when it exists; never fails.
void DeleteIfExists(const std::string& name);
// Removes the run folder's success marker; false when something still bears its name.
bool RemoveSuccessMarker(const Runtime& rt);
// The folder part of `path` with its last separator; empty when there is none.
std::string GetFolderOfFile(const std::string& path);

}  // namespace tarn
