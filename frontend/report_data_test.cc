#include "frontend/report_data.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "driver/public/ranking.h"
#include "driver/public/report_layout.h"
#include "frontend/testing.h"

namespace tarn::frontend {
namespace {

using testing::TempFolder;

// A run of three application ids and two compounds as the driver reports it. The first
// compound's highest value is shared by ids 1 and 3 and the driver's exchange sort selects
// id 3; the second compound's name is longer than the report shows, and its zero and tiny
// values are ranked as 0.00.
const QStringList kSummary = {
    "* TARN Doduvovuv REPORT: Header",
    "* Run ID                     : GW",
    "* End of TARN Doduvovuv REPORT: Header",
    "* Summary of calculations for application dates covering a full calender year",
    "* ",
    "* ApplicationId      PEC80 for each compound; total number of compounds is:   2",  // line 6
    "     1              0.2000         0.000    ",
    "     2              0.1000E-02     12.34    ",
    "     3              0.2000        0.5000E-30",
    "* ",
    "* ",
    "* Sorted data of calculations for application dates covering a full calender year",
    "* Number  Identifier    Percentile   ApplicationId  Leaching concentration (ug/L)",
    "* ",
    "     1    Alpha              16.67       2             0.1000D-02",  // line 15
    "     2    Alpha              50.00       1             0.2000D+00",
    "     3    Alpha              83.33       3             0.2000D+00",
    "     1    Beta_Met_LongNa    16.67       1                   0.00",
    "     2    Beta_Met_LongNa    50.00       3                   0.00",
    "     3    Beta_Met_LongNa    83.33       2             0.1234D+02",  // line 20
    "* ",
    "* ",
    "* ------------------------------------------------------------------------------",
    "* TARN Doduvovuv Report: Leaching",
    "* ",
    "* Results for compound: Alpha",
    "* The maximum leaching concentration is:      0.2000D+00 ug/L",
    "* This maximum occurs for applicationId:     3",  // line 28
    "* The first day of application for this applicationId is: 30-Apr",
    "* ",
    "* Results for compound: Beta_Met_LongNa",
    "* The maximum leaching concentration is:      0.1234D+02 ug/L",
    "* This maximum occurs for applicationId:     2",
    "* The first day of application for this applicationId is: 10-Apr",  // line 34
    "* ",
    "* End of TARN Doduvovuv Report: Leaching",
    "* ------------------------------------------------------------------------------",
};

// The summary above is the driver's own: its table rows, ranked rows and leaching lines are what
// the driver's functions write for these results, the very functions the front end checks a
// report with. A change of the report's layout or of the ranking moves both.
TEST(ReportData, TheSummaryIsWhatTheDriverWrites) {
  const std::vector<std::vector<double>> table = {{0.2, 0}, {0.1e-2, 12.34}, {0.2, 0.5e-30}};
  const std::vector<std::string> names = {"Alpha", "Beta_Met_LongName"};
  const std::vector<std::string> firstDates = {"21-Mar", "10-Apr", "30-Apr"};
  QStringList written = {QString::fromStdString(ResultTableHeading(2))};
  for (size_t a = 0; a < table.size(); ++a) {
    written << QString::fromStdString(ResultTableRow(static_cast<int>(a) + 1, table[a]));
  }
  QStringList ranked, leaching;
  for (size_t k = 0; k < names.size(); ++k) {
    std::vector<double> conc;
    for (const auto& row : table) conc.push_back(row[k]);
    const Ranking ranking = RankConcentrations(conc);
    for (size_t i = 0; i < conc.size(); ++i) {
      ranked << QString::fromStdString(RankedRow(static_cast<int>(i) + 1, names[k],
                                                 ranking.percentile[i], ranking.rankAppId[i],
                                                 ranking.conc[i]));
    }
    for (const std::string& line :
         LeachingLines(names[k], ranking.conc.back(), ranking.rankAppId.back(),
                       firstDates[ranking.rankAppId.back() - 1])) {
      leaching << QString::fromStdString(line);
    }
  }
  EXPECT_EQ(written, kSummary.mid(5, 4));
  EXPECT_EQ(ranked, kSummary.mid(14, 6));
  EXPECT_EQ(leaching, kSummary.mid(24, 10));
}

// The model input of an application id whose first application is on `date`.
QByteArray Copy(const char* date) {
  return QByteArray("* model input\ntable Applications\n") + date +
         "     AppSolSur          1.000\n" + "end_table\n";
}

// The run's files in a temporary folder, written with `lineEnd`.
class ReportDataTest : public ::testing::Test {
 protected:
  void WriteRun(const QStringList& summary, const char* lineEnd = "\n") {
    root.Write("GW_Tsb.sum", (summary.join(lineEnd) + lineEnd).toLatin1());
    root.Write("GW_1.tol", Copy("21-Mar"));
    root.Write("GW_2.tol", Copy("10-Apr"));
    root.Write("GW_3.tol", Copy("30-Apr"));
  }
  RunReportData Load() const { return LoadReportData(root.Path(), "GW"); }

