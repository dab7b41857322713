#include "frontend/batch_mode.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <functional>
#include <sstream>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "frontend/platform.h"
#include "frontend/report_reader.h"
#include "frontend/tarn_registry.h"
#include "frontend/testing.h"

namespace tarn::frontend {
namespace {

using testing::TempFolder;

// The bundled example in a model input folder, an empty output folder and the built driver in
// bin below the current folder.
class BatchModeTest : public ::testing::Test {
 protected:
  BatchModeTest() : current(root.Path()) {
    testing::ClearSettings();
    root.MakeFolder("out");
    root.PlaceExample("in");
    root.PlaceDriver();
  }
  ~BatchModeTest() override { testing::ClearSettings(); }

  // Runs the headless mode with `options` after --batch.
  int Run(const QStringList& options) {
    out.str("");
    err.str("");
    console.str("");
    return RunBatch(QStringList({"TARN_SB", "--batch"}) + options, out, err, console);
  }
  QStringList OutLines() const { return TextLines(QByteArray::fromStdString(out.str())); }
  QStringList ErrLines() const { return TextLines(QByteArray::fromStdString(err.str())); }

  QStringList ExampleOptions() const {
    return {"--input",  root.Path("in/GW_Test.tol"),
            "--model",  TARN_BIN_DIR "/model/TolvaModel.exe",
            "--output", root.Path("out")};
  }

  TempFolder root;
  testing::CurrentFolder current;
  std::ostringstream out;
  std::ostringstream err;
  std::ostringstream console;
};

// Options and inputs that keep the run from starting: their lines, and nothing is prepared.
TEST_F(BatchModeTest, RefusesWhatCalculateWouldRefuse) {
  const QString in = root.Path("in/GW_Test.tol");
  const QString model = TARN_BIN_DIR "/model/TolvaModel.exe";
  const QString output = root.Path("out");
  const QStringList paths = {"--input", in, "--model", model, "--output", output};
  const struct {
    const char* name;
    QStringList options;
    QStringList errLines;
  } cases[] = {
      {"unknown option", {"--fast"}, {"Unknown option 'fast'."}},
      {"stray argument", {"GW_Test.tol"}, {"Unexpected argument: GW_Test.tol"}},
      {"option word",
       {"--input", in, "--model", model, "--output", output, "--option", "Other"},
       {"The option must be Monthly or UserDefined, not: Other"}},
      {"missing paths",
       {"--input", root.Path("in/none.tol"), "--model", root.Path("none"), "--output",
        root.Path("none")},
       {"The model input file does not exist: " + root.Path("in/none.tol"),
        "The model executable does not exist: " + root.Path("none"),
        "The output folder does not exist: " + root.Path("none")}},
      {"day values",
       {"--input", in, "--model", model, "--output", output, "--option", "UserDefined",
        "--interval", "0"},
       {"Interval must be 1 to 150 days"}},
      {"no parallel runs",
       paths + QStringList{"--parallel", "0"},
       {"Parallel runs must be a whole number from 1 to 64, not: 0"}},
      {"too many parallel runs",
       paths + QStringList{"--parallel", "65"},
       {"Parallel runs must be a whole number from 1 to 64, not: 65"}},
      {"parallel runs not a whole number",
       paths + QStringList{"--parallel", "2.5"},
       {"Parallel runs must be a whole number from 1 to 64, not: 2.5"}},
      {"parallel runs without a value",
       paths + QStringList{"--parallel"},
       {"Missing value after '--parallel'."}},
      {"missing launcher",
       paths + QStringList{"--launcher", "none"},
       {"The model launcher does not exist: " + root.Path("none")}},
      {"first day after the last day",
       paths + QStringList{"--option", "UserDefined", "--first-day", "300", "--last-day", "100"},
       {"First day must not lie after the last day"}},
      {"stored paths that do not exist",
       {},
       {"The model input file does not exist: " + root.Path("GW_Test.tol"),
        "The model executable does not exist: /opt/LanthModels/KAV3/models/tolva/TolvaModel.exe",
        "The output folder does not exist: " + root.Path("output") + "/"}},
  };
  const QStringList inputs = root.Names("in");
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.options), kBatchNotStarted) << c.name;
    // An option or argument the command line does not take is followed by the usage.
    QStringList errLines = ErrLines();
    const qsizetype usage = errLines.indexOf("Usage: TARN_SB [--help | --version]");
    if (usage >= 0) errLines.resize(usage);
    EXPECT_EQ(usage >= 0, c.errLines.front().startsWith("Unknown option") ||
                              c.errLines.front().startsWith("Unexpected argument") ||
                              c.errLines.front().startsWith("Missing value"))
        << c.name;
    EXPECT_EQ(errLines, c.errLines) << c.name;
    EXPECT_EQ(OutLines(), QStringList()) << c.name;
    EXPECT_EQ(root.Names("out"), QStringList()) << c.name;
    EXPECT_EQ(root.Names("in"), inputs) << c.name;
  }
}

