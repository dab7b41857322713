#include "driver/report.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <regex>

#include "reader/reader_state.h"
#include "support/testing.h"

namespace tarn {
namespace {

using testing::TempRun;

const std::string kHyphens = "* " + std::string(78, '-');

// Old files of the same run are replaced; the report gets the whole header, the other run files
// the lines they share.
TEST(SetUpRunFiles, WritesTheBusyMarkerAndTheHeaders) {
  TempRun run;
  run.WriteFile("test.tol", "table compounds\nCompA\nend_table\n");
  for (const char* old : {"tolva.ok", "test.bus", "test_Tsb.sum", "test.err"}) {
    run.WriteFile(old, "old\n");
  }
  SetUpRunFiles(run.rt);

  EXPECT_FALSE(run.Exists("tolva.ok"));
  EXPECT_EQ(run.Lines("test.bus"), std::vector<std::string>{"TOLVA run test is busy"});
  EXPECT_EQ(Compounds(run.rt), std::vector<std::string>{"CompA"});
  const std::vector<std::string> report = run.Lines("test_Tsb.sum");
  ASSERT_EQ(report.size(), 18u);
  ASSERT_TRUE(std::regex_match(report[8],
                               std::regex(R"(\* Input file generated on    : \d\d-\d\d-\d{4})")));
  const std::vector<std::string> kReportHeader = {
      kHyphens,
      "* TARN Doduvovuv REPORT: Header",
      "* Results from the TARN Doduvovuv model by the TARN developers",
      "* TARN Doduvovuv created on : 12-Sep-2018",
      "* TARN Doduvovuv version    : 1.0.3",
      "* ",
      "* Working directory          : " + run.folder.string(),
      "* Run ID                     : test",
      report[8],
      "* ",
      "* End of TARN Doduvovuv REPORT: Header",
      kHyphens,
      "* ",
      "* TARN Doduvovuv to select application date for groundwater scenario KAV",
      "* for soil-bound cultivations in greenhouses",
      "* ",
      kHyphens,
      "* Summary of calculations for application dates covering a full calender year",
  };
  EXPECT_EQ(report, kReportHeader);
  std::vector<std::string> shared;
  for (size_t line : {0, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12}) shared.push_back(kReportHeader[line]);
  for (const char* name : {"test.out", "test.sum", "test.err"}) EXPECT_EQ(run.Lines(name), shared);
}

// Without the model input nothing of the run stays behind, but the run folder is created.
TEST(SetUpRunFiles, StopsWithoutTheModelInputLeavingNoBusyMarker) {
  TempRun run;
  run.rt.identity.runFolder = (run.folder / "new" / "run").string();
  EXPECT_EQ(run.StopText([&] { SetUpRunFiles(run.rt); }),
            "Illegal run id - no error file generated");
  EXPECT_TRUE(std::filesystem::is_directory(run.folder / "new" / "run"));
  EXPECT_TRUE(std::filesystem::is_empty(run.folder / "new" / "run"));
}

// NaN, exactly 1e-25, zero and negative values in all three sections; a long name is cut.
TEST(ResultReport, WritesTheCollectedRankedAndLeachingSections) {
  TempRun run;
  Compounds(run.rt) = {"CompoundWithALongName", "B"};
  run.WriteFile("test_1.tol", "table Applications\n1-Feb AppSolSur 1.0\nend_table\n");
  run.WriteFile("test_2.tol", "table Applications\n15-Jan-1901 AppSolSur 1.0\nend_table\n");
  OpenAfterDelete(run.rt, kReportUnit, run.rt.InRunFolder("test_Tsb.sum"));
  RunState state;
  const ResultTable table = {
      {std::numeric_limits<double>::quiet_NaN(), -0.1234}, {1e-25, -1}, {0, -123456}};
  const std::vector<Ranking> rankings = RankResults(table);
  const RunResults results{table, rankings, FindFirstAppDates(run.rt, rankings)};
  WriteResultTables(run.rt, results);
  WriteLeachingSection(run.rt, results);
  run.rt.units.Close(kReportUnit);

  const std::vector<std::string> kReport = {
      "* ",
      "* ApplicationId      PEC80 for each compound; total number of compounds is:   2",
      "     1                     NaN   -0.1234    ",
      "     2              0.1000E-24    -1.000    ",
      "     3               0.000       -0.1235E+06",
      "* ",
      "* ",
      "* Sorted data of calculations for application dates covering a full calender year",
      "* Number  Identifier    Percentile   ApplicationId  Leaching concentration (ug/L)",
      "* ",
      "     1    CompoundWithALo    16.67       1                    NaN",
      "     2    CompoundWithALo    50.00       3                   0.00",
      "     3    CompoundWithALo    83.33       2             0.1000D-24",
      "     1    B                  16.67       3                   0.00",
      "     2    B                  50.00       2                   0.00",
      "     3    B                  83.33       1                   0.00",
      "* ",
      "* ",
      kHyphens,
      "* TARN Doduvovuv Report: Leaching",
      "* ",
      "* Results for compound: CompoundWithALo",
      "* The maximum leaching concentration is:      0.1000D-24 ug/L",
      "* This maximum occurs for applicationId:     2",
      "* The first day of application for this applicationId is: 15-Jan",
      "* ",
      "* Results for compound: B",
      "* The maximum leaching concentration is:     -0.1234D+00 ug/L",
      "* This maximum occurs for applicationId:     1",
      "* The first day of application for this applicationId is:  1-Feb",
      "* ",
      "* End of TARN Doduvovuv Report: Leaching",
      kHyphens,
  };
  EXPECT_EQ(run.Lines("test_Tsb.sum"), kReport);
}

}  // namespace
}  // namespace tarn