  TempFolder root;
};

// One line per result: id, date, day, concentration as written, its value, rank, percentile
// and whether it is the selected one.
QStringList Results(const CompoundResults& compound) {
  QStringList lines;
  for (const ApplicationResult& r : compound.results) {
    lines << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8")
                 .arg(r.appId)
                 .arg(r.firstDate)
                 .arg(r.dayOfYear)
                 .arg(r.concText)
                 .arg(r.conc)
                 .arg(r.rank)
                 .arg(r.percentile, 0, 'f', 4)
                 .arg(int(r.worstCase));
  }
  return lines;
}

TEST_F(ReportDataTest, ReadsEveryApplicationAndCompound) {
  for (const char* lineEnd : {"\n", "\r\n"}) {
    WriteRun(kSummary, lineEnd);

    const RunReportData report = Load();

    ASSERT_TRUE(report.data) << report.note.toStdString();
    EXPECT_EQ(report.note, "");
    EXPECT_EQ(report.data->outputFolder, root.Path());
    EXPECT_EQ(report.data->baseName, "GW");
    ASSERT_EQ(report.data->compounds.size(), 2u);
    EXPECT_EQ(report.data->compounds[0].name, "Alpha");
    EXPECT_EQ(Results(report.data->compounds[0]),
              QStringList({"1 21-Mar 80 0.2000 0.2 2 50.0000 0",
                           "2 10-Apr 100 0.1000E-02 0.001 1 16.6667 0",
                           "3 30-Apr 120 0.2000 0.2 3 83.3333 1"}));
    EXPECT_EQ(report.data->compounds[1].name, "Beta_Met_LongNa");
    EXPECT_EQ(
        Results(report.data->compounds[1]),
        QStringList({"1 21-Mar 80 0.000 0 1 16.6667 0", "2 10-Apr 100 12.34 12.34 3 83.3333 1",
                     "3 30-Apr 120 0.5000E-30 5e-31 2 50.0000 0"}));
  }
}

// Every file that is missing, incomplete or disagrees with the others gives its note, and
// no data.
TEST_F(ReportDataTest, RefusesMissingIncompleteOrInconsistentFiles) {
  const QString summary = root.Path("GW_Tsb.sum");
  const struct {
    const char* name;
    std::map<int, QString> changedLines;  // by line number; an empty text ends the file there
    std::function<void(const TempFolder&)> changeFiles;
    QString note;
  } cases[] = {
      {"no summary report",
       {},
       [](const TempFolder& root) { root.Remove("GW_Tsb.sum"); },
       "The summary report " + summary + " was not found."},
      {"a run that ended with an error after the header",
       {{5, ""}},
       {},
       "The summary report " + summary +
           " holds no results; the run may have ended with an error."},
      {"a report that ends after the results",
       {{10, ""}},
       {},
       "The summary report " + summary + " is incomplete or inconsistent at line 10."},
      {"a result that is not a number",
       {{8, "     2              0.1000E-02     0.1O00   "}},
       {},
       "The summary report " + summary + " is incomplete or inconsistent at line 8."},
      {"a result that is not finite",
       {{8, "     2              0.1000E-02           NaN"}},
       {},
       "The summary report " + summary +
           " holds a concentration that is not a finite number at line 8."},
      {"a ranked value that is not the id's result",
       {{15, "     1    Alpha              16.67       2             0.1001D-02"}},
       {},
       "The summary report " + summary + " is incomplete or inconsistent at line 15."},
      {"ranked ids out of order",
       {{19, "     2    Beta_Met_LongNa    50.00       2             0.1234D+02"},
        {20, "     3    Beta_Met_LongNa    83.33       3                   0.00"}},
       {},
       "The summary report " + summary + " is incomplete or inconsistent at line 19."},
      {"another selected id",
       {{28, "* This maximum occurs for applicationId:     1"}},
       {},
       "The summary report " + summary + " is incomplete or inconsistent at line 28."},
      {"a first date that its model input does not hold",
       {},
       [](const TempFolder& root) { root.Write("GW_2.tol", Copy("11-Apr")); },
       "The summary report " + summary + " is incomplete or inconsistent at line 34."},
      {"a leaching section without its end",
       {{36, ""}},
       {},
       "The summary report " + summary + " is incomplete or inconsistent at line 36."},
      {"a missing model input",
       {},
       [](const TempFolder& root) { root.Remove("GW_2.tol"); },
       "The model input of application id 2 was not found: " + root.Path("GW_2.tol")},
      {"a model input without application rows",
       {},
       [](const TempFolder& root) { root.Write("GW_3.tol", "table Applications\n"); },
       "The first application date of application id 3 cannot be read from " +
           root.Path("GW_3.tol")},
      {"a model input whose rows kept their year",
       {},
       [](const TempFolder& root) { root.Write("GW_1.tol", Copy("21-Mar-1990")); },
       "The first application date of application id 1 cannot be read from " +
           root.Path("GW_1.tol")},
      {"results that stop before the run's last model input",
       {},
       [](const TempFolder& root) { root.Write("GW_4.tol", Copy("20-May")); },
       "The results stop at application id 3, but the run has a model input for the next one: " +
           root.Path("GW_4.tol")},
  };
  for (const auto& c : cases) {
    QStringList summaryLines = kSummary;
    for (auto line = c.changedLines.rbegin(); line != c.changedLines.rend(); ++line) {
      if (line->second.isEmpty()) {
        summaryLines = summaryLines.mid(0, line->first - 1);
      } else {
        summaryLines[line->first - 1] = line->second;
      }
    }
    WriteRun(summaryLines);
    root.Remove("GW_4.tol");
    if (c.changeFiles) c.changeFiles(root);

    const RunReportData report = Load();

    EXPECT_FALSE(report.data) << c.name;
    EXPECT_EQ(report.note, c.note) << c.name;
  }
}

// The driver ranked the full values: among values equal in their four digits its order
// stands, and its last id is the selected one; any other disagreement refuses the data.
TEST_F(ReportDataTest, TakesTheDriversOrderOfValuesEqualInFourDigits) {
  const struct {
    QStringList rankedAlpha;
    const char* selectedLine;
    const char* dateLine;
    std::optional<int> selectedId;
  } cases[] = {
      {{"     1    Alpha              16.67       2             0.1000D-02",
        "     2    Alpha              50.00       3             0.2000D+00",
        "     3    Alpha              83.33       1             0.2000D+00"},
       "* This maximum occurs for applicationId:     1",
       "* The first day of application for this applicationId is: 21-Mar",
       1},
      {{"     1    Alpha              16.67       1             0.2000D+00",
        "     2    Alpha              50.00       2             0.1000D-02",
        "     3    Alpha              83.33       3             0.2000D+00"},
       "* This maximum occurs for applicationId:     3",
       "* The first day of application for this applicationId is: 30-Apr",
       std::nullopt},
  };
  for (const auto& c : cases) {
    QStringList summary = kSummary;
    for (int i = 0; i < 3; ++i) summary[14 + i] = c.rankedAlpha[i];
    summary[27] = c.selectedLine;
    summary[28] = c.dateLine;
    WriteRun(summary);

    const RunReportData report = Load();

    ASSERT_EQ(report.data.has_value(), c.selectedId.has_value()) << c.selectedLine;
    if (!report.data) continue;
    const CompoundResults& alpha = report.data->compounds[0];
    EXPECT_EQ(alpha.WorstCase().appId, *c.selectedId);
    EXPECT_EQ(alpha.results[0].rank, 3);
    EXPECT_EQ(alpha.results[2].rank, 2);
  }
}

TEST(ReportData, DayOfYear) {
  const struct {
    const char* date;
    std::optional<int> day;
  } cases[] = {
      {"15-Jan", 15}, {"15-Dec", 349}, {"01-Mar", 60},      {"31-Dec", 365},
      {"00-Jan", 0},  {"29-Feb", {}},  {"00-Feb", {}},      {"32-Jan", {}},
      {"15-jan", {}}, {"5-Jan", {}},   {"15-Jan-1900", {}}, {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(DayOfYear(c.date), c.day) << c.date;
}

TEST(ReportData, PlainDecimal) {
  const struct {
    const char* tableText;
    QString decimal;
  } cases[] = {
      {"  0.4688E-03", "0.0004688"},
      {"  0.2682    ", "0.2682"},
      {"   12.34    ", "12.34"},
      {"   0.000    ", "0.000"},
      {"   1234.    ", "1234"},
      {"  0.1234E+05", "12340"},
      {" -0.1234E-02", "-0.001234"},
      {"  0.1234E+02", "12.34"},
      {"  0.1000E-25", "0.00000000000000000000000001000"},
      {"  0.1234+101", "1234" + QString(97, '0')},
  };
  for (const auto& c : cases) EXPECT_EQ(PlainDecimal(c.tableText), c.decimal) << c.tableText;
}

// A header row, then one row per application id and compound, ended by CR LF; a name is
// quoted only when a spreadsheet would otherwise split or trim it.
TEST_F(ReportDataTest, WritesTheCsv) {
  WriteRun(kSummary);
  ReportData data = *Load().data;
  data.compounds[1].name = "Beta \"Met\", long";

  EXPECT_EQ(ReportCsv(data),
            "ApplicationId,Compound,FirstApplicationDate,DayOfYear,Concentration (ug/L),Rank,"
            "Percentile,SelectedWorstCase\r\n"
            "1,Alpha,21-Mar,80,0.2000,2,50.00,0\r\n"
            "1,\"Beta \"\"Met\"\", long\",21-Mar,80,0.000,1,16.67,0\r\n"
            "2,Alpha,10-Apr,100,0.001000,1,16.67,0\r\n"
            "2,\"Beta \"\"Met\"\", long\",10-Apr,100,12.34,3,83.33,1\r\n"
            "3,Alpha,30-Apr,120,0.2000,3,83.33,1\r\n"
            "3,\"Beta \"\"Met\"\", long\",30-Apr,120,0.0000000000000000000000000000005000,2,50.00,"
            "0\r\n");

  WriteReportCsv(root.Path("results.csv"), data);
  EXPECT_EQ(root.Read("results.csv"), ReportCsv(data));
  EXPECT_THROW(WriteReportCsv(root.Path("missing/results.csv"), data), std::runtime_error);
}

}  // namespace
}  // namespace tarn::frontend
