// What the driver does when things go wrong around it: links planted in the run folder, a full
// disk, stop signals and a killed driver, two drivers in one folder, models that write into
// subfolders of their parallel run folders, files it cannot remove, limits it cannot meet.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "driver/driver.h"
#include "driver/testing.h"
#include "support/platform.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;
using testing::ControlFile;
using testing::DriverRunFolder;
using testing::StartDriver;
using testing::TempRun;
using testing::WaitForDriver;

const char* const kErrorEnd = "An error occurred - program stopped";

std::vector<std::string> LastLines(const std::vector<std::string>& lines, size_t count) {
  return std::vector<std::string>(lines.end() - std::min(count, lines.size()), lines.end());
}

std::string LastLine(const std::vector<std::string>& lines) {
  return lines.empty() ? std::string() : lines.back();
}

bool ExitedWithZero(int status) { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }

// Polls until a model run of the driver writes to `beat` (a hanging model); when none does within
// 30 s, kills the driver, which would otherwise wait for it for ever, and returns false.
bool ModelRunsFor(pid_t driver, const fs::path& beat) {
  for (int i = 0; i < 3000; ++i) {
    if (fs::file_size(beat) > 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(driver, SIGKILL);
  WaitForDriver(driver);
  return false;
}

// True once the file has not grown for 300 ms (within 10 s): nothing writes to it any more.
bool StopsGrowing(const fs::path& file) {
  std::uintmax_t size = fs::file_size(file);
  for (int i = 0; i < 30; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const std::uintmax_t now = fs::file_size(file);
    if (now == size) return true;
    size = now;
  }
  return false;
}

// Every file the driver writes in the run folder is created anew: a link bearing its name is
// removed, never written through, and a dangling one never creates its target.
TEST(Faults, LinksInTheRunFolderAreNeverWrittenThrough) {
  DriverRunFolder folder;
  TempRun outside;
  const char* kNames[] = {"test.err",     "test.out", "test.log",   "test.sum",
                          "test_Tsb.sum", "test.bus", "test_1.tol", "tolva.ok"};
  for (const char* name : kNames) {
    outside.WriteFile(name, "keep\n");
    fs::create_symlink(outside.folder / name, folder.run.folder / name);
  }
  fs::create_symlink(outside.folder / "created", folder.run.folder / "test_2.tol");
  EXPECT_EQ(folder.RunWith(ControlFile(folder.BinDir(), "Monthly")), "End of program");
  for (const char* name : kNames) EXPECT_EQ(outside.ReadFile(name), "keep\n") << name;
  EXPECT_FALSE(outside.Exists("created"));
  EXPECT_EQ(folder.LeachingLines().size(), 4u);
  EXPECT_FALSE(fs::is_symlink(folder.run.folder / "test_Tsb.sum"));
}

// A file that cannot be written completely ends the run in error and never with the success
// marker: a copy of the model input cut short is not handed to the model, a report cut short is
// not passed off as a whole one.
TEST(Faults, AFileThatCannotBeWrittenCompletelyEndsTheRunInError) {
  struct Case {
    const char* what;
    std::string modelInputPadding;  // comment lines that make the copies large
    long fileSizeLimit;
    const char* failingFile;
  };
  const Case kCases[] = {
      {"report", "", 3000, "test_Tsb.sum"},
      {"copy", std::string(100, '*') + "\n", 8192, "test_1.tol"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    DriverRunFolder folder;
    std::string padding;
    while (c.modelInputPadding.size() && padding.size() < 10000) padding += c.modelInputPadding;
    folder.run.WriteFile("test.tol", padding + folder.run.ReadFile("test.tol"));
    folder.run.WriteFile("test.tsb", ControlFile(folder.BinDir(), "Monthly"));
    const int status = WaitForDriver(
        StartDriver(folder.run.folder.string(), "test.tol", "driver", c.fileSizeLimit));
    EXPECT_TRUE(ExitedWithZero(status));
    EXPECT_FALSE(folder.run.Exists("tolva.ok"));
    EXPECT_EQ(LastLine(folder.run.Lines("driver.stderr")), kErrorEnd);
    EXPECT_EQ(
        LastLines(folder.run.Lines("test.err"), 2),
        (std::vector<std::string>{" Cannot write file " + folder.run.rt.InRunFolder(c.failingFile),
                                  " File too large"}));
    // The model never ran on a copy cut short.
    if (c.failingFile == std::string("test_1.tol")) {
      EXPECT_FALSE(folder.run.Exists("test_1.sum"));
    }
  }
}

// On a file system that is full, the error lines that no error file can take go to standard
// error. Needs a small tmpfs, which only root may mount.
TEST(Faults, AFullDiskEndsTheRunInError) {
  TempRun mountPoint;
  const std::string mount =
      "mount -t tmpfs -o size=96k tarn-full-disk '" + mountPoint.folder.string() + "' 2>/dev/null";
  if (geteuid() != 0 || std::system(mount.c_str()) != 0) GTEST_SKIP() << "cannot mount a tmpfs";
  {
    DriverRunFolder folder;  // the files of the run, copied to the small disk
    fs::copy(folder.run.folder, mountPoint.folder, fs::copy_options::recursive);
    const std::string runFolder = mountPoint.folder.string();
    std::ofstream(mountPoint.folder / "test.tsb") << ControlFile(runFolder + "/bin", "Monthly");
    // What is left of the disk holds the first of the run's files, not all of them.
    std::ofstream(mountPoint.folder / "filler", std::ios::binary) << std::string(72 * 1024, 'x');
    const std::string capture = (folder.run.folder / "driver").string();
    const int status = WaitForDriver(StartDriver(runFolder, "test.tol", capture));
    EXPECT_TRUE(ExitedWithZero(status));
    EXPECT_FALSE(mountPoint.Exists("tolva.ok"));
    const std::string errors =
        mountPoint.ReadFile("test.err") + folder.run.ReadFile("driver.stderr");
    EXPECT_NE(errors.find("\n No space left on device\n"), std::string::npos) << errors;
    EXPECT_EQ(LastLine(folder.run.Lines("driver.stderr")), kErrorEnd);
  }
  // The run folders went back to the small disk as their current folder: leave it, or it stays
  // busy and mounted.
  fs::current_path(mountPoint.previousFolder);
  std::system(("umount '" + mountPoint.folder.string() + "'").c_str());
}

// A stop signal ends every model run and then the driver, in error; even a driver that is killed
// leaves no model run writing on.
TEST(Faults, StopSignalsEndTheModelRunsAndTheRun) {
  struct Case {
    int signal;
    const char* extraRecord;
  };
  const Case kCases[] = {
      {SIGTERM, ""},
      {SIGHUP, ""},
      {SIGINT, "2        NumParallelRuns\r\n"},
      {SIGKILL, ""},
      {SIGKILL, "2        NumParallelRuns\r\n"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::to_string(c.signal) + " " + c.extraRecord);
    DriverRunFolder folder;
    folder.run.WriteFile("hang.txt", "3\n");
    // Parallel runs give the model a link to it in its own folder.
    folder.run.WriteFile("beat.txt", "");
    folder.run.WriteFile("test.tsb", ControlFile(folder.BinDir(), "Monthly", c.extraRecord));
    const pid_t driver = StartDriver(folder.run.folder.string(), "test.tol");
    ASSERT_TRUE(ModelRunsFor(driver, folder.run.folder / "beat.txt"));
    kill(driver, c.signal);
    const int status = WaitForDriver(driver);
    EXPECT_TRUE(StopsGrowing(folder.run.folder / "beat.txt"));
    EXPECT_FALSE(folder.run.Exists("test_3.sum"));
    // A killed driver may leave a model's own marker behind, never its own; its busy marker
    // tells that the run did not end.
    EXPECT_NE(folder.run.Exists("tolva.ok") ? folder.run.ReadFile("tolva.ok") : "",
              "TOLVA run succesfully terminated!\n");
    if (c.signal == SIGKILL) {
      EXPECT_TRUE(folder.run.Exists("test.bus"));
      continue;
    }
    EXPECT_FALSE(folder.run.Exists("tolva.ok"));
    EXPECT_TRUE(ExitedWithZero(status));
    EXPECT_EQ(LastLines(folder.run.Lines("test.err"), 2),
              (std::vector<std::string>{" The run was stopped before its end",
                                        " Signal: " + std::to_string(c.signal)}));
    EXPECT_EQ(LastLine(folder.run.Lines("driver.stderr")), kErrorEnd);
    EXPECT_FALSE(folder.run.Exists("test.bus"));
  }
}

// Polls until no process holds the lock of the busy marker (within 60 s): a killed driver's model
// runs hold it until every process of theirs has ended.
bool BecomesFree(const fs::path& busyMarker) {
  for (int i = 0; i < 6000; ++i) {
    std::FILE* file = nullptr;
    int error = 0;
    const LockResult result = LockFile(busyMarker.string(), file, error);
    if (result == LockResult::kLocked) std::fclose(file);
    if (result != LockResult::kHeldByAnother) return result == LockResult::kLocked;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// A model started by a wrapper that does not exec it, and a process of the model that goes on in
// the background or in a session of its own and rewrites the model's summary once the driver has
// gone on to the next id: nothing of a model run outlives it, whether the driver ends normally, is
// stopped or is killed, and after a kill the next run of the folder has its own results.
TEST(Faults, NoProcessOfAModelRunOutlivesIt) {
  struct Case {
    const char* startedThrough;  // how the model starts the process it leaves behind
    int signal;                  // sent to the driver while the model runs; 0 for none
  };
  const Case kCases[] = {{"", 0},       {"setsid", 0},      {"", SIGTERM}, {"setsid", SIGTERM},
                         {"", SIGKILL}, {"setsid", SIGKILL}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.startedThrough) + " " + std::to_string(c.signal));
    DriverRunFolder folder;
    fs::rename(folder.run.folder / "bin/TolvaModel.exe", folder.run.folder / "bin/model.sh");
    folder.run.WriteFile("bin/TolvaModel.exe", "#!/bin/sh\n\"${0%/*}/model.sh\" \"$@\"\nexit $?\n");
    fs::permissions(folder.run.folder / "bin/TolvaModel.exe", fs::perms::owner_all);
    folder.run.WriteFile("late.txt", "1\n");
    folder.run.WriteFile("late_how.txt", c.startedThrough);
    folder.run.WriteFile("test.tsb", ControlFile(folder.BinDir(), "Monthly"));
    if (c.signal != 0) {
      folder.run.WriteFile("hang.txt", "1\n");
      folder.run.WriteFile("beat.txt", "");
    }
    pid_t driver = StartDriver(folder.run.folder.string(), "test.tol");
    if (c.signal != 0) {
      ASSERT_TRUE(ModelRunsFor(driver, folder.run.folder / "beat.txt"));
      kill(driver, c.signal);
    }
    EXPECT_TRUE(ExitedWithZero(WaitForDriver(driver)) || c.signal == SIGKILL);
    if (c.signal == SIGKILL) {
      EXPECT_TRUE(BecomesFree(folder.run.folder / "test.bus"));
    }
    std::vector<pid_t> left;
    std::istringstream pids(folder.run.ReadFile("pids.txt"));
    for (pid_t pid; pids >> pid;) {
      if (kill(pid, 0) == 0) left.push_back(pid);
    }
    EXPECT_TRUE(left.empty()) << left.size() << " processes of the model run are left";
    if (c.signal == SIGKILL) {
      fs::remove(folder.run.folder / "late.txt");
      fs::remove(folder.run.folder / "hang.txt");
      driver = StartDriver(folder.run.folder.string(), "test.tol", "second");
      EXPECT_TRUE(ExitedWithZero(WaitForDriver(driver)));
    }
    if (c.signal != SIGTERM) {
      EXPECT_TRUE(folder.run.Exists("tolva.ok"));
      EXPECT_EQ(folder.run.ReadFile("test_1.sum"), "stub\nResult_CompA x 1\nResult_CompB x 12\n");
    }
    for (pid_t pid : left) kill(pid, SIGKILL);
  }
}

// A run killed half-way leaves none of an earlier run's summaries: a rebuild of the report ranks
// the new run's ids only.
TEST(Faults, AKilledRunLeavesNoEarlierResultsToRank) {
  DriverRunFolder folder;
  ASSERT_EQ(folder.RunWith(ControlFile(folder.BinDir(), "Monthly")), "End of program");
  folder.run.WriteFile("add.txt", "100\n");
  folder.run.WriteFile("hang.txt", "6\n");
  folder.run.WriteFile("beat.txt", "");
  const pid_t driver = StartDriver(folder.run.folder.string(), "test.tol");
  ASSERT_TRUE(ModelRunsFor(driver, folder.run.folder / "beat.txt"));
  kill(driver, SIGKILL);
  WaitForDriver(driver);
  ASSERT_TRUE(BecomesFree(folder.run.folder / "test.bus"));

  folder.run.WriteFile("test.tsb", ControlFile(folder.BinDir(), "Monthly", "PostProcessOnly\r\n"));
  EXPECT_TRUE(ExitedWithZero(WaitForDriver(StartDriver(folder.run.folder.string(), "test.tol"))));
  EXPECT_TRUE(folder.run.Exists("tolva.ok"));
  // CompA is 100 + id in the new run, so its maximum is the last id that ran before the kill.
  EXPECT_EQ(folder.LeachingLines()[0], "* This maximum occurs for applicationId:     5");
}

// Two drivers started at once in one run folder: one runs it, the other stops at once and
// changes nothing.
TEST(Faults, OneDriverRunsARunFolderAtATime) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    DriverRunFolder folder;
    folder.run.WriteFile("delay.txt", "0.1\n");
    folder.run.WriteFile("test.tsb", ControlFile(folder.BinDir(), "Monthly"));
    const pid_t first = StartDriver(folder.run.folder.string(), "test.tol", "first");
    const pid_t second = StartDriver(folder.run.folder.string(), "test.tol", "second");
    WaitForDriver(first);
    WaitForDriver(second);
    std::vector<std::string> lastLines = {LastLine(folder.run.Lines("first.stderr")),
                                          LastLine(folder.run.Lines("second.stderr"))};
    std::sort(lastLines.begin(), lastLines.end());
    EXPECT_EQ(lastLines,
              (std::vector<std::string>{"End of program",
                                        "TOLVA run test is busy - no error file generated"}));
    EXPECT_TRUE(folder.run.Exists("tolva.ok"));
    EXPECT_FALSE(folder.run.Exists("test.err"));
    EXPECT_EQ(folder.LeachingLines().size(), 4u);
  }
}

// Parallel runs move what each model wrote back file by file: a folder that the models write
// into is merged with the user's folder of that name, whose files stay.
TEST(Faults, ParallelRunsMergeTheModelsFoldersIntoTheRunFolder) {
  DriverRunFolder folder;
  folder.run.WriteFile("subfolder.txt", "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n");
  fs::create_directory(folder.run.folder / "results");
  folder.run.WriteFile("results/user_notes.txt", "mine\n");
  EXPECT_EQ(folder.RunWith(ControlFile(folder.BinDir(), "Monthly", "3        NumParallelRuns\r\n")),
            "End of program");
  EXPECT_EQ(folder.run.ReadFile("results/user_notes.txt"), "mine\n");
  for (int id = 1; id <= 12; ++id) {
    EXPECT_EQ(folder.run.ReadFile("results/" + std::to_string(id) + ".txt"),
              std::to_string(id) + "\n");
  }
}

// A model run's folder that cannot be cleared (its model wrote a file where the run folder holds
// a folder) ends the run in error naming that folder, not as a failed model run.
TEST(Faults, AParallelRunFolderThatCannotBeClearedEndsTheRunInError) {
  DriverRunFolder folder;
  folder.run.WriteFile("subfolder.txt", "2\n");
  fs::create_directories(folder.run.folder / "results" / "2.txt");
  folder.run.WriteFile("results/2.txt/mine", "a file of the user\n");
  EXPECT_EQ(folder.RunWith(ControlFile(folder.BinDir(), "Monthly", "2        NumParallelRuns\r\n")),
            kErrorEnd);
  const std::vector<std::string> errorLines = LastLines(folder.run.Lines("test.err"), 2);
  EXPECT_EQ(errorLines[0], " Cannot prepare or clear the model run folder " +
                               (folder.run.folder / ".tarn-run-test_2").string());
  EXPECT_NE(errorLines[1].find("Is a directory"), std::string::npos) << errorLines[1];
  EXPECT_EQ(folder.run.ReadFile("results/2.txt/mine"), "a file of the user\n");
  EXPECT_FALSE(folder.run.Exists("tolva.ok"));
}

// A file that more than one model run of a parallel phase creates (or replaces) is named on
// standard output, once, and holds what one run at a time would leave: the highest id's version.
// The scratch files and the success marker a model run leaves in its own folder are discarded
// with it.
TEST(Faults, ParallelRunsKeepTheHighestIdsVersionOfAFileSeveralCreate) {
  DriverRunFolder folder;
  folder.run.WriteFile("replaced.txt", "user\n");
  folder.run.WriteFile("same.txt", "11\n12\n");
  folder.run.WriteFile("slow.txt", "11\n");  // the lower id finishes last
  folder.run.WriteFile("scratch.txt", "11\n12\n");
  folder.run.WriteFile("fail.txt", "5\n");  // an error end keeps what a model leaves
  EXPECT_EQ(folder.RunWith(ControlFile(folder.BinDir(), "Monthly", "2        NumParallelRuns\r\n")),
            kErrorEnd);
  EXPECT_EQ(folder.run.ReadFile("replaced.txt"), "12\n");
  EXPECT_EQ(folder.run.ReadFile("shared/same.txt"), "12\n");
  const std::string warning = " Warning: more than one model run created ";
  const std::string kept = "; the one of application id 12 is kept";
  EXPECT_EQ(
      folder.run.OutLines(),
      (std::vector<std::string>{warning + folder.run.rt.InRunFolder("replaced.txt") + kept,
                                warning + folder.run.rt.InRunFolder("shared/same.txt") + kept}));
  for (const char* scratch : {"tolva.ok", "zund.log", "meteodat.tmp"}) {
    EXPECT_FALSE(folder.run.Exists(scratch)) << scratch;
  }
}

// A success marker that survives its delete stops the driver before it writes or runs anything:
// it would pass the run off as a success.
TEST(Faults, ASuccessMarkerThatCannotBeRemovedStopsTheDriver) {
  DriverRunFolder folder;
  fs::create_directories(folder.run.folder / "tolva.ok" / "held");
  EXPECT_EQ(folder.RunWith(ControlFile(folder.BinDir(), "Monthly")),
            "Cannot remove tolva.ok - no error file generated");
  for (const char* name : {"test.err", "test.bus", "test_Tsb.sum", "test_1.tol"}) {
    EXPECT_FALSE(folder.run.Exists(name)) << name;
  }
}

// A control file that exists but cannot be read by the driver's user ends the run naming it and
// the reason, and is left as it was: never replaced by an empty one. Root reads everything, so
// the driver then runs as another user.
TEST(Faults, AControlFileThatCannotBeReadIsLeftAsItIs) {
  struct Case {
    const char* what;
    const char* reason;
  };
  const Case kCases[] = {
      {"no read right", "Permission denied"},
      {"link to an unreadable file", "Permission denied"},
      {"dangling link", "No such file or directory"},
      {"folder", "not a regular file"},
  };
  const int user = geteuid() == 0 ? 65534 : -1;
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    DriverRunFolder folder;
    TempRun outside;
    const fs::path control = folder.run.folder / "test.tsb";
    const std::string what = c.what;
    if (what == "no read right") {
      folder.run.WriteFile("test.tsb", ControlFile(folder.BinDir(), "Monthly"));
      fs::permissions(control, fs::perms::none);
    } else if (what == "link to an unreadable file") {
      outside.WriteFile("real.tsb", ControlFile(folder.BinDir(), "Monthly"));
      fs::permissions(outside.folder / "real.tsb", fs::perms::none);
      fs::create_symlink(outside.folder / "real.tsb", control);
    } else if (what == "dangling link") {
      fs::create_symlink(outside.folder / "none.tsb", control);
    } else {
      fs::create_directories(control / "sub");
    }
    const fs::file_status before = fs::symlink_status(control);
    fs::permissions(folder.run.folder, fs::perms::all);
    EXPECT_TRUE(ExitedWithZero(
        WaitForDriver(StartDriver(folder.run.folder.string(), "test.tol", "driver", 0, user))));
    EXPECT_EQ(LastLine(folder.run.Lines("driver.stderr")), kErrorEnd);
    EXPECT_EQ(LastLines(folder.run.Lines("test.err"), 2),
              (std::vector<std::string>{
                  " Cannot read the control file " + folder.run.rt.InRunFolder("test.tsb"),
                  std::string(" Reason: ") + c.reason}));
    EXPECT_EQ(fs::symlink_status(control).type(), before.type());
    EXPECT_EQ(fs::symlink_status(control).permissions(), before.permissions());
    if (what == "no read right") {
      fs::permissions(control, fs::perms::owner_read);
      EXPECT_EQ(folder.run.ReadFile("test.tsb"), ControlFile(folder.BinDir(), "Monthly"));
    } else if (what == "link to an unreadable file") {
      fs::permissions(outside.folder / "real.tsb", fs::perms::owner_read);
      EXPECT_EQ(outside.ReadFile("real.tsb"), ControlFile(folder.BinDir(), "Monthly"));
    } else if (what == "dangling link") {
      EXPECT_FALSE(outside.Exists("none.tsb"));
    } else {
      EXPECT_TRUE(fs::is_directory(control / "sub"));
    }
  }
}

