#include "driver/driver.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "driver/testing.h"

namespace tarn {
namespace {

using testing::ControlFile;
using testing::DriverRunFolder;
using testing::TempRun;

class DriverRun : public ::testing::Test, public DriverRunFolder {};

TEST_F(DriverRun, MonthlyRunRanksTwelveIdsAndCleansUp) {
  EXPECT_EQ(RunWith(ControlFile(BinDir(), "Monthly")), "End of program");
  EXPECT_EQ(run.ReadFile("tolva.ok"), "TOLVA run succesfully terminated!\n");
  EXPECT_EQ(LeachingLines(),
            (std::vector<std::string>{
                "* This maximum occurs for applicationId:    12",
                "* The first day of application for this applicationId is: 15-Dec",
                "* This maximum occurs for applicationId:     1",
                "* The first day of application for this applicationId is: 15-Jan"}));
  for (const char* gone : {"test.err", "test.log", "test.out", "test.sum", "test.bus"}) {
    EXPECT_FALSE(run.Exists(gone)) << gone;
  }
  EXPECT_TRUE(run.Exists("test_12.tol"));
  EXPECT_FALSE(run.Exists("test_13.tol"));
}

TEST_F(DriverRun, PostProcessingRebuildsTheReportWithoutTheModel) {
  ASSERT_EQ(RunWith(ControlFile(BinDir(), "UserDefined")), "End of program");
  const std::vector<std::string> before = LeachingLines();
  std::filesystem::remove(run.folder / "bin/TolvaModel.exe");
  std::filesystem::remove(run.folder / "tolva.ok");
  TempRun again;  // a fresh run state for the same run folder
  again.rt.identity = run.rt.identity;
  run.WriteFile("test.tsb", ControlFile(BinDir(), "UserDefined", "PostProcessOnly\r\n"));
  EXPECT_EQ(again.StopText([&] { RunDriver(again.rt); }), "End of program");
  EXPECT_EQ(LeachingLines(), before);
  EXPECT_EQ(before[0], "* This maximum occurs for applicationId:    11");
  EXPECT_TRUE(run.Exists("tolva.ok"));
}

TEST_F(DriverRun, PostProcessOnlyBeforeTheLastRecordReadIsNotSeen) {
  run.WriteFile("fail.txt", "1\n");
  const std::string controlFile = "PostProcessOnly remark\r\n" + ControlFile(BinDir(), "Monthly");
  // A normal run: the model runs and fails for id 1.
  EXPECT_EQ(RunWith(controlFile), "An error occurred - program stopped");
  EXPECT_EQ(run.Lines("test.err").back(), " File not found: test_1.sum");
}

TEST_F(DriverRun, AFailedModelRunEndsTheRunNamingTheId) {
  run.WriteFile("fail.txt", "3\n");
  run.WriteFile("test_3.sum", "stub\nResult_CompA x 99\nResult_CompB x 99\n");
  EXPECT_EQ(RunWith(ControlFile(BinDir(), "Monthly")), "An error occurred - program stopped");
  const std::vector<std::string> errorLines = run.Lines("test.err");
  ASSERT_GE(errorLines.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(errorLines.end() - 3, errorLines.end()),
            (std::vector<std::string>{" Error while calling AppId     3",
                                      " Model results missing for application id 3",
                                      " File not found: test_3.sum"}));
  EXPECT_FALSE(run.Exists("tolva.ok"));
}

// A model that empties its input leaves the selected id without a first date: the run ends in
// error, with the collected and ranked results already in the report and no leaching section.
TEST_F(DriverRun, ASelectedIdWithoutAFirstDateEndsTheRunAfterTheTables) {
  run.WriteFile("emptied.txt", "12\n");
  EXPECT_EQ(RunWith(ControlFile(BinDir(), "Monthly")), "An error occurred - program stopped");
  const std::vector<std::string> errorLines = run.Lines("test.err");
  ASSERT_GE(errorLines.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(errorLines.end() - 2, errorLines.end()),
            (std::vector<std::string>{" First application date missing for application id 12",
                                      " File: test_12.tol"}));
  const std::vector<std::string> report = run.Lines("test_Tsb.sum");
  EXPECT_NE(std::find(report.begin(), report.end(),
                      "* Number  Identifier    Percentile   ApplicationId  Leaching concentration "
                      "(ug/L)"),
            report.end());
  EXPECT_NE(
      std::find_if(report.begin(), report.end(),
                   [](const std::string& line) { return line.starts_with("    12    CompB"); }),
      report.end());
  EXPECT_EQ(std::find(report.begin(), report.end(), "* TARN Doduvovuv Report: Leaching"),
            report.end());
}

// The summary of a model run that failed is never taken for its result, even when it can be read:
// the model may have stopped half-way through a number.
TEST(DriverRuns, AModelThatCrashesHalfWayEndsTheRunInError) {
  for (const char* parallel : {"", "2        NumParallelRuns\r\n"}) {
    SCOPED_TRACE(parallel);
    DriverRunFolder folder;
    folder.run.WriteFile("crash.txt", "4\n");
    EXPECT_EQ(folder.RunWith(ControlFile(folder.BinDir(), "Monthly", parallel)),
              "An error occurred - program stopped");
    const std::vector<std::string> errorLines = folder.run.Lines("test.err");
    ASSERT_GE(errorLines.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(errorLines.end() - 3, errorLines.end()),
              (std::vector<std::string>{" Error while calling AppId     4",
                                        " Model results missing for application id 4",
                                        " File not found: test_4.sum"}));
    EXPECT_FALSE(folder.run.Exists("tolva.ok"));
  }
}

TEST_F(DriverRun, LeftoversOfALongerEarlierRunAreRemoved) {
  for (const char* name : {"test_12.tol", "test_12.sum", "test_13.tol", "test_15.tol"}) {
    run.WriteFile(name, "old\n");
  }
  EXPECT_EQ(RunWith(ControlFile(BinDir(), "UserDefined")), "End of program");
  EXPECT_FALSE(run.Exists("test_12.tol"));
  EXPECT_FALSE(run.Exists("test_12.sum"));
  EXPECT_FALSE(run.Exists("test_13.tol"));
  EXPECT_TRUE(run.Exists("test_15.tol"));
}

// The files a run left in its folder (the model's folder and the control file aside), without the
// line that names the folder.
std::map<std::string, std::string> RunFiles(TempRun& run) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(run.folder)) {
    if (!entry.is_regular_file()) {
      EXPECT_EQ(entry.path().filename(), "bin");
      continue;
    }
    if (entry.path().filename() == "test.tsb") continue;
    std::string text;
    for (const std::string& line : run.Lines(entry.path().filename().string())) {
      if (line.rfind("* Working directory", 0) != 0) text += line + "\n";
    }
    files[entry.path().filename().string()] = text;
  }
  return files;
}