TEST_F(BatchModeTest, RefusesToRunWithoutTheDriver) {
  root.Remove("bin/TARN_DoduVovuv");

  EXPECT_EQ(Run(ExampleOptions()), kBatchNotStarted);

  EXPECT_EQ(ErrLines(), QStringList({"The driver TARN_DoduVovuv does not exist: " + DriverPath()}));
  EXPECT_EQ(root.Names("out"), QStringList());
}

#ifndef _WIN32
// Ctrl-C stops the driver and its model run; the run ends without tolva.ok and with status 1.
TEST_F(BatchModeTest, InterruptStopsTheRun) {
  testing::WriteSlowModel(root.Path("slow"), root.Path("model.pid"));
  QStringList options = ExampleOptions();
  options[3] = root.Path("slow/TolvaModel.exe");
  QTimer::singleShot(0, [&] {
    if (QTest::qWaitFor([&] { return root.Exists("model.pid"); }, 30000)) raise(SIGINT);
  });

  EXPECT_EQ(Run(options), kBatchRunFailed);

  EXPECT_EQ(ErrLines(), QStringList({"The run was stopped."}));
  EXPECT_EQ(OutLines(), QStringList());
  ASSERT_TRUE(root.Exists("model.pid"));
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return testing::ProcessEnded(root.Read("model.pid")); }, 30000));
  EXPECT_FALSE(root.Exists("out/tolva.ok"));
}
#endif

#ifndef _WIN32
// The program itself with its standard error on a pipe and a model that does not end by itself:
// the line of the application id that has started reaches the pipe while the run goes on, and
// the stopped run ends with that id's line; --quiet leaves the log out.
TEST_F(BatchModeTest, LogsTheModelRunsOnStandardErrorAsTheyHappen) {
  testing::WriteSlowModel(root.Path("slow"), root.Path("model.pid"));
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("XDG_CONFIG_HOME", root.Path("config"));
  environment.insert("XDG_CONFIG_DIRS", root.Path("config"));
  const QByteArray started = "Application id 1 started, first application on 15-Jan\n";
  for (const bool quiet : {false, true}) {
    root.Remove("model.pid");
    QProcess frontEnd;
    frontEnd.setProcessEnvironment(environment);
    frontEnd.setWorkingDirectory(root.Path());
    QStringList options = QStringList("--batch") + ExampleOptions();
    options[4] = root.Path("slow/TolvaModel.exe");
    if (quiet) options << "--quiet";
    frontEnd.start(TARN_BIN_DIR "/TARN_SB", options);
    QByteArray whileRunning;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          whileRunning += frontEnd.readAllStandardError();
          return quiet ? root.Exists("model.pid") : whileRunning.contains(started);
        },
        60000))
        << whileRunning.toStdString();
    EXPECT_EQ(frontEnd.state(), QProcess::Running) << quiet;

    frontEnd.terminate();
    ASSERT_TRUE(frontEnd.waitForFinished(60000));
    const QByteArray err = whileRunning + frontEnd.readAllStandardError();

    EXPECT_EQ(frontEnd.exitCode(), kBatchRunFailed) << quiet;
    EXPECT_EQ(err.contains(started), !quiet) << err.toStdString();
    EXPECT_EQ(err.contains("\nApplication id 1 stopped\n"), !quiet) << err.toStdString();
    EXPECT_TRUE(err.endsWith("The run was stopped.\n")) << err.toStdString();
    ASSERT_TRUE(root.Exists("model.pid"));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return testing::ProcessEnded(root.Read("model.pid")); }, 30000));
  }
}
#endif