// A FIFO named like a file the driver reads is never read and never waited for: the driver ends
// by itself, as for a file it cannot read, and leaves the FIFO. Were it to wait, a stop signal
// would still have to end it.
TEST(Faults, AFifoNamedLikeAnInputIsNotWaitedFor) {
  struct Case {
    const char* fifo;
    bool postProcessing;        // after a normal run, whose summaries and copies are then read
    const char* lastErrorLine;  // of test.err; nullptr for none
    const char* lastLine;       // of standard error
  };
  const Case kCases[] = {
      {"test.tsb", false, " Reason: not a regular file", kErrorEnd},
      {"test.tol", false, nullptr, "Illegal run id - no error file generated"},
      {"test_1.sum", true, " No model results found for run test", kErrorEnd},
      {"test_1.tol", true, nullptr, nullptr},
  };
  enum class End { kByItself, kAtTheStopSignal, kNever };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.fifo);
    DriverRunFolder folder;
    if (c.postProcessing) {
      ASSERT_EQ(folder.RunWith(ControlFile(folder.BinDir(), "Monthly")), "End of program");
      folder.run.WriteFile("test.tsb",
                           ControlFile(folder.BinDir(), "Monthly", "PostProcessOnly\r\n"));
    } else {
      folder.run.WriteFile("test.tsb", ControlFile(folder.BinDir(), "Monthly"));
    }
    const fs::path fifo = folder.run.folder / c.fifo;
    fs::remove(fifo);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    const pid_t driver = StartDriver(folder.run.folder.string(), "test.tol");
    End end = End::kNever;
    int status = 0;
    for (int i = 0; i < 3000 && end == End::kNever; ++i) {
      if (waitpid(driver, &status, WNOHANG) == driver) end = End::kByItself;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (end == End::kNever) {
      kill(driver, SIGTERM);
      status = WaitForDriver(driver, 30);
      if (status != -1) end = End::kAtTheStopSignal;
    }
    EXPECT_EQ(end, End::kByItself);
    if (end != End::kByItself) continue;
    EXPECT_TRUE(ExitedWithZero(status));
    EXPECT_TRUE(fs::is_fifo(fifo));
    if (c.lastErrorLine) {
      EXPECT_EQ(LastLine(folder.run.Lines("test.err")), c.lastErrorLine);
    }
    if (c.lastLine) {
      EXPECT_EQ(LastLine(folder.run.Lines("driver.stderr")), c.lastLine);
    }
  }
}

