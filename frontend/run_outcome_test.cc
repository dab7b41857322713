#include "frontend/run_outcome.h"

#include <gtest/gtest.h>

#include "frontend/report_reader.h"
#include "frontend/testing.h"

namespace tarn::frontend {
namespace {

// The model input's copy in the output folder, with two compounds.
constexpr char kModelInput[] = "table compounds\r\nTarnazine\r\nTarnazine_Met\r\nend_table\r\n";
// A summary report whose leaching section holds the compounds `compounds` and, unless `cut`,
// its end marker line.
QByteArray SummaryReport(const QStringList& compounds, bool cut = false) {
  QByteArray text =
      "* TARN Doduvovuv REPORT: Header\n* Run ID : GW\n* End of TARN Doduvovuv REPORT: Header\n"
      "* TARN Doduvovuv Report: Leaching\n";
  for (const QString& compound : compounds)
    text += "* \n* Results for compound: " + compound.toLatin1() + "\n";
  if (!cut) text += "* \n* End of TARN Doduvovuv Report: Leaching\n";
  return text;
}

// What the driver left decides the outcome; a failure's message tells why with the error
// file's message lines, or else with the driver's last console lines. A success marker proves
// nothing alone: a model may write one itself.
TEST(RunOutcome, JudgesFromWhatTheDriverLeft) {
  const QByteArray complete = SummaryReport({"Tarnazine", "Tarnazine_Met"});
  QStringList console;
  for (int i = 1; i <= 25; ++i) console << QStringLiteral("line %1").arg(i);
  const QString unable = "Unable to complete the run GW: the driver ended with an error.";
  const QString unfinished =
      "Unable to complete the run GW: the driver ended before the run was complete.";
  const struct {
    const char* name;
    bool marker;
    QByteArray errorFile;
    int exitCode;
    bool stopped;
    QStringList console;
    RunOutcome::Kind kind;
    QStringList message;  // "OUT/" stands for the output folder
    QByteArray report{};
    bool busy = false;
  } cases[] = {
      {"success", true, "", 0, false, console, RunOutcome::Kind::kSucceeded, {}, complete},
      {"stopped",
       false,
       " The run was stopped before its end\r\n Signal: 15\r\n",
       0,
       true,
       console,
       RunOutcome::Kind::kStopped,
       {"The run was stopped."}},
      {"stopped after its end",
       true,
       "",
       0,
       true,
       {},
       RunOutcome::Kind::kStopped,
       {"The run was stopped."}},
      {"error file",
       false,
       "* ---\n* Run ID : GW\n*\n The run was stopped before its end\n \n Signal: 15\n",
       0,
       false,
       console,
       RunOutcome::Kind::kFailed,
       {unable, "The error file GW.err says:", "The run was stopped before its end", "Signal: 15"}},
      {"no error file", false, "", 0, false, console, RunOutcome::Kind::kFailed,
       QStringList({unfinished, "Its last console lines:"}) + console.mid(5)},
      {"an error file with its header only and no console",
       false,
       "* ---\n* Run ID : GW\n",
       0,
       false,
       {},
       RunOutcome::Kind::kFailed,
       {unable}},
      {"marker but exit code 1",
       true,
       "",
       1,
       false,
       {"Cannot remove tolva.ok"},
       RunOutcome::Kind::kFailed,
       {"Unable to complete the run GW: the driver stopped unexpectedly (exit code 1).",
        "Its last console lines:", "Cannot remove tolva.ok"}},
      {"marker and error file",
       true,
       " Model results missing for application id 3\n",
       0,
       false,
       console,
       RunOutcome::Kind::kFailed,
       {unable, "The error file GW.err says:", "Model results missing for application id 3"},
       complete},
      {"marker and busy marker",
       true,
       "",
       0,
       false,
       {},
       RunOutcome::Kind::kFailed,
       {unfinished.chopped(1) + " (its busy marker GW.bus is still there)."},
       complete,
       true},
      {"report without the end of its leaching section",
       true,
       "",
       0,
       false,
       {},
       RunOutcome::Kind::kFailed,
       {"Unable to complete the run GW: its summary report OUT/GW_Tsb.sum has no complete "
        "leaching section."},
       SummaryReport({"Tarnazine", "Tarnazine_Met"}, /*cut=*/true)},
      {"report without a compound",
       true,
       "",
       0,
       false,
       {},
       RunOutcome::Kind::kFailed,
       {"Unable to complete the run GW: its summary report OUT/GW_Tsb.sum has no leaching result "
        "for the compound Tarnazine_Met."},
       SummaryReport({"Tarnazine"})},
  };
  for (const auto& c : cases) {
    testing::TempFolder out;
    if (c.marker) out.Write("tolva.ok");
    if (!c.errorFile.isEmpty()) out.Write("GW.err", c.errorFile);
    out.Write("GW.tol", kModelInput);
    if (!c.report.isEmpty()) out.Write("GW_Tsb.sum", c.report);
    if (c.busy) out.Write("GW.bus", "TOLVA run GW is busy\n");
    const RunSettings settings{
        "/in/GW.tol", "/model/TolvaModel.exe", out.Path(), "/bin/driver", "Monthly", "20", "80",
        "310"};

    const RunOutcome outcome = JudgeOutcome(settings, c.exitCode, c.stopped, c.console);

    EXPECT_EQ(outcome.kind, c.kind) << c.name;
    QStringList message = c.message;
    message.replaceInStrings("OUT/", out.Path() + "/");
    EXPECT_EQ(outcome.message, message) << c.name;
    EXPECT_EQ(outcome.report.sections, c.kind == RunOutcome::Kind::kSucceeded
                                           ? ExtractReportSections(TextLines(c.report))
                                           : QStringList())
        << c.name;
  }
}

}  // namespace
}  // namespace tarn::frontend
