#include "driver/schedule.h"

#include <gtest/gtest.h>

#include "reader/dates.h"
#include "support/testing.h"

namespace tarn {
namespace {

using testing::TempRun;

std::string ModelInput(const std::vector<std::string>& rows) {
  std::string text = "* model input\n10.0 Depth (m)\ntable Applications ! date type dose\n";
  for (const std::string& row : rows) text += row + "\n";
  return text + "end_table\n* closing remark\n";
}

// Writes the schedule for the model input and returns, per kept application id, the rows of its
// copy's table.
// `appIdCount`, when given, receives the ids the front end counts from the table read (its plan
// for a model input of the usual layout); `plan`, the driver's plan.
std::vector<std::vector<std::string>> Schedule(TempRun& run, const std::string& modelInput,
                                               RunState state, int* appIdCount = nullptr,
                                               SchedulePlan* plan = nullptr) {
  run.WriteFile("test.tol", modelInput);
  run.rt.units.OpenExisting(kInputUnit, run.rt.InRunFolder("test.tol"));
  ReadApplicationsTable(run.rt, state);
  if (appIdCount) *appIdCount = PlanSchedule(state, state.tableGaps).KeptCount();
  const SchedulePlan written = PlanSchedule(
      state, state.tableGaps, ReadInputLayout(run.rt, static_cast<int>(state.tableDates.size())));
  if (plan) *plan = written;
  std::vector<std::vector<std::string>> copies;
  WriteSchedule(run.rt, state, written, [&](int appId) {
    std::vector<std::string> rows;
    bool inTable = false;
    for (const std::string& line : run.Lines("test_" + std::to_string(appId) + ".tol")) {
      if (line.find("end_table") != std::string::npos) inTable = false;
      if (inTable) rows.push_back(line.substr(0, 6));
      if (line == "table Applications") inTable = true;
    }
    copies.push_back(rows);
  });
  return copies;
}

RunState UserDefined(double first, double last, double interval) {
  RunState state;
  state.optApp = Schedule::kUserDefined;
  state.dayInYeaAppFirst = first;
  state.dayInYeaAppLast = last;
  state.delTimAppId = interval;
  return state;
}

TEST(WriteSchedule, UserDefinedMovesTheScenarioUntilItsLastRowPassesTheLastDay) {
  TempRun run;
  const auto copies = Schedule(run, ModelInput({"01-Apr AppSolSur 1.0"}), UserDefined(80, 310, 20));
  const std::vector<std::string> expected = {"21-Mar", "10-Apr", "30-Apr", "20-May",
                                             "09-Jun", "29-Jun", "19-Jul", "08-Aug",
                                             "28-Aug", "17-Sep", "07-Oct", "27-Oct"};
  ASSERT_EQ(copies.size(), expected.size());
  for (size_t i = 0; i < copies.size(); ++i) {
    EXPECT_EQ(copies[i], std::vector<std::string>{expected[i]});
  }
  EXPECT_FALSE(run.Exists("test_13.tol"));
}

TEST(WriteSchedule, TheDiscardTestUsesTheLastRow) {
  TempRun run;
  const auto copies = Schedule(run, ModelInput({"01-Apr AppSolSur 1.0", "15-Apr AppSolSur 1.0"}),
                               UserDefined(80, 310, 20));
  ASSERT_EQ(copies.size(), 11u);
  EXPECT_EQ(copies[10], (std::vector<std::string>{"07-Oct", "21-Oct"}));
  EXPECT_FALSE(run.Exists("test_12.tol"));
}

TEST(WriteSchedule, MonthlyPutsTheFirstRowOnTheFifteenth) {
  TempRun run;
  RunState state;
  const auto copies =
      Schedule(run, ModelInput({"01-Apr-2018 AppSolSur 1.0", "01-May-2018 AppSolSur 1.0"}), state);
  ASSERT_EQ(copies.size(), 12u);
  EXPECT_EQ(copies[0], (std::vector<std::string>{"15-Jan", "14-Feb"}));
  EXPECT_EQ(copies[1], (std::vector<std::string>{"15-Feb", "17-Mar"}));
  EXPECT_EQ(copies[11], (std::vector<std::string>{"15-Dec", "14-Jan"}));
}

TEST(WriteSchedule, EdgesOfTheUserDefinedSchedule) {
  struct Case {
    const char* what;
    RunState state;
    size_t ids;
    std::vector<std::string> lastRows;
  };
  const Case kCases[] = {
      {"first day after the last day", UserDefined(100, 90, 10), 0, {}},
      {"day 0 is day 00 of January", UserDefined(0, 10, 5), 3, {"10-Jan"}},
      {"fraction of the interval dropped", UserDefined(1, 50, 20.9), 3, {"10-Feb"}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    TempRun run;
    const auto copies = Schedule(run, ModelInput({"05-Jun AppSolSur 1.0"}), c.state);
    ASSERT_EQ(copies.size(), c.ids);
    // A scenario of one application reaches the bound the front end shows as its progress.
    EXPECT_EQ(PlanSchedule(c.state, {}).KeptCount(), static_cast<int>(c.ids));
    if (c.ids > 0) {
      EXPECT_EQ(copies.back(), c.lastRows);
    }
  }
}

// The count the front end checks before a run agrees with the schedule the driver writes.
TEST(PlanSchedule, CountsTheIdsTheScheduleKeeps) {
  const struct {
    const char* what;
    std::vector<std::string> rows;
    RunState state;
  } kCases[] = {
      {"one application", {"05-Jun AppSolSur 1.0"}, UserDefined(80, 310, 20)},
      {"scenario of 20 days",
       {"01-Apr AppSolSur 1.0", "21-Apr AppSolSur 1.0"},
       UserDefined(80, 310, 20)},
      {"scenario that just fits",
       {"01-Apr AppSolSur 1.0", "21-Apr AppSolSur 1.0"},
       UserDefined(80, 100, 7)},
      {"scenario longer than the days allow",
       {"01-Apr AppSolSur 1.0", "21-Apr AppSolSur 1.0"},
       UserDefined(80, 99, 7)},
      {"rows out of order",
       {"21-Apr AppSolSur 1.0", "01-Apr AppSolSur 1.0"},
       UserDefined(80, 100, 7)},
      {"first day after the last day", {"05-Jun AppSolSur 1.0"}, UserDefined(300, 100, 20)},
      {"monthly", {"01-Apr AppSolSur 1.0", "01-Dec AppSolSur 1.0"}, RunState{}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    TempRun run;
    int count = -1;
    const auto copies = Schedule(run, ModelInput(c.rows), c.state, &count);
    EXPECT_EQ(count, static_cast<int>(copies.size()));
  }
}

// The plan follows the model input as the writer reads it: a table line out of the first column
// moves no rows, so only the first day ends the schedule; each table line of a monthly copy takes
// the next month, and past December a copy ends at its table line. The kept copies begin on the
// plan's first days; the copy after them is written and deleted.
TEST(PlanSchedule, FollowsTheTableLinesTheWriterMeets) {
  const std::string twoTables =
      "table Applications\n01-Apr AppSolSur 1.0\nend_table\n"
      "table Applications\n01-Apr AppSolSur 1.0\nend_table\n";
  const struct {
    const char* what;
    std::string input;
    RunState state;
    int kept;
    std::vector<std::string> firstRows;  // the first row of each kept copy; empty when unmoved
  } kCases[] = {
      {"table line not in the first column",
       " table Applications\n01-Apr AppSolSur 1.0\n21-Apr AppSolSur 1.0\nend_table\n",
       UserDefined(80, 100, 10),
       3,
       {"", "", ""}},
      {"scenario of 20 days",
       ModelInput({"01-Apr AppSolSur 1.0", "21-Apr AppSolSur 1.0"}),
       UserDefined(80, 130, 10),
       4,
       {"21-Mar", "31-Mar", "10-Apr", "20-Apr"}},
      {"two tables, monthly",
       twoTables,
       RunState{},
       12,
       {"15-Jan", "15-Mar", "15-May", "15-Jul", "15-Sep", "15-Nov", "", "", "", "", "", ""}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    TempRun run;
    SchedulePlan plan;
    const auto copies = Schedule(run, c.input, c.state, nullptr, &plan);
    ASSERT_EQ(copies.size(), static_cast<size_t>(c.kept));
    ASSERT_EQ(plan.KeptCount(), c.kept);
    for (int i = 0; i < c.kept; ++i) {
      EXPECT_EQ(plan.copies[i].appId, i + 1);
      EXPECT_EQ(copies[i].empty() ? "" : copies[i].front(), c.firstRows[i]) << i + 1;
      if (!copies[i].empty()) {
        EXPECT_EQ(DateText(plan.copies[i].firstDay).substr(0, 6), c.firstRows[i]);
      }
    }
    if (c.state.optApp == Schedule::kMonthly) {
      EXPECT_EQ(run.Lines("test_7.tol"), std::vector<std::string>{"table Applications"});
    } else {
      ASSERT_EQ(plan.copies.size(), static_cast<size_t>(c.kept + 1));
      EXPECT_TRUE(plan.copies.back().discarded);
      EXPECT_FALSE(run.Exists("test_" + std::to_string(c.kept + 1) + ".tol"));
    }
  }
}

TEST(WriteRunFile, WritesRowsInFixedColumnsAndCopiesEveryOtherLineWhole) {
  TempRun run;
  const std::string longRemark = "* " + std::string(600, 'x');
  run.WriteFile("test.tol", "* first   \n" + longRemark +
                                "\ntable Applications ! remark\n"
                                "01-Apr AppSolSur 1.5\n"
                                "15-Apr AppSolInj 1.5,0.1 injected\n"
                                "16-Apr Unknown 3\n"
                                "20-Apr AppCrpUsr 123456.7 1e-3\n"
                                "end_table\n");
  run.rt.units.OpenExisting(kInputUnit, run.rt.InRunFolder("test.tol"));
  RunState state = UserDefined(80, 365, 10);
  ReadApplicationsTable(run.rt, state);
  const int unit = WriteRunFile(run.rt, state, PlannedCopy{1, 80});
  ASSERT_NE(unit, 0);
  run.rt.units.Close(unit);
  EXPECT_EQ(run.Lines("test_1.tol"),
            (std::vector<std::string>{
                "* first", longRemark, "table Applications", "21-Mar     AppSolSur          1.500",
                "04-Apr     AppSolInj          1.500         0.100",
                "09-Apr     AppCrpUsr      *********         0.001", "end_table"}));
}

TEST(WriteRunFile, ATableLineNotInTheFirstColumnIsCopiedUnchanged) {
  TempRun run;
  const std::string input = " table Applications\n01-Apr AppSolSur 1.0\nend_table\n";
  const auto copies = Schedule(run, input, UserDefined(80, 100, 10));
  ASSERT_EQ(copies.size(), 3u);
  EXPECT_EQ(run.Lines("test_3.tol"),
            (std::vector<std::string>{" table Applications", "01-Apr AppSolSur 1.0", "end_table"}));
}

TEST(WriteRunFile, TheOtherOptionCopiesTheModelInputOnce) {
  TempRun run;
  RunState state;
  state.optApp = Schedule::kOther;
  const auto copies = Schedule(run, ModelInput({"01-Apr   AppSolSur 1.0   "}), state);
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(run.Lines("test_1.tol")[3], "01-Apr   AppSolSur 1.0");
}

// A row that does not hold the values its type needs stops the run naming the row.
TEST(WriteRunFile, RefusesRowsWithMissingOrBadValues) {
  const char* kRows[] = {"01-Apr AppSolInj 1.5", "01-Apr AppSolSur abc", "01-Apr AppSolSur NaN",
                         "01-Apr AppSolSur"};
  for (const char* row : kRows) {
    SCOPED_TRACE(row);
    TempRun run;
    const std::string stop =
        run.StopText([&] { Schedule(run, ModelInput({row}), UserDefined(80, 300, 20)); });
    EXPECT_EQ(stop, "An error occurred - program stopped");
    EXPECT_EQ(run.rt.error.line1, " Fatal while reading record Applications");
    EXPECT_EQ(run.rt.error.line2, row);
    EXPECT_EQ(run.ConsoleLines()[1],
              " The error occurred in file " + run.rt.InRunFolder("test.tol"));
  }
}

TEST(ReadApplicationsTable, ABlankRowFailsAsADateWithoutFormat) {
  TempRun run;
  run.StopText([&] {
    Schedule(run, ModelInput({"01-Apr AppSolSur 1.0", ""}), UserDefined(80, 300, 20));
  });
  EXPECT_EQ(run.rt.error.line2, "Format must be dd-mmm-yyyy, dd-mmm or xx-Emgddd");
}

}  // namespace
}  // namespace tarn