// Several model runs at once leave exactly the files of runs one after another.
TEST(ParallelRuns, LeaveTheFilesOfASequentialRun) {
  struct Scenario {
    const char* option;
    const char* failingIds;
  };
  const Scenario kScenarios[] = {{"Monthly", ""}, {"UserDefined", ""}, {"Monthly", "5\n9\n"}};
  for (const Scenario& scenario : kScenarios) {
    SCOPED_TRACE(std::string(scenario.option) + " failing " + scenario.failingIds);
    std::map<std::string, std::string> results[2];
    for (int parallel : {1, 2}) {
      DriverRunFolder folder;
      folder.run.WriteFile("fail.txt", scenario.failingIds);
      folder.RunWith(ControlFile(folder.BinDir(), scenario.option,
                                 parallel > 1 ? "2        NumParallelRuns   ! at once\r\n" : ""));
      results[parallel - 1] = RunFiles(folder.run);
    }
    for (const auto& [name, text] : results[0]) EXPECT_EQ(text, results[1][name]) << name;
    EXPECT_EQ(results[0].size(), results[1].size());
    EXPECT_EQ(results[0].count("tolva.ok"), scenario.failingIds[0] ? 0u : 1u);
  }
}

TEST(ParallelRuns, RefuseABadNumberOfRuns) {
  for (const char* value : {"0", "65", "1.5", "two"}) {
    SCOPED_TRACE(value);
    DriverRunFolder folder;
    folder.RunWith(ControlFile(folder.BinDir(), "Monthly",
                               std::string(value) + "        NumParallelRuns\r\n"));
    EXPECT_FALSE(folder.run.Exists("test_1.tol"));
    EXPECT_EQ(folder.run.Lines("test.err").back(),
              folder.run.rt.error.line3.empty() ? " Fatal while reading record NumParallelRuns"
                                                : "Variable name is: NumParallelRuns");
  }
}

// The folders an interrupted run left are removed; those of run test_B, which may be running in
// the same folder, are not this run's.
TEST(ParallelRuns, AStrayRunFolderOfAnInterruptedRunIsRemoved) {
  DriverRunFolder folder;
  std::filesystem::create_directories(folder.run.folder / ".tarn-run-test_3" / "sub");
  std::filesystem::create_directories(folder.run.folder / ".tarn-run-test_B_3" / "sub");
  folder.RunWith(ControlFile(folder.BinDir(), "Monthly"));
  EXPECT_FALSE(std::filesystem::exists(folder.run.folder / ".tarn-run-test_3"));
  EXPECT_TRUE(std::filesystem::exists(folder.run.folder / ".tarn-run-test_B_3" / "sub"));
}

