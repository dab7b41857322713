#include "driver/results.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "driver/public/number_format.h"
#include "reader/reader_state.h"
#include "support/testing.h"

namespace tarn {
namespace {

using testing::TempRun;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Summary of an application id whose compounds CompA and CompB leached `a` and `b`.
std::string Summary(int a, int b) {
  return "Result_CompA PEC80 " + std::to_string(a) + "\nResult_CompB PEC80 " + std::to_string(b) +
         "\n";
}

RunState StateFor(RunMode mode, int lastAppIdRun, Schedule optApp = Schedule::kMonthly) {
  RunState state;
  state.runMode = mode;
  state.lastAppIdRun = lastAppIdRun;
  state.optApp = optApp;
  return state;
}

// Ranks one compound's concentrations of application ids 1, 2, ...
Ranking Ranked(const std::vector<double>& concs) {
  ResultTable table;
  for (double conc : concs) table.push_back({conc});
  return RankResults(table)[0];
}

// Equal concentrations keep the order the exchange sort gives them; a NaN never moves.
TEST(RankResults, OrdersByTheExchangeSort) {
  const std::pair<std::vector<double>, std::vector<int>> kCases[] = {
      {{2, 2, 1}, {3, 2, 1}},
      {{3, 1, 3, 2, 3}, {2, 4, 3, 1, 5}},
      {{7, 7, 7}, {1, 2, 3}},
      {{kNaN, 1, 0}, {1, 3, 2}},
  };
  for (const auto& [concs, ids] : kCases) EXPECT_EQ(Ranked(concs).rankAppId, ids);
}

TEST(RankResults, GivesEachPositionItsHazenPercentile) {
  EXPECT_EQ(Ranked({4}).percentile, std::vector<double>{50});
  std::vector<std::string> shown;
  for (double p : Ranked(std::vector<double>(12, 1)).percentile) shown.push_back(fmt::F(p, 5, 2));
  EXPECT_EQ(shown,
            (std::vector<std::string>{" 4.17", "12.50", "20.83", "29.17", "37.50", "45.83", "54.17",
                                      "62.50", "70.83", "79.17", "87.50", "95.83"}));
}

// Which summaries are collected: after model runs exactly the ids run, otherwise up to the first
// gap (twelve at most for the monthly schedule).
TEST(CollectResults, ReadsTheSummariesOfTheScheduleInOrder) {
  struct Case {
    RunMode mode;
    Schedule optApp;
    int lastAppIdRun;
    int highestPresent, missing;  // summaries 1 to highestPresent exist, but for `missing`
    int numResults;
  };
  const Case kCases[] = {
      {RunMode::kPostProcessOnly, Schedule::kUserDefined, 0, 9, 8, 7},
      {RunMode::kPostProcessOnly, Schedule::kMonthly, 0, 14, 0, 12},
      {RunMode::kNormal, Schedule::kUserDefined, 3, 4, 0, 3},
  };
  for (const Case& c : kCases) {
    TempRun run;
    Compounds(run.rt) = {"CompA", "CompB"};
    for (int id = 1; id <= c.highestPresent; ++id) {
      if (id != c.missing) run.WriteFile("test_" + std::to_string(id) + ".sum", Summary(id, -id));
    }
    RunState state = StateFor(c.mode, c.lastAppIdRun, c.optApp);
    const ResultTable table = CollectResults(run.rt, state);
    ASSERT_EQ(static_cast<int>(table.size()), c.numResults);
    EXPECT_EQ(table.back(), (std::vector<double>{1.0 * c.numResults, -1.0 * c.numResults}));
  }
}

// Only compound 1's name is searched, as a substring; the next lines are taken in order.
TEST(CollectResults, ReadsTheCompoundLinesFromTheFirstCompoundsKeyOn) {
  TempRun run;
  Compounds(run.rt) = {"CompA", "CompB"};
  run.WriteFile("test_1.sum",
                "title\nResult_Comp\r\n Result_CompAB  PEC80  1.5D-2  more\nOther,PEC80\n  -2\n");
  RunState state = StateFor(RunMode::kNormal, 1);
  const ResultTable table = CollectResults(run.rt, state);
  ASSERT_EQ(table.size(), 1u);
  EXPECT_EQ(table[0], (std::vector<double>{0.015, -2}));
}

// A concentration that is no number ends the run naming the summary, in both modes.
TEST(CollectResults, StopsOnAConcentrationThatIsNotFinite) {
  const std::pair<const char*, RunMode> kValues[] = {{"NaN", RunMode::kNormal},
                                                     {"-Infinity", RunMode::kNormal},
                                                     {"inf", RunMode::kPostProcessOnly}};
  for (const auto& [value, mode] : kValues) {
    TempRun run;
    Compounds(run.rt) = {"CompA", "CompB"};
    run.WriteFile("test_1.sum", Summary(1, 1));
    run.WriteFile("test_2.sum", std::string("Result_CompA x 1\nResult_CompB x ") + value + "\n");
    RunState state = StateFor(mode, 2);
    run.StopText([&] { CollectResults(run.rt, state); });
    EXPECT_EQ(
        run.ConsoleLines(),
        (std::vector<std::string>{" An error was found in run test",
                                  " The error occurred in file " + run.rt.InRunFolder("test_2.sum"),
                                  " Model result is not a finite number for application id 2",
                                  " File: test_2.sum"}))
        << value;
  }
}

// After model runs every summary of the ids run is needed; in both modes at least one.
TEST(CollectResults, StopsWhenResultsAreMissing) {
  struct Case {
    RunMode mode;
    int lastAppIdRun;
    std::vector<int> present;
    std::vector<std::string> lines;
  };
  const Case kCases[] = {
      {RunMode::kNormal,
       3,
       {1, 2},
       {" Model results missing for application id 3", " File not found: test_3.sum"}},
      {RunMode::kNormal, 0, {}, {" No model results found for run test"}},
      {RunMode::kPostProcessOnly, 0, {2}, {" No model results found for run test"}},
  };
  for (const Case& c : kCases) {
    TempRun run;
    Compounds(run.rt) = {"CompA", "CompB"};
    for (int id : c.present) run.WriteFile("test_" + std::to_string(id) + ".sum", Summary(id, id));
    RunState state = StateFor(c.mode, c.lastAppIdRun);
    run.StopText([&] { CollectResults(run.rt, state); });
    std::vector<std::string> expected = c.lines;
    expected.push_back("An error occurred - program stopped");
    EXPECT_EQ(run.ErrLines(), expected);
  }
}

// A summary that cannot be read is named on the console, with the line whose read failed.
TEST(CollectResults, StopsOnAnUnreadableSummary) {
  const std::pair<std::string, const char*> kSummaries[] = {
      {"a\nb\n", "  3"},
      {std::string(500, ' ') + "Result_CompA x 1\n", "  2"},  // the key lies beyond the line read
      {"x\nResult_CompA x 1\nResult_CompB x abc\n", "  3"},
      {"x\nResult_CompA x 1\nResult_CompB x\n", "  4"},
  };
  for (const auto& [summary, line] : kSummaries) {
    TempRun run;
    Compounds(run.rt) = {"CompA", "CompB"};
    run.WriteFile("test_1.sum", summary);
    RunState state = StateFor(RunMode::kNormal, 1);
    run.StopText([&] { CollectResults(run.rt, state); });
    EXPECT_EQ(
        run.ConsoleLines(),
        (std::vector<std::string>{" An error was found in run test",
                                  " The error occurred in file " + run.rt.InRunFolder("test_1.sum"),
                                  " Fatal while reading line in sum file",
                                  std::string("The error occurred at line: ") + line}));
  }
}

// The first row's date word of the selected id's copy, cut to 11 characters; a copy that gives
// none ends the run, since a report never names an empty first day.
TEST(FindFirstAppDates, TakesTheDateWordAfterTheApplicationsTableLine) {
  const std::pair<const char*, const char*> kCopies[] = {
      {"x\n  table Applications ! rows\n  01-Feb-19011 AppSolSur 1.0\nend_table\n", "01-Feb-1901"},
      {"table Applications\n", ""},
      {"table Applications\n\n15-Jan AppSolSur 1.0\n", ""},
      {nullptr, ""},
  };
  for (const auto& [copy, date] : kCopies) {
    TempRun run;
    if (copy) run.WriteFile("test_2.tol", copy);
    const std::vector<Ranking> rankings = {Ranking{{1, 2}, {25, 75}, {1, 2}}};
    if (*date) {
      EXPECT_EQ(FindFirstAppDates(run.rt, rankings), std::vector<std::string>{date});
      continue;
    }
    run.StopText([&] { FindFirstAppDates(run.rt, rankings); });
    EXPECT_EQ(run.ErrLines(), (std::vector<std::string>{
                                  " First application date missing for application id 2",
                                  " File: test_2.tol", "An error occurred - program stopped"}))
        << (copy ? copy : "no copy");
  }
}

}  // namespace
}  // namespace tarn
