#include "frontend/run_progress.h"

#include <gtest/gtest.h>

#include "frontend/testing.h"

namespace tarn::frontend {
namespace {

RunSettings Schedule(const char* option, const char* interval, const char* firstDay,
                     const char* lastDay) {
  return {"/in/GW.tol", "/model/TolvaModel.exe",
          "/out",       "/bin/TARN_DoduVovuv",
          option,       interval,
          firstDay,     lastDay};
}

// The line shown while the driver runs, for the schedules the window can be set to.
TEST(RunProgress, TellsFinishedAndExpectedModelRuns) {
  const struct {
    RunSettings settings;
    int finished;
    const char* text;
  } cases[] = {
      {Schedule("Monthly", "", "", ""), 3, "Model runs finished: 3 of 12"},
      {Schedule("UserDefined", "20", "80", "310"), 0, "Model runs finished: 0 of at most 12"},
      {Schedule("UserDefined", "1", "0", "365"), 5, "Model runs finished: 5 of at most 366"},
      {Schedule("UserDefined", "20", "300", "80"), 0, "Model runs finished: 0 of at most 0"},
      {Schedule("UserDefined", "0", "80", "310"), 2, "Model runs finished: 2"},
      {Schedule("Other", "20", "80", "310"), 1, "Model runs finished: 1"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ProgressText(c.finished, ExpectModelRuns(c.settings)), c.text);
}

TEST(RunProgress, CountsTheSummariesOfTheRun) {
  testing::TempFolder out;
  for (const char* name : {"GW_1.sum", "GW_2.sum", "GW_12.sum", "GW_Tsb.sum", "GW_3.tol", "GW.sum",
                           "Other_4.sum", "GW_5.sum.bak"})
    out.Write(name);
  RunSettings settings = Schedule("Monthly", "", "", "");
  settings.outputPath = out.Path();

  EXPECT_EQ(CountFinishedModelRuns(settings), 3);
}

// The elapsed time, and the time left once a run has finished and the number of runs is known.
TEST(RunProgress, EstimatesTheRemainingTime) {
  const ExpectedModelRuns twelve{12, true};
  const ExpectedModelRuns atMostTen{10, false};
  const struct {
    qint64 elapsed;
    int finished;
    std::optional<ExpectedModelRuns> expected;
    const char* text;
  } cases[] = {
      {0, 0, twelve, "Elapsed 0:00"},
      {59999, 0, twelve, "Elapsed 0:59"},
      {30000, 3, twelve, "Elapsed 0:30, about 1:30 remaining"},
      {30000, 3, atMostTen, "Elapsed 0:30, at most about 1:10 remaining"},
      {3723000, 1, twelve, "Elapsed 1:02:03, about 11:22:33 remaining"},
      {30000, 12, twelve, "Elapsed 0:30"},
      {30000, 3, std::nullopt, "Elapsed 0:30"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TimeText(c.elapsed, c.finished, c.expected), c.text) << c.text;
}

}  // namespace
}  // namespace tarn::frontend
