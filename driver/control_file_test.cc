#include "driver/control_file.h"

#include <gtest/gtest.h>

#include "support/testing.h"

namespace tarn {
namespace {

using testing::TempRun;

const char* const kBinDir = "/opt/models    BinDir   ! Path to executable of TOLVA\r\n";
const char* const kMonthly = "Monthly     OptApp               ! Options\r\n";
const char* const kUserDefined = "UserDefined     OptApp               ! Options\r\n";
const char* const kDays =
    "20        DelTimAppId (d)   ! interval\r\n"
    "80        DayInYeaAppFirst (d)      ! first\r\n"
    "310        DayInYeaAppLast (d)       ! last \r\n";

// Where the request to rebuild the report only stands decides whether it is seen.
TEST(ReadControlFile, PostProcessOnlyIsSeenAfterTheLastRecordRead) {
  struct Case {
    std::string text;
    RunMode mode;
  };
  const Case kCases[] = {
      {std::string(kBinDir) + kMonthly + kDays + "PostProcessOnly\r\n", RunMode::kPostProcessOnly},
      {std::string(kBinDir) + kMonthly + "PostProcessOnly\r\n" + kDays, RunMode::kPostProcessOnly},
      {std::string("PostProcessOnly\r\n") + kBinDir + kMonthly + kDays, RunMode::kNormal},
      {std::string(kBinDir) + kUserDefined + "PostProcessOnly\r\n" + kDays, RunMode::kNormal},
      {std::string(kBinDir) + kUserDefined + kDays + "x Remark ! PostProcessOnly later\r\n",
       RunMode::kPostProcessOnly},
      {std::string(kBinDir) + kMonthly + "postprocessonly\r\n", RunMode::kNormal},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    TempRun run;
    run.WriteFile("test.tsb", c.text);
    ControlSettings state;
    ReadControlFile(run.rt, state);
    EXPECT_EQ(state.runMode, c.mode);
    EXPECT_FALSE(run.rt.units.IsOpen(kInputUnit));
  }
}

TEST(ReadControlFile, MonthlyReadsNoDays) {
  TempRun run;
  run.WriteFile("test.tsb", std::string(kBinDir) + kMonthly + "999 DayInYeaAppLast (d)\n");
  ControlSettings state;
  ReadControlFile(run.rt, state);
  EXPECT_EQ(state.binDir, "/opt/models");
  EXPECT_EQ(state.optApp, Schedule::kMonthly);
  EXPECT_EQ(state.dayInYeaAppLast, 0);
  EXPECT_EQ(state.numParallelRuns, 1);
}

TEST(ReadControlFile, UserDefinedReadsItsDaysAndRangesThem) {
  TempRun run;
  run.WriteFile("test.tsb", std::string(kBinDir) + kUserDefined + kDays);
  ControlSettings state;
  ReadControlFile(run.rt, state);
  EXPECT_EQ(state.optApp, Schedule::kUserDefined);
  EXPECT_EQ(state.dayInYeaAppFirst, 80);
  EXPECT_EQ(state.dayInYeaAppLast, 310);
  EXPECT_EQ(state.delTimAppId, 20);
}

// Every refused control file stops the run with the reader's lines.
TEST(ReadControlFile, RefusesBadControlFiles) {
  struct Case {
    std::string text;
    std::string line1, line2, line3;
  };
  const Case kCases[] = {
      {"", "Cannot find record BinDir (column  2, unit  20)", "", ""},
      {std::string(kBinDir) + kUserDefined +
           "0 DelTimAppId (d)\n80 DayInYeaAppFirst (d)\n"
           "310 DayInYeaAppLast (d)\n",
       "FATAL: value < minimum",
       "Input was:    0.000000    ; the mimimum value is:    1.000000    ",
       "Variable name is: DelTimAppId"},
      {std::string(kBinDir) + "Weekly OptApp\n",
       " Option in input file does not match possible options for OptApp",
       " The following options are available:", " Monthly UserDefined Other"},
      {std::string(kBinDir) + kMonthly + "/no/such/launcher    ModelLauncher   ! Wine\n",
       " Model launcher not found: /no/such/launcher", "", ""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    TempRun run;
    if (!c.text.empty()) run.WriteFile("test.tsb", c.text);
    ControlSettings state;
    EXPECT_EQ(run.StopText([&] { ReadControlFile(run.rt, state); }),
              "An error occurred - program stopped");
    EXPECT_EQ(run.rt.error.line1, c.line1);
    EXPECT_EQ(run.rt.error.line2, c.line2);
    EXPECT_EQ(run.rt.error.line3, c.line3);
  }
}

// What the writer writes, the reader reads back, at the ends of every range and with each
// optional record.
TEST(ControlFileText, ReadsBackAsWritten) {
  const auto userDefined = [](double interval, double first, double last) {
    ControlSettings settings;
    settings.binDir = "/opt/models";
    settings.optApp = Schedule::kUserDefined;
    settings.delTimAppId = interval;
    settings.dayInYeaAppFirst = first;
    settings.dayInYeaAppLast = last;
    return settings;
  };
  std::vector<ControlSettings> cases = {
      userDefined(kIntervalRange.minimum, kDayRange.minimum, kDayRange.maximum),
      userDefined(kIntervalRange.maximum, kDayRange.maximum, kDayRange.minimum),
      userDefined(20.5, 80.25, 310.75),
      ControlSettings{.binDir = "bin", .optApp = Schedule::kOther},
  };
  for (const int runs : {kParallelRunsRange.minimum + 1, kParallelRunsRange.maximum}) {
    ControlSettings parallel{.binDir = "bin"};
    parallel.numParallelRuns = runs;
    cases.push_back(parallel);
  }
  ControlSettings launched{.binDir = "bin", .modelLauncher = "launch.sh"};
  launched.runMode = RunMode::kPostProcessOnly;
  cases.push_back(launched);

  for (const ControlSettings& written : cases) {
    const std::string text = ControlFileText(written);
    SCOPED_TRACE(text);
    TempRun run;
    run.WriteFile("launch.sh", "");
    run.WriteFile("test.tsb", text);
    ControlSettings read;
    ReadControlFile(run.rt, read);
    EXPECT_EQ(read.binDir, written.binDir);
    EXPECT_EQ(read.optApp, written.optApp);
    EXPECT_EQ(read.delTimAppId, written.delTimAppId);
    EXPECT_EQ(read.dayInYeaAppFirst, written.dayInYeaAppFirst);
    EXPECT_EQ(read.dayInYeaAppLast, written.dayInYeaAppLast);
    EXPECT_EQ(read.numParallelRuns, written.numParallelRuns);
    EXPECT_EQ(read.modelLauncher, written.modelLauncher);
    EXPECT_EQ(read.runMode, written.runMode);
  }
}

// Past the end of a range the reader refuses what the writer wrote.
TEST(ControlFileText, ValuesPastTheRangesAreRefused) {
  const auto past = [](ControlSettings settings, const char* variable) {
    return std::pair{settings, std::string("Variable name is: ") + variable};
  };
  ControlSettings days{.binDir = "bin", .optApp = Schedule::kUserDefined};
  days.delTimAppId = kDefaultInterval;
  days.dayInYeaAppFirst = kDefaultFirstDay;
  days.dayInYeaAppLast = kDefaultLastDay;
  ControlSettings first = days, last = days, interval = days, runs = days;
  first.dayInYeaAppFirst = kDayRange.minimum - 1;
  last.dayInYeaAppLast = kDayRange.maximum + 1;
  interval.delTimAppId = kIntervalRange.maximum + 1;
  runs.numParallelRuns = kParallelRunsRange.maximum + 1;
  const std::pair<ControlSettings, std::string> cases[] = {
      past(first, "DayInYeaAppFirst"), past(last, "DayInYeaAppLast"), past(interval, "DelTimAppId"),
      past(runs, "NumParallelRuns")};
  for (const auto& [settings, line] : cases) {
    SCOPED_TRACE(line);
    TempRun run;
    run.WriteFile("test.tsb", ControlFileText(settings));
    ControlSettings read;
    EXPECT_EQ(run.StopText([&] { ReadControlFile(run.rt, read); }),
              "An error occurred - program stopped");
    EXPECT_EQ(run.rt.error.line3, line);
  }
}

}  // namespace
}  // namespace tarn