// A current folder whose path is too long to be read stops the driver before it writes anything.
TEST(Faults, ACurrentFolderThatCannotBeReadStopsTheDriver) {
  TempRun run;
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(run.folder.c_str()) != 0 || !std::freopen("driver.stderr", "w", stderr)) _exit(126);
    for (int depth = 0; depth < 45; ++depth) {
      const std::string name(100, 'd');
      if (mkdir(name.c_str(), 0700) != 0 || chdir(name.c_str()) != 0) _exit(126);
    }
    const std::string driver = std::string(TARN_BIN_DIR) + "/TARN_DoduVovuv";
    execl(driver.c_str(), driver.c_str(), "GW.tol", static_cast<char*>(nullptr));
    _exit(127);
  }
  EXPECT_TRUE(ExitedWithZero(WaitForDriver(pid)));
  EXPECT_EQ(run.ReadFile("driver.stderr"),
            "Cannot read the current folder - no error file generated\n");
  // Too deep for a removal by full paths.
  std::system(("cd '" + run.folder.string() + "' && rm -rf " + std::string(100, 'd')).c_str());
}

// An exception other than the program's own stop ends the run through the error file.
TEST(Faults, AnUnexpectedErrorEndsTheRunThroughTheErrorFile) {
  TempRun run;
  OpenAfterDelete(run.rt, kErrUnit, run.rt.InRunFolder("test.err"));
  EXPECT_EQ(run.StopText([&] {
    RunGuarded(run.rt, [] { throw std::out_of_range("index 12 out of range"); });
  }),
            kErrorEnd);
  EXPECT_EQ(run.Lines("test.err"),
            (std::vector<std::string>{" Unexpected error: index 12 out of range"}));
}

// A model run holds none of the driver's files open.
TEST(Faults, ModelRunsInheritNoneOfTheDriversFiles) {
  DriverRunFolder folder;
  folder.run.WriteFile("fds.txt", "2\n");
  ASSERT_EQ(folder.RunWith(ControlFile(folder.BinDir(), "Monthly")), "End of program");
  const std::string openFiles = folder.run.ReadFile("fds_2.txt");
  ASSERT_FALSE(openFiles.empty());
  for (const char* name : {"test.bus", "test.err", "test.log", "test.out", "test.sum",
                           "test_Tsb.sum", "test_2.tol", "test.tol"}) {
    EXPECT_EQ(openFiles.find((folder.run.folder / name).string()), std::string::npos) << name;
  }
}

}  // namespace
}  // namespace tarn
