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
    RunState state;
    ReadControlFile(run.rt, state);
    EXPECT_EQ(state.runMode, c.mode);
    EXPECT_FALSE(run.rt.units.IsOpen(kInputUnit));
  }
}

TEST(ReadControlFile, MonthlyReadsNoDays) {
  TempRun run;
  run.WriteFile("test.tsb", std::string(kBinDir) + kMonthly + "999 DayInYeaAppLast (d)\n");
  RunState state;
  ReadControlFile(run.rt, state);
  EXPECT_EQ(state.binDir, "/opt/models");
  EXPECT_EQ(state.optApp, Schedule::kMonthly);
  EXPECT_EQ(state.dayInYeaAppLast, 0);
  EXPECT_EQ(state.numParallelRuns, 1);
}

TEST(ReadControlFile, UserDefinedReadsItsDaysAndRangesThem) {
  TempRun run;
  run.WriteFile("test.tsb", std::string(kBinDir) + kUserDefined + kDays);
  RunState state;
  ReadControlFile(run.rt, state);
  EXPECT_EQ(state.optApp, Schedule::kUserDefined);
  EXPECT_EQ(state.startDay, 80);
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
    RunState state;
    EXPECT_EQ(run.StopText([&] { ReadControlFile(run.rt, state); }),
              "An error occurred - program stopped");
    EXPECT_EQ(run.rt.error.line1, c.line1);
    EXPECT_EQ(run.rt.error.line2, c.line2);
    EXPECT_EQ(run.rt.error.line3, c.line3);
  }
}

}  // namespace
}  // namespace tarn