// With a model launcher every model run goes through it, with the model and its input as the
// launcher's arguments, and the report is that of a run without it.
TEST(ModelLauncher, RunsEveryModelCommand) {
  const char* const kLauncher =
      "#!/bin/sh\n"
      "line=$(printf '%s|' \"$@\")\n"
      "echo \"$line\" >> \"$(dirname \"$0\")/launched.txt\"\n"
      "exec \"$@\"\n";
  for (const char* parallel : {"", "3        NumParallelRuns\r\n"}) {
    SCOPED_TRACE(parallel);
    DriverRunFolder direct, launched;
    direct.RunWith(ControlFile(direct.BinDir(), "Monthly", parallel));
    launched.run.WriteFile("bin/launcher", kLauncher);
    std::filesystem::permissions(launched.run.folder / "bin/launcher",
                                 std::filesystem::perms::owner_all);
    const std::string launcher = (launched.run.folder / "bin/launcher").string();
    EXPECT_EQ(launched.RunWith(ControlFile(
                  launched.BinDir(), "Monthly",
                  std::string(parallel) + launcher + "    ModelLauncher   ! runs the model\r\n")),
              "End of program");
    std::vector<std::string> calls = launched.run.Lines("bin/launched.txt");
    std::sort(calls.begin(), calls.end(), [](const std::string& a, const std::string& b) {
      return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    std::vector<std::string> expected;
    for (int id = 1; id <= 12; ++id) {
      expected.push_back(launched.BinDir() + "/TolvaModel.exe|test_" + std::to_string(id) +
                         ".tol|");
    }
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(RunFiles(launched.run)["test_Tsb.sum"], RunFiles(direct.run)["test_Tsb.sum"]);
  }
}

// A relative model folder or launcher means the run folder's, where the model runs: with one run
// at a time or several, and whatever the driver's current folder.
TEST(ParallelRuns, RelativePathsMeanTheRunFolder) {
  struct Case {
    bool parallel;
    bool launcher;
    bool fromParentFolder;  // the driver's current folder is not the run folder
  };
  const Case kCases[] = {
      {true, false, false},
      {true, true, false},
      {false, true, true},
      {true, true, true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::to_string(c.parallel) + std::to_string(c.launcher) +
                 std::to_string(c.fromParentFolder));
    DriverRunFolder folder;
    folder.run.WriteFile("bin/launcher",
                         "#!/bin/sh\necho \"$2\" >> \"$(dirname \"$0\")/launched.txt\"\n"
                         "exec \"$@\"\n");
    std::filesystem::permissions(folder.run.folder / "bin/launcher",
                                 std::filesystem::perms::owner_all);
    folder.run.WriteFile("test.tsb",
                         ControlFile("bin", "Monthly",
                                     std::string(c.parallel ? "2        NumParallelRuns\r\n" : "") +
                                         (c.launcher ? "bin/launcher    ModelLauncher\r\n" : "")));
    const std::filesystem::path& runFolder = folder.run.folder;
    const int status =
        c.fromParentFolder
            ? testing::WaitForDriver(testing::StartDriver(
                  runFolder.parent_path().string(), runFolder.filename().string() + "\\test.tol",
                  (runFolder / "driver").string()))
            : testing::WaitForDriver(testing::StartDriver(runFolder.string(), "test.tol"));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(folder.run.Exists("test.err"));
    EXPECT_TRUE(folder.run.Exists("tolva.ok"));
    EXPECT_EQ(folder.LeachingLines().size(), 4u);
    if (c.launcher) {
      EXPECT_EQ(folder.run.Lines("bin/launched.txt").size(), 12u);
    }
  }
}

// The built driver refuses a malformed argument without creating any file.
TEST(DriverProgram, RefusesAMalformedArgumentAndCreatesNothing) {
  struct Case {
    const char* argument;
    const char* out;
    const char* err;
  };
  const Case kCases[] = {
      {"my-run",
       " Invalid character in run name\n Only alphanumeric characters and underscore allowed\n",
       "Invalid character in run name\n"},
      {"abc.TOL", " Extension of input file should be .tol\n", "Invalid extension\n"},
      {"abc", "", "Illegal run id - no error file generated\n"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.argument);
    TempRun run;
    const std::string command = std::string("cd '") + run.folder.string() + "' && '" +
                                TARN_BIN_DIR + "/TARN_DoduVovuv' '" + c.argument +
                                "' > out.txt 2> err.txt";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(run.ReadFile("out.txt"), c.out);
    EXPECT_EQ(run.ReadFile("err.txt"), c.err);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(run.folder),
                            std::filesystem::directory_iterator()),
              2);
  }
}

}  // namespace
}  // namespace tarn
