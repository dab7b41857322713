#include "driver/testing.h"

#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "driver/driver.h"
#include "driver/public/control_file.h"

namespace tarn::testing {

namespace {

const char* const kModelInput =
    "* test scenario\n"
    "table compounds\n"
    "CompA\n"
    "CompB\n"
    "end_table\n"
    "table Applications\n"
    "01-Apr AppSolSur 1.0\n"
    "15-Apr AppSolSur 1.0\n"
    "end_table\n";

const char* const kStubModel =
    "#!/bin/sh\n"
    "base=\"${1%.tol}\"; id=\"${base##*_}\"\n"
    "listed() { grep -qx \"$id\" \"$1\" 2>/dev/null; }\n"
    "[ -f delay.txt ] && sleep \"$(cat delay.txt)\"\n"
    "listed late.txt && { $(cat late_how.txt 2>/dev/null) sh -c '\n"
    "  until [ -e \"$1\" ]; do sleep 0.05; done\n"
    "  while :; do printf \"stub\\nResult_CompA x 500\\nResult_CompB x 500\\n\" > \"$0\"; "
    "sleep 0.05; done\n"
    "' \"$base.sum\" \"${base%_*}_$((id + 1)).tol\" & echo \"$! $$\" >> pids.txt; }\n"
    "listed fail.txt && exit 3\n"
    "listed hang.txt && while :; do echo \"$id\" >> beat.txt; sleep 0.05; done\n"
    "listed crash.txt && printf 'stub\\nResult_CompA x %s\\nResult_CompB x 9' \"$id\" > "
    "\"$base.sum\" && kill -KILL $$\n"
    "listed subfolder.txt && mkdir -p results && echo \"$id\" > \"results/$id.txt\"\n"
    "listed fds.txt && ls -l /proc/$$/fd > \"fds_$id.txt\"\n"
    "listed slow.txt && sleep 0.5\n"
    "listed emptied.txt && : > \"$1\"\n"
    "listed same.txt && mkdir -p shared && echo \"$id\" > shared/same.txt && "
    "echo \"$id\" > replaced.new && mv replaced.new replaced.txt\n"
    "listed scratch.txt && for f in tolva.ok tolva.tmp evtfil.tmp prnevtfil.tmp zund.log "
    "meteodat.tmp; do echo model > \"$f\"; done\n"
    "add=$(cat add.txt 2>/dev/null || echo 0)\n"
    "printf 'stub\\nResult_CompA x %s\\nResult_CompB x %s\\n' \"$((id + add))\" \"$((13 - id))\" > "
    "\"$base.sum\"\n"
    // As the real model may, it leaves a success marker of its own.
    "echo \"stub run $id\" > tolva.ok\n";

// The folder of a copy of the driver that every user may start (see DriverEveryoneMayStart), in a
// buffer that outlives every static object, so that the copy can be removed at exit.
char sharedDriverFolder[4096] = "";

void RemoveSharedDriver() { std::filesystem::remove_all(sharedDriverFolder); }

// That copy, for a build folder that another user cannot enter (a checkout in root's home): made
// once, in a temporary folder removed at exit.
std::string DriverEveryoneMayStart() {
  namespace fs = std::filesystem;
  if (!*sharedDriverFolder) {
    const std::string folder = (fs::temp_directory_path() / "tarn-driver-XXXXXX").string();
    if (folder.size() >= sizeof sharedDriverFolder) return std::string();
    folder.copy(sharedDriverFolder, folder.size());
    if (!mkdtemp(sharedDriverFolder)) {
      *sharedDriverFolder = '\0';
      return std::string();
    }
    std::atexit(RemoveSharedDriver);
    fs::permissions(sharedDriverFolder, fs::perms::owner_all | fs::perms::group_read |
                                            fs::perms::group_exec | fs::perms::others_read |
                                            fs::perms::others_exec);
    fs::copy_file(std::string(TARN_BIN_DIR) + "/TARN_DoduVovuv",
                  std::string(sharedDriverFolder) + "/TARN_DoduVovuv");
  }
  return std::string(sharedDriverFolder) + "/TARN_DoduVovuv";
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

std::string ControlFile(const std::string& binDir, const std::string& option,
                        const std::string& extra) {
  ControlSettings settings;
  settings.binDir = binDir;
  settings.optApp = ScheduleOfWord(option).value();
  settings.delTimAppId = kDefaultInterval;
  settings.dayInYeaAppFirst = kDefaultFirstDay;
  settings.dayInYeaAppLast = kDefaultLastDay;
  return ControlFileText(settings) + extra;
}

DriverRunFolder::DriverRunFolder() {
  run.WriteFile("test.tol", kModelInput);
  std::filesystem::create_directory(run.folder / "bin");
  run.WriteFile("bin/TolvaModel.exe", kStubModel);
  std::filesystem::permissions(run.folder / "bin/TolvaModel.exe",
                               std::filesystem::perms::owner_all);
}

std::string DriverRunFolder::BinDir() const { return (run.folder / "bin").string(); }

std::string DriverRunFolder::RunWith(const std::string& controlFile) {
  run.WriteFile("test.tsb", controlFile);
  return run.StopText([&] { RunDriver(run.rt); });
}

std::vector<std::string> DriverRunFolder::LeachingLines() {
  std::vector<std::string> lines;
  for (const std::string& line : run.Lines("test_Tsb.sum")) {
    if (line.rfind("* This maximum", 0) == 0 || line.rfind("* The first day", 0) == 0) {
      lines.push_back(line);
    }
  }
  return lines;
}

pid_t StartDriver(const std::string& folder, const std::string& argument,
                  const std::string& capture, long fileSizeLimit, int user) {
  std::string driver = std::string(TARN_BIN_DIR) + "/TARN_DoduVovuv";
  const std::string shared = user >= 0 ? DriverEveryoneMayStart() : std::string();
  const pid_t pid = fork();
  if (pid == 0) {
    if (user >= 0 && (setgroups(0, nullptr) != 0 || setgid(user) != 0 || setuid(user) != 0)) {
      _exit(126);
    }
    if (user >= 0 && access(driver.c_str(), X_OK) != 0) driver = shared;
    if (chdir(folder.c_str()) != 0) _exit(126);
    if (!std::freopen((capture + ".stdout").c_str(), "w", stdout) ||
        !std::freopen((capture + ".stderr").c_str(), "w", stderr)) {
      _exit(126);
    }
    if (fileSizeLimit > 0) {
      const rlimit limit{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    execl(driver.c_str(), driver.c_str(), argument.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

int WaitForDriver(pid_t pid, double seconds) {
  const auto start = std::chrono::steady_clock::now();
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (SecondsSince(start) > seconds) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return status;
}

}  // namespace tarn::testing
