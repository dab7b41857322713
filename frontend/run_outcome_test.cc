#include "frontend/run_outcome.h"

#include <gtest/gtest.h>

#include "frontend/testing.h"

namespace tarn::frontend {
namespace {

// What the driver left decides the outcome; a failure's message tells why with the error
// file's message lines, or else with the driver's last console lines.
TEST(RunOutcome, JudgesFromWhatTheDriverLeft) {
  QStringList console;
  for (int i = 1; i <= 25; ++i) console << QStringLiteral("line %1").arg(i);
  const QString unable = "Unable to complete the run GW: the driver ended without tolva.ok.";
  const struct {
    const char* name;
    bool marker;
    QByteArray errorFile;
    int exitCode;
    bool stopped;
    QStringList console;
    RunOutcome::Kind kind;
    QStringList message;
  } cases[] = {
      {"success", true, "", 0, false, console, RunOutcome::Kind::kSucceeded, {}},
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
       QStringList({unable, "Its last console lines:"}) + console.mid(5)},
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
       {"Unable to complete the run GW: the driver ended with exit code 1.",
        "Its last console lines:", "Cannot remove tolva.ok"}},
  };
  for (const auto& c : cases) {
    testing::TempFolder out;
    if (c.marker) out.Write("tolva.ok");
    if (!c.errorFile.isEmpty()) out.Write("GW.err", c.errorFile);
    const RunSettings settings{
        "/in/GW.tol", "/model/TolvaModel.exe", out.Path(), "/bin/driver", "Monthly", "20", "80",
        "310"};

    const RunOutcome outcome = JudgeOutcome(settings, c.exitCode, c.stopped, c.console);

    EXPECT_EQ(outcome.kind, c.kind) << c.name;
    EXPECT_EQ(outcome.message, c.message) << c.name;
  }
}

}  // namespace
}  // namespace tarn::frontend
