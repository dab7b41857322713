// Run folders for tests of the whole driver: a two-compound model input, a stand-in model script
// whose behaviour per application id is chosen by small files in the run folder, control files,
// and the built driver started as a process of its own.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "support/testing.h"

namespace tarn::testing {

// The control file of the model in `binDir` and the schedule `option` (a word of the control file)
// with the days offered first, as the writer writes it; `extra` ends it.
std::string ControlFile(const std::string& binDir, const std::string& option,
                        const std::string& extra = "");

// A run folder "test" with the model input and the stand-in model in its folder bin/. The model
// reports application id k as concentration k + (add.txt or 0) for CompA and 13 - k for CompB.
// Files naming ids, one per line, change what it does for those ids: fail.txt (exit 3 without a
// summary), crash.txt (killed half-way through its summary), hang.txt (writes a line to beat.txt
// every 50 ms until it is killed), subfolder.txt (also writes results/<id>.txt), fds.txt (lists
// its open files in fds_<id>.txt), slow.txt (waits half a second first), same.txt (writes its
// id to shared/same.txt, and to replaced.txt by renaming a new file onto it), scratch.txt (writes
// the scratch files and tolva.ok), late.txt (first starts a process that, once the model input
// of the next id exists, rewrites its summary with 500 for both compounds every 50 ms; started
// through the command in late_how.txt, e.g. setsid; the ids of that process and of the model go
// to pids.txt). delay.txt holds seconds every run waits first. A run that succeeds leaves a
// tolva.ok of its own, as the real model may.
class DriverRunFolder {
 public:
  DriverRunFolder();
  std::string BinDir() const;
  // Runs the driver in this process with the control file; returns its last line.
  std::string RunWith(const std::string& controlFile);
  // The lines of the report's leaching section that name the application ids and dates.
  std::vector<std::string> LeachingLines();

  TempRun run;
};

// The built driver, started in `folder` with `argument`, its standard output and standard error
// in <capture>.stdout and <capture>.stderr there. `fileSizeLimit` (bytes, 0 for none) limits
// every file it writes. `user` (-1 for this process's) is the user and group id it runs as.
pid_t StartDriver(const std::string& folder, const std::string& argument,
                  const std::string& capture = "driver", long fileSizeLimit = 0, int user = -1);
// Waits for a process that StartDriver started; its exit status, or -1 when it had to be killed
// after `seconds`.
int WaitForDriver(pid_t pid, double seconds = 60);

}  // namespace tarn::testing
