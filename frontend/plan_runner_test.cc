// Run plans in the headless mode, with the built driver and the stand-in model behind a model
// script that counts its runs: the summary of good and failed scenarios, a resume that runs only
// what is missing or changed, the limit of model runs at once, and bad plans refused.
#include "frontend/plan_runner.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <algorithm>
#include <csignal>
#include <sstream>

#include "frontend/audit_record.h"
#include "frontend/batch_mode.h"
#include "frontend/platform.h"
#include "frontend/report_reader.h"
#include "frontend/testing.h"

namespace tarn::frontend {
namespace {

using testing::TempFolder;

// The bundled example in the input folders "monthly", "user" and "broken" (whose model fails for
// application id 3), an output folder "out", the built driver in bin below the current folder,
// and in "model" a model that runs the stand-in model and notes in "runs" each start: how many of
// its kind then run (counted under a lock) and its folder.
class PlanRunnerTest : public ::testing::Test {
 protected:
  PlanRunnerTest() : current(root.Path()) {
    testing::ClearSettings();
    for (const char* folder : {"out", "model"}) root.MakeFolder(folder);
    for (const char* folder : {"monthly", "user", "broken"}) root.PlaceExample(folder);
    root.Write("broken/GW_Test.tol", root.Read("broken/GW_Test.tol") + "3        StandInFailFor\n");
    root.PlaceDriver();
    const QByteArray runs = root.Path("runs").toUtf8();
    root.Write("model/TolvaModel.exe",
               "#!/bin/sh\n"
               "exec 8>>'" +
                   runs +
                   ".lock'\n"
                   "flock 8\n"
                   "now=$(($(cat '" +
                   runs +
                   ".now' 2>/dev/null || echo 0) + 1))\n"
                   "echo $now >'" +
                   runs +
                   ".now'\n"
                   "echo \"$now $PWD\" >>'" +
                   runs +
                   "'\n"
                   "flock -u 8\n"
                   "'" TARN_BIN_DIR
                   "/model/TolvaModel.exe' \"$@\"\n"
                   "status=$?\n"
                   "flock 8\n"
                   "echo $(($(cat '" +
                   runs + ".now') - 1)) >'" + runs +
                   ".now'\n"
                   "exit $status\n");
    QFile::setPermissions(root.Path("model/TolvaModel.exe"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    root.Write("plan.csv",
               "name,input,option,interval,first_day,last_day\n"
               "monthly,monthly/GW_Test.tol,Monthly,,,\n"
               "user,user/GW_Test.tol,UserDefined,30,60,300\n"
               "broken,broken/GW_Test.tol,,,,\n");
  }
  ~PlanRunnerTest() override { testing::ClearSettings(); }

  // Runs the headless mode with `options`; standard output lands in `out`, the rest in `err`.
  int Run(const QStringList& options) {
    out.str("");
    err.str("");
    return RunBatch(QStringList({"TARN_SB", "--batch", "--model", root.Path("model/TolvaModel.exe"),
                                 "--quiet"}) +
                        options,
                    out, err, err);
  }
  int RunPlan(const QStringList& options = {}) {
    return Run(QStringList({"--plan", root.Path("plan.csv"), "--output", root.Path("out"),
                            "--summary", root.Path("summary.csv"), "--jobs", "2"}) +
               options);
  }

  // The model runs noted since the last call, per scenario folder.
  std::map<QString, int> RunsPerScenario() {
    std::map<QString, int> runs;
    for (const QString& line : TextLines(root.Read("runs"))) {
      const QString folder = line.section(' ', 1).mid(root.Path("out/").size());
      ++runs[folder.section('/', 0, 0)];
    }
    root.Remove("runs");
    return runs;
  }

  TempFolder root;
  testing::CurrentFolder current;
  std::ostringstream out, err;
};

// The worst-case rows of a single run's CSV export, as the summary gives them for `scenario`: in
// the order of the compound list, which the export follows for each application id.
QStringList WorstCaseRows(const QByteArray& csv, const QString& scenario) {
  QStringList compounds, rows;
  std::map<QString, QString> worst;
  for (const QString& line : TextLines(csv).mid(1)) {
    const QStringList f = line.split(',');
    if (!compounds.contains(f[1])) compounds << f[1];
    if (f[7] == "1")
      worst[f[1]] = QStringList({scenario, f[1], f[4], f[0], f[2], f[3], "ok"}).join(',');
  }
  for (const QString& compound : compounds) rows << worst[compound];
  return rows;
}

// A plan of a monthly, a user-defined and a failing scenario: the failing one is named with its
// reason, the summary holds the good ones' worst cases as their single runs give them and the
// failed one's outcome; a resume runs only the failed scenario, and after a change of an input
// also the scenario of that input.
TEST_F(PlanRunnerTest, SummarizesAndResumesOnlyWhatIsMissingOrChanged) {
  ASSERT_EQ(RunPlan(), kBatchRunFailed) << err.str();
  EXPECT_NE(err.str().find("Scenario broken (row 4) did not succeed: Error while calling AppId"),
            std::string::npos)
      << err.str();
  EXPECT_EQ(RunsPerScenario(),
            (std::map<QString, int>{{"monthly", 12}, {"user", 8}, {"broken", 12}}));

  root.MakeFolder("single");
  QStringList expected = {
      "Scenario,Compound,Concentration (ug/L),ApplicationId,FirstApplicationDate,DayOfYear,"
      "Outcome"};
  for (const QStringList& single :
       {QStringList({"monthly", "--option", "Monthly"}),
        QStringList({"user", "--option", "UserDefined", "--interval", "30", "--first-day", "60",
                     "--last-day", "300"})}) {
    ASSERT_EQ(Run(QStringList({"--input", root.Path(single[0] + "/GW_Test.tol"), "--output",
                               root.Path("single"), "--csv", root.Path("single.csv")}) +
                  single.mid(1)),
              kBatchSucceeded)
        << err.str();
    expected << WorstCaseRows(root.Read("single.csv"), single[0]);
  }
  expected << "broken,,,,,,Error while calling AppId     3";
  RunsPerScenario();
  EXPECT_EQ(TextLines(root.Read("summary.csv")), expected);
  EXPECT_TRUE(root.Read("summary.csv").endsWith("\r\n"));

  const QByteArray firstSummary = root.Read("summary.csv");
  ASSERT_EQ(RunPlan({"--resume"}), kBatchRunFailed) << err.str();
  EXPECT_EQ(RunsPerScenario(), (std::map<QString, int>{{"broken", 12}}));
  EXPECT_EQ(root.Read("summary.csv"), firstSummary);

  root.Write("user/GW_Test.met", root.Read("user/GW_Test.met") + "\n");
  ASSERT_EQ(RunPlan({"--resume"}), kBatchRunFailed) << err.str();
  EXPECT_EQ(RunsPerScenario(), (std::map<QString, int>{{"user", 8}, {"broken", 12}}));
}

// With --pdf, one dossier of the plan: the summary table first, with every value of the summary
// of every scenario, then the dossier of each successful scenario with its worst cases as its
// report gives them; every page names its part (the plan, or the scenario's run and model
// input's hash) and its number; attached are the summary and each scenario's audit record and
// results. A dossier that would land in a scenario's folder is refused before anything runs.
TEST_F(PlanRunnerTest, WritesOneDossierOfThePlan) {
  for (const char* tool : {"pdftotext", "pdfdetach"}) {
    if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
      GTEST_SKIP() << tool << " is missing: install poppler-utils (tools/install-deps.sh)";
  }
  ASSERT_EQ(RunPlan({"--pdf", root.Path("out/user/plan.pdf")}), kBatchNotStarted);
  EXPECT_NE(err.str().find(("Unable to export the dossier to " + root.Path("out/user/plan.pdf") +
                            ": it lies in the output folder")
                               .toStdString()),
            std::string::npos)
      << err.str();
  EXPECT_FALSE(root.Exists("runs"));

  const QString pdf = root.Path("plan.pdf");
  ASSERT_EQ(RunPlan({"--pdf", pdf}), kBatchRunFailed) << err.str();
  std::optional<QString> text = testing::ProgramOutput("pdftotext", {"-layout", pdf, "-"});
  ASSERT_TRUE(text);
  // The font may join "fi" into one sign.
  text->replace(QChar(0xfb01), QStringLiteral("fi"));
  const QStringList pages = text->split(QLatin1Char('\f'), Qt::SkipEmptyParts);
  // The text of each part, by the footers of its pages.
  std::map<QString, QString> parts;
  QStringList order;
  for (qsizetype page = 0; page < pages.size(); ++page) {
    const QString flowing = pages[page].simplified();
    static const QRegularExpression footer(
        QStringLiteral("(Run plan plan\\.csv|Scenario (\\w+) Run GW_Test Model input SHA-256 "
                       "([0-9a-f]{64})) Page (\\d+) of (\\d+)$"));
    const QRegularExpressionMatch match = footer.match(flowing);
    ASSERT_TRUE(match.hasMatch()) << "page " << page + 1 << ": " << flowing.toStdString();
    EXPECT_EQ(match.captured(4).toInt(), page + 1);
    EXPECT_EQ(match.captured(5).toInt(), pages.size());
    const QString part = match.captured(2).isEmpty() ? QStringLiteral("plan") : match.captured(2);
    if (!part.isEmpty() && (order.isEmpty() || order.back() != part)) order << part;
    parts[part] += flowing + QLatin1Char(' ');
    if (part != "plan") {
      EXPECT_EQ(match.captured(3),
                QString::fromLatin1(QCryptographicHash::hash(root.Read(part + "/GW_Test.tol"),
                                                             QCryptographicHash::Sha256)
                                        .toHex()));
    }
  }
  EXPECT_EQ(order, QStringList({"plan", "monthly", "user"}));

  static const QRegularExpression blanks(QStringLiteral("\\s+"));
  const QStringList summaryWords = parts["plan"].split(blanks, Qt::SkipEmptyParts);
  for (const QString& line : TextLines(root.Read("summary.csv")).mid(1)) {
    const QStringList fields = line.split(',');
    for (const QString& field : fields.mid(0, 6)) {
      if (field.isEmpty()) continue;
      EXPECT_TRUE(summaryWords.contains(field))
          << field.toStdString() << " of " << line.toStdString();
    }
    EXPECT_TRUE(parts["plan"].contains(fields[6].simplified())) << line.toStdString();
  }
  for (const QString scenario : {"monthly", "user"}) {
    QString why;
    const std::optional<AuditRecord> record =
        ReadAuditRecord(root.Path("out/" + scenario + "/.tarn-record.json"), why);
    ASSERT_TRUE(record) << why.toStdString();
    ASSERT_FALSE(record->worstCases.empty());
    // The worst case box of each compound.
    for (const RecordedWorstCase& worst : record->worstCases) {
      EXPECT_TRUE(parts[scenario].contains(
          QStringLiteral("Worst case: %1 ug/L, application id %2, first application day %3")
              .arg(worst.concentration)
              .arg(worst.applicationId)
              .arg(worst.firstApplicationDay)))
          << scenario.toStdString() << " " << worst.compound.toStdString();
    }
  }

  root.MakeFolder("attached");
  ASSERT_TRUE(testing::ProgramOutput("pdfdetach", {"-saveall", "-o", root.Path("attached"), pdf}));
  EXPECT_EQ(root.Names("attached"),
            QStringList({"monthly.csv", "monthly_record.json", "plan-summary.csv", "user.csv",
                         "user_record.json"}));
  EXPECT_EQ(root.Read("attached/plan-summary.csv"), root.Read("summary.csv"));
  EXPECT_EQ(root.Read("attached/user_record.json"), root.Read("out/user/.tarn-record.json"));
}

#ifndef _WIN32
// The program itself, stopped by Ctrl-C or SIGTERM while one scenario has finished and another's
// model runs wait: it stops that scenario's driver and model runs and ends with status 1,
// leaving the finished scenario in place, so that a resume runs only the other one.
TEST_F(PlanRunnerTest, StoppedPlanLeavesFinishedScenariosForResume) {
  // The model of the scenario "held" notes its process id and waits while the file "hold" is
  // there, then runs as the others do.
  const QByteArray at = root.Path().toUtf8();
  root.Write("held/TolvaModel.exe",
             "#!/bin/sh\n"
             "echo $$ >>'" +
                 at +
                 "/held.pids'\n"
                 "while [ -e '" +
                 at +
                 "/hold' ]; do sleep 0.2; done\n"
                 "exec '" +
                 at + "/model/TolvaModel.exe\' \"$@\"\n");
  QFile::setPermissions(root.Path("held/TolvaModel.exe"),
                        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  // "held" has at most two application ids, so that "done" always finds a free token of three.
  root.Write("plan.csv",
             "name,input,option,interval,first_day,last_day,model\n"
             "done,monthly/GW_Test.tol,Monthly,,,,\n"
             "held,user/GW_Test.tol,UserDefined,150,60,300,held/TolvaModel.exe\n");
  const QStringList options = {
      "--plan", root.Path("plan.csv"), "--output", root.Path("out"), "--jobs", "3"};
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("XDG_CONFIG_HOME", root.Path("config"));
  environment.insert("XDG_CONFIG_DIRS", root.Path("config"));
  for (const int signal : {SIGINT, SIGTERM}) {
    root.Write("hold");
    root.Remove("held.pids");
    QProcess frontEnd;
    frontEnd.setProcessEnvironment(environment);
    frontEnd.setWorkingDirectory(root.Path());
    frontEnd.start(
        TARN_BIN_DIR "/TARN_SB",
        QStringList({"--batch", "--model", root.Path("model/TolvaModel.exe"), "--quiet"}) +
            options);
    QByteArray whileRunning;
    const bool waited = QTest::qWaitFor(
        [&] {
          whileRunning += frontEnd.readAllStandardError();
          return frontEnd.state() == QProcess::NotRunning ||
                 (whileRunning.contains("Scenario done (1 of 2): ok\n") &&
                  root.Exists("held.pids"));
        },
        60000);
    ASSERT_TRUE(waited);
    ASSERT_EQ(frontEnd.state(), QProcess::Running) << whileRunning.toStdString();
    ASSERT_TRUE(whileRunning.contains("Scenario done (1 of 2): ok\n"))
        << whileRunning.toStdString();
    ASSERT_EQ(kill(static_cast<pid_t>(frontEnd.processId()), signal), 0);
    ASSERT_TRUE(frontEnd.waitForFinished(60000));
    const QByteArray stopped = whileRunning + frontEnd.readAllStandardError();
    EXPECT_EQ(frontEnd.exitStatus(), QProcess::NormalExit) << signal;
    EXPECT_EQ(frontEnd.exitCode(), kBatchRunFailed) << signal;
    EXPECT_TRUE(stopped.contains("Scenario held (row 3) did not succeed: "))
        << stopped.toStdString();
    EXPECT_FALSE(BusyMarkerLocked(root.Path("out/held/GW_Test.bus")));
    for (const QString& pid : TextLines(root.Read("held.pids"))) {
      EXPECT_TRUE(QTest::qWaitFor([&] { return testing::ProcessEnded(pid.toLatin1()); }, 30000))
          << "model " << pid.toStdString();
    }

    root.Remove("hold");
    RunsPerScenario();
    ASSERT_EQ(Run(options + QStringList("--resume")), kBatchSucceeded) << err.str();
    const std::map<QString, int> runs = RunsPerScenario();
    EXPECT_EQ(runs.size(), 1u);
    EXPECT_GE(runs.count("held"), 1u) << err.str();
  }
}
#endif

// However many scenarios want to run, never more model runs go at once than --jobs allows.
TEST_F(PlanRunnerTest, NeverRunsMoreModelsAtOnceThanJobs) {
  root.Write("plan.csv",
             "name,input\n"
             "a,monthly/GW_Test.tol\n"
             "b,monthly/GW_Test.tol\n"
             "c,user/GW_Test.tol\n"
             "d,user/GW_Test.tol\n");
  ASSERT_EQ(RunPlan(), kBatchSucceeded) << err.str();
  int most = 0, runs = 0;
  for (const QString& line : TextLines(root.Read("runs"))) {
    most = std::max(most, line.section(' ', 0, 0).toInt());
    ++runs;
  }
  EXPECT_EQ(runs, 4 * 12);
  EXPECT_GE(most, 1);
  EXPECT_LE(most, 2);
}

// A bad plan is refused as a whole, naming the row and column at fault: nothing runs and no
// folder is emptied.
TEST_F(PlanRunnerTest, RefusesBadPlansNamingRowAndColumn) {
  root.MakeFolder("monthly name");
  for (const char* name : {"GW_Test.bot", "GW_Test.met"})
    QFile::copy(root.Path("monthly/") + name, root.Path("monthly name/") + name);
  QFile::copy(root.Path("monthly/GW_Test.tol"), root.Path("monthly name/GW Test.tol"));
  const struct {
    QByteArray plan;
    QString message;
  } cases[] = {
      {"name,option\nmonthly,Monthly\n", "plan.csv, row 1, column input: the column is missing"},
      {"name,input,option\nmonthly,monthly/GW_Test.tol,Weekly\n",
       "plan.csv, row 2, column option: The option must be Monthly or UserDefined, not: Weekly"},
      {"name,input\nmonthly,monthly/GW_Test.tol\nMonthly,user/GW_Test.tol\n",
       "plan.csv, row 3, column name: the name Monthly is already the name of row 2"},
      {"name,input\nmonthly,monthly name/GW Test.tol\n",
       "plan.csv, row 2, column input: The model input file's name cannot be the run's name"},
      {"name,input\nmonthly,monthly/GW_Test.tol\nuser,user/missing.tol\n",
       "plan.csv, row 3, column input: The model input file does not exist"},
  };
  root.MakeFolder("out/monthly");
  root.Write("out/monthly/.tarn-output", "");
  root.Write("out/monthly/kept.txt");
  for (const auto& [plan, message] : cases) {
    root.Write("plan.csv", plan);
    EXPECT_EQ(RunPlan(), kBatchNotStarted) << plan.toStdString();
    EXPECT_NE(err.str().find(message.toStdString()), std::string::npos)
        << plan.toStdString() << err.str();
    EXPECT_TRUE(root.Exists("out/monthly/kept.txt")) << plan.toStdString();
    EXPECT_FALSE(root.Exists("runs")) << plan.toStdString();
    EXPECT_FALSE(root.Exists("summary.csv")) << plan.toStdString();
  }
}

}  // namespace
}  // namespace tarn::frontend