// A folder that TARN never prepared is emptied only when --empty-output says so.
TEST_F(BatchModeTest, EmptiesAForeignFolderOnlyWhenTold) {
  root.Write("out/notes.txt");

  EXPECT_EQ(Run(ExampleOptions()), kBatchNotStarted);

  EXPECT_EQ(ErrLines(), QStringList({"The output folder " + root.Path("out") +
                                         "/ was not prepared by TARN. It holds 1 file that will "
                                         "be deleted:",
                                     "notes.txt", "Do you want to go on?",
                                     "Not confirmed: give --empty-output to empty the folder."}));
  EXPECT_EQ(root.Names("out"), QStringList({"notes.txt"}));

  EXPECT_EQ(Run(ExampleOptions() << "--empty-output"), kBatchSucceeded);
  EXPECT_FALSE(root.Exists("out/notes.txt"));
}

// The example runs with the stored paths as the dialog would, and the report's two sections
// go to standard output.
TEST_F(BatchModeTest, RunsTheExampleWithTheStoredPaths) {
  testing::WriteUserSetting(cRegTolvaFilePath, root.Path("in/GW_Test.tol"));
  testing::WriteUserSetting(cRegTolvaModelPath, TARN_BIN_DIR "/model/TolvaModel.exe");
  testing::WriteUserSetting(cRegOutputPath, root.Path("out"));

  ASSERT_EQ(Run({"--option", "UserDefined", "--interval", "30", "--first-day", "60", "--last-day",
                 "200"}),
            kBatchSucceeded)
      << err.str();

  const QStringList report = OutLines();
  ASSERT_GE(report.size(), 4);
  EXPECT_EQ(report.front(), "* TARN Doduvovuv REPORT: Header");
  EXPECT_TRUE(report.contains("* Run ID                     : GW_Test"));
  EXPECT_TRUE(report.contains("* TARN Doduvovuv Report: Leaching"));
  EXPECT_EQ(report.mid(report.size() - 2),
            QStringList({"* End of TARN Doduvovuv Report: Leaching", ""}));
  // The options reach the control file.
  EXPECT_EQ(
      TextLines(root.Read("out/GW_Test.tsb")).mid(1, 2),
      QStringList({"UserDefined     OptApp               ! Options are Monthly or UserDefined",
                   "30        DelTimAppId (d)   ! Time interval between the starting days of "
                   "two consecutive application Ids"}));
  EXPECT_TRUE(root.Exists("out/tolva.ok"));
}

// Every accepted number of parallel runs gives the results of one run at a time; the control
// file names it only when it is above 1.
TEST_F(BatchModeTest, RunsTheExampleWithParallelRuns) {
  const struct {
    QStringList options;
    const char* lastControlLine;
  } cases[] = {
      {{}, "310        DayInYeaAppLast (d)       ! Last possible day-in-year of application "},
      {{"--parallel", "3"}, "3        NumParallelRuns   ! Number of model runs at once"},
      {{"--parallel", "64"}, "64        NumParallelRuns   ! Number of model runs at once"},
  };
  QStringList serialLeaching;
  for (const auto& c : cases) {
    ASSERT_EQ(Run(ExampleOptions() + c.options), kBatchSucceeded) << err.str();

    EXPECT_EQ(TextLines(root.Read("out/GW_Test.tsb")).back(), c.lastControlLine)
        << c.options.join(" ").toStdString();
    const QStringList report = OutLines();
    const QStringList leaching = report.mid(report.indexOf("* TARN Doduvovuv Report: Leaching"));
    if (serialLeaching.isEmpty()) serialLeaching = leaching;
    EXPECT_EQ(leaching, serialLeaching) << c.options.join(" ").toStdString();
  }
  EXPECT_GT(serialLeaching.size(), 2);
}

