#include "frontend/report_reader.h"

#include <gtest/gtest.h>

#include "frontend/testing.h"

namespace tarn::frontend {
namespace {

TEST(ReportReader, ExtractsTheTwoSections) {
  const struct {
    const char* name;
    QStringList lines;
    QStringList report;
  } cases[] = {
      {"both sections, lines outside dropped",
       {"* ----", "* TARN Doduvovuv REPORT: Header", "* Run ID : GW",
        "* End of TARN Doduvovuv REPORT: Header", "* table", "* TARN Doduvovuv Report: Leaching",
        "* max", "* End of TARN Doduvovuv Report: Leaching", "* ----"},
       {"* TARN Doduvovuv REPORT: Header", "* Run ID : GW",
        "* End of TARN Doduvovuv REPORT: Header", "", "* TARN Doduvovuv Report: Leaching", "* max",
        "* End of TARN Doduvovuv Report: Leaching", ""}},
      {"markers anywhere in a line",
       {"x * TARN Doduvovuv REPORT: Header y", "a", "z* End of TARN Doduvovuv REPORT: Header"},
       {"x * TARN Doduvovuv REPORT: Header y", "a", "z* End of TARN Doduvovuv REPORT: Header", ""}},
      {"markers match case-sensitively",
       {"* TARN Doduvovuv Report: Header", "a", "* End of TARN Doduvovuv Report: Header"},
       {}},
      {"an end marker without its start adds nothing",
       {"a", "* End of TARN Doduvovuv Report: Leaching", "b"},
       {}},
      {"a section without its end runs to the last line",
       {"* TARN Doduvovuv Report: Leaching", "a", "b"},
       {"* TARN Doduvovuv Report: Leaching", "a", "b"}},
      {"no markers", {"a", "b"}, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ExtractReportSections(c.lines), c.report) << c.name;
}

TEST(ReportReader, ReadsTheSummaryFile) {
  testing::TempFolder folder;
  folder.Write("GW_Tsb.sum",
               "* TARN Doduvovuv Report: Leaching\r\n* max\r\n"
               "* End of TARN Doduvovuv Report: Leaching\r\n");

  EXPECT_EQ(ReadReportSections(folder.Path("GW_Tsb.sum")),
            QStringList({"* TARN Doduvovuv Report: Leaching", "* max",
                         "* End of TARN Doduvovuv Report: Leaching", ""}));
  EXPECT_EQ(ReadReportSections(folder.Path("missing_Tsb.sum")), std::nullopt);
}

TEST(ReportReader, SplitsTextLines) {
  const struct {
    QByteArray text;
    QStringList lines;
  } cases[] = {
      {"", {}},
      {"a\nb", {"a", "b"}},
      {" a \r\n\r\n", {" a ", ""}},
  };
  for (const auto& c : cases) EXPECT_EQ(TextLines(c.text), c.lines) << c.text.toStdString();
}

}  // namespace
}  // namespace tarn::frontend