#ifndef _WIN32
// Every model run goes through the launcher, named by --launcher or stored, with the model and
// its run file as its arguments, and the report is that of the model started directly; an
// empty --launcher sets a stored one aside.
TEST_F(BatchModeTest, RunsEveryModelRunThroughTheLauncher) {
  // Appends its arguments to a file beside itself, then runs them.
  const QString launcher = root.Path("tools/record");
  root.Write("tools/record",
             "#!/bin/sh\necho \"$*\" >> \"$(dirname \"$0\")/calls.txt\"\nexec \"$@\"\n");
  QFile::setPermissions(launcher, QFile::ReadOwner | QFile::ExeOwner);
  QStringList launched;
  for (int appId = 1; appId <= 12; ++appId)
    launched << QStringLiteral(TARN_BIN_DIR "/model//TolvaModel.exe GW_Test_%1.tol").arg(appId);
  launched.sort();
  ASSERT_EQ(Run(ExampleOptions()), kBatchSucceeded) << err.str();
  const QStringList direct = OutLines();
  const struct {
    const char* name;
    bool stored;
    QStringList options;
    bool throughLauncher;
  } cases[] = {
      {"named", false, {"--launcher", launcher}, true},
      {"named, parallel runs", false, {"--launcher", launcher, "--parallel", "3"}, true},
      {"stored", true, {}, true},
      {"stored but set aside", true, {"--launcher", ""}, false},
  };
  for (const auto& c : cases) {
    testing::ClearSettings();
    if (c.stored) testing::WriteUserSetting(cRegModelLauncherPath, launcher);
    root.Remove("tools/calls.txt");

    ASSERT_EQ(Run(ExampleOptions() + c.options), kBatchSucceeded) << c.name << err.str();

    QStringList calls = TextLines(root.Read("tools/calls.txt"));
    calls.sort();
    EXPECT_EQ(calls, c.throughLauncher ? launched : QStringList()) << c.name;
    EXPECT_EQ(OutLines(), direct) << c.name;
  }
}
#endif

// --csv writes the results of a successful run: a header row, then one row per application id
// and compound.
TEST_F(BatchModeTest, WritesTheCsvOfTheExample) {
  ASSERT_EQ(Run(ExampleOptions() << "--csv" << root.Path("results.csv")), kBatchSucceeded)
      << err.str();

  EXPECT_EQ(root.Read("results.csv"),
            "ApplicationId,Compound,FirstApplicationDate,DayOfYear,Concentration "
            "(ug/L),Rank,Percentile,SelectedWorstCase\r\n"
            "1,Tarnazine,15-Jan,15,0.2682,10,79.17,0\r\n"
            "1,Tarnazine_Met,15-Jan,15,0.07934,9,70.83,0\r\n"
            "2,Tarnazine,15-Feb,46,0.1590,8,62.50,0\r\n"
            "2,Tarnazine_Met,15-Feb,46,0.04984,6,45.83,0\r\n"
            "3,Tarnazine,15-Mar,74,0.05401,6,45.83,0\r\n"
            "3,Tarnazine_Met,15-Mar,74,0.02572,3,20.83,0\r\n"
            "4,Tarnazine,15-Apr,105,0.0004688,1,4.17,0\r\n"
            "4,Tarnazine_Met,15-Apr,105,0.01714,1,4.17,0\r\n"
            "5,Tarnazine,15-May,135,0.0007632,2,12.50,0\r\n"
            "5,Tarnazine_Met,15-May,135,0.02186,2,12.50,0\r\n"
            "6,Tarnazine,15-Jun,166,0.002431,3,20.83,0\r\n"
            "6,Tarnazine_Met,15-Jun,166,0.02972,4,29.17,0\r\n"
            "7,Tarnazine,15-Jul,196,0.008320,4,29.17,0\r\n"
            "7,Tarnazine_Met,15-Jul,196,0.04124,5,37.50,0\r\n"
            "8,Tarnazine,15-Aug,227,0.02876,5,37.50,0\r\n"
            "8,Tarnazine_Met,15-Aug,227,0.05748,7,54.17,0\r\n"
            "9,Tarnazine,15-Sep,258,0.08484,7,54.17,0\r\n"
            "9,Tarnazine_Met,15-Sep,258,0.07686,8,62.50,0\r\n"
            "10,Tarnazine,15-Oct,288,0.1939,9,70.83,0\r\n"
            "10,Tarnazine_Met,15-Oct,288,0.09602,10,79.17,0\r\n"
            "11,Tarnazine,15-Nov,319,0.2971,11,87.50,0\r\n"
            "11,Tarnazine_Met,15-Nov,319,0.1057,12,95.83,1\r\n"
            "12,Tarnazine,15-Dec,349,0.3211,12,95.83,1\r\n"
            "12,Tarnazine_Met,15-Dec,349,0.09966,11,87.50,0\r\n");
}

#ifndef _WIN32
// Without the run's results no CSV is written, and the status tells whether the run failed (the
// driver's error file, when there is one, then follows on standard error) or only its CSV. A
// success marker alone is no success.
TEST_F(BatchModeTest, WritesNoCsvWithoutTheResults) {
  const QString csv = root.Path("results.csv");
  const struct {
    const char* name;
    std::function<void(QStringList&)> setUp;
    int status;
    QString errLine;  // the first line on standard error, up to the system's reason
  } cases[] = {
      {"a model run that writes no summary",
       [&](QStringList& options) {
         root.Write("failing/TolvaModel.exe", "#!/bin/sh\nexit 1\n");
         QFile::setPermissions(root.Path("failing/TolvaModel.exe"),
                               QFile::ReadOwner | QFile::ExeOwner);
         options[3] = root.Path("failing/TolvaModel.exe");
       },
       kBatchRunFailed, "Unable to complete the run GW_Test: the driver ended with an error."},
      // As the real model may: its own success marker after each run that went well.
      {"a model that writes tolva.ok itself, one of whose runs fails",
       [&](QStringList& options) {
         root.Write("marking/TolvaModel.exe",
                    "#!/bin/sh\ncase \"$1\" in *_3.tol) exit 3;; esac\n'" TARN_BIN_DIR
                    "/model/TolvaModel.exe' \"$@\" || exit\n"
                    "echo 'TOLVA run succesfully terminated!' > \"$(dirname \"$1\")/tolva.ok\"\n");
         QFile::setPermissions(root.Path("marking/TolvaModel.exe"),
                               QFile::ReadOwner | QFile::ExeOwner);
         options[3] = root.Path("marking/TolvaModel.exe");
       },
       kBatchRunFailed, "Unable to complete the run GW_Test: the driver "},
      {"a CSV file in a folder that does not exist",
       [&](QStringList& options) { options.back() = root.Path("missing/results.csv"); },
       kBatchExportNotWritten,
       "Unable to write the CSV file " + root.Path("missing/results.csv") + ": "},
      {"a driver that ends well without its summary report",
       [&](QStringList&) {
         root.Remove("bin/TARN_DoduVovuv");
         root.Write("bin/TARN_DoduVovuv", "#!/bin/sh\ntouch tolva.ok\n");
         QFile::setPermissions(root.Path("bin/TARN_DoduVovuv"), QFile::ReadOwner | QFile::ExeOwner);
       },
       kBatchRunFailed,
       "Unable to complete the run GW_Test: its summary report " +
           root.Path("out/GW_Test_Tsb.sum") + " is not usable: "},
  };
  for (const auto& c : cases) {
    QStringList options = ExampleOptions() << "--csv" << csv;
    c.setUp(options);

    EXPECT_EQ(Run(options), c.status) << c.name;

    const QStringList errLines = ErrLines();
    ASSERT_FALSE(errLines.isEmpty()) << c.name;
    EXPECT_TRUE(errLines.front().startsWith(c.errLine)) << errLines.front().toStdString();
    EXPECT_FALSE(root.Exists("results.csv")) << c.name;
    EXPECT_FALSE(root.Exists("missing")) << c.name;
    EXPECT_EQ(errLines.size() > 1, root.Exists("out/GW_Test.err")) << c.name;
  }
}
#endif

#ifndef _WIN32
// A CSV file that is an input of the run, by whatever name, or lies in the output folder is
// refused before the run starts; nothing is prepared and the input stays as it is.
TEST_F(BatchModeTest, RefusesACsvFileThatWouldReplaceAnInput) {
  const QString input = root.Path("in/GW_Test.tol");
  ASSERT_TRUE(QFile::link(input, root.Path("symbolic.tol")));
  ASSERT_EQ(link(QFile::encodeName(input).constData(),
                 QFile::encodeName(root.Path("hard.tol")).constData()),
            0);
  const QByteArray before = root.Read("in/GW_Test.tol");
  const QString isInput = ": it is the model input file " + input;
  const struct {
    QString csv;
    QString errLine;
  } cases[] = {
      {input, "Unable to export the results to " + input + isInput},
      {root.Path("symbolic.tol"),
       "Unable to export the results to " + root.Path("symbolic.tol") + isInput},
      {root.Path("hard.tol"), "Unable to export the results to " + root.Path("hard.tol") + isInput},
      {root.Path("in/GW_Test.met"),
       "Unable to export the results to " + root.Path("in/GW_Test.met") +
           ": it is the companion file " + root.Path("in/GW_Test.met")},
      {root.Path("out/results.csv"),
       "Unable to export the results to " + root.Path("out/results.csv") +
           ": it lies in the output folder " + root.Path("out") + "/, which the next run empties"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(ExampleOptions() << "--csv" << c.csv), kBatchNotStarted) << c.csv.toStdString();

    EXPECT_EQ(ErrLines(), QStringList({c.errLine}));
    EXPECT_EQ(root.Names("out"), QStringList()) << c.csv.toStdString();
    EXPECT_EQ(root.Read("in/GW_Test.tol"), before) << c.csv.toStdString();
  }
}

// A second front end on the output folder of a running run refuses before it deletes anything,
// whether the first front end still waits for its driver or was killed and left the driver
// running; the run goes on to its full report.
TEST_F(BatchModeTest, SecondFrontEndLeavesARunningRunAlone) {
  ASSERT_EQ(Run(ExampleOptions()), kBatchSucceeded) << err.str();
  const QStringList leaching =
      OutLines().mid(OutLines().indexOf("* TARN Doduvovuv Report: Leaching"));
  // The stand-in, slow to start: each run waits until the test lets the model go on, for a minute
  // at most, so that a test that failed half-way leaves nothing running.
  root.Write("gated/TolvaModel.exe",
             "#!/bin/sh\ntouch '" + root.Path("started").toLocal8Bit() + "'\ni=0\nwhile [ ! -e '" +
                 root.Path("go").toLocal8Bit() +
                 "' ] && [ $i -lt 600 ]; do sleep 0.1; i=$((i + 1)); done\nexec '" TARN_BIN_DIR
                 "/model/TolvaModel.exe' \"$@\"\n");
  QFile::setPermissions(root.Path("gated/TolvaModel.exe"), QFile::ReadOwner | QFile::ExeOwner);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("XDG_CONFIG_HOME", root.Path("config"));
  environment.insert("XDG_CONFIG_DIRS", root.Path("config"));
  const auto start = [&](QProcess& frontEnd, const QString& model) {
    frontEnd.setProcessEnvironment(environment);
    frontEnd.setWorkingDirectory(root.Path());
    QStringList options = ExampleOptions();
    options[3] = model;
    frontEnd.start(TARN_BIN_DIR "/TARN_SB", QStringList("--batch") + options);
  };
  for (const bool killFirst : {false, true}) {
    root.Remove("started");
    root.Remove("go");
    QProcess first;
    start(first, root.Path("gated/TolvaModel.exe"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return root.Exists("started"); }, 60000));
    if (killFirst) {
      first.kill();
      ASSERT_TRUE(first.waitForFinished(60000));
    }
    const QStringList running = root.Names("out");
    const QByteArray busy = root.Read("out/GW_Test.bus");
    ASSERT_FALSE(busy.isEmpty());

    QProcess second;
    start(second, TARN_BIN_DIR "/model/TolvaModel.exe");
    ASSERT_TRUE(second.waitForFinished(60000));

    EXPECT_EQ(second.exitCode(), kBatchNotStarted) << killFirst;
    EXPECT_EQ(second.readAllStandardError(),
              "Unable to prepare the output folder: a run is still going on in it\n")
        << killFirst;
    EXPECT_EQ(root.Names("out"), running) << killFirst;
    EXPECT_EQ(root.Read("out/GW_Test.bus"), busy) << killFirst;
    root.Write("go");
    if (killFirst) {
      // The driver that the killed front end left runs on to its end.
      EXPECT_TRUE(QTest::qWaitFor([&] { return !root.Exists("out/GW_Test.bus"); }, 120000));
      EXPECT_TRUE(root.Exists("out/tolva.ok"));
      continue;
    }
    ASSERT_TRUE(first.waitForFinished(120000));
    EXPECT_EQ(first.exitCode(), kBatchSucceeded) << first.readAllStandardError().toStdString();
    const QStringList report = TextLines(first.readAllStandardOutput());
    EXPECT_EQ(report.mid(report.indexOf("* TARN Doduvovuv Report: Leaching")), leaching);
  }
}
#endif

}  // namespace
}  // namespace tarn::frontend
