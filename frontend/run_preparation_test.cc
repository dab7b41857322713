#include "frontend/run_preparation.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "frontend/driver_process.h"
#include "frontend/platform.h"
#include "frontend/run_conditions.h"
#include "frontend/testing.h"

namespace tarn::frontend {
namespace {

using testing::RecordingDialogs;
using testing::TempFolder;

// A model input folder with one companion of each kind, a model and an empty output folder.
struct Scene {
  Scene() {
    root.Write("input/GW.tol", "model input");
    root.Write("input/GW.bot", "soil");
    root.Write("input/GW.met", "weather");
    root.Write("model/TolvaModel.exe", "model");
    root.Write("bin/TARN_DoduVovuv", "driver");
    root.MakeFolder("out");
    settings = {root.Path("input/GW.tol"),
                root.Path("model/TolvaModel.exe"),
                root.Path("out"),
                root.Path("bin/TARN_DoduVovuv"),
                "Monthly",
                "20",
                "80",
                "310"};
  }

  TempFolder root;
  RecordingDialogs dialogs;
  RunSettings settings;
};

class RunPreparationTest : public ::testing::Test, protected Scene {};

// Every ordinary file of an earlier run goes, and every link as a link, whatever it points to
// or whether its target exists; hidden files and subfolders stay; the model input and one
// companion of each kind (the first found) are copied.
TEST_F(RunPreparationTest, PreparesAFolderThatHoldsAnEarlierRun) {
  root.Write("input/Other.bot", "soil");
  root.Write("out/.tarn-output");
  for (const char* old : {"out/GW.tsb", "out/GW_3.tol", "out/GW_Tsb.sum", "out/tolva.ok"})
    root.Write(old, "old");
  root.Write("out/.hidden");
  root.Write("out/sub/kept.txt");
  root.Write("elsewhere/GW.err", "kept");
  const struct {
    const char* link;
    const char* target;
  } links[] = {
      {"out/GW.err", "elsewhere/GW.err"},    {"out/GW.out", "elsewhere/GW.out"},
      {"out/folder", "elsewhere"},           {"out/.hidden_link", "elsewhere/GW.err"},
      {"out/TARN.bat", "elsewhere/missing"},
  };
  for (const auto& l : links) ASSERT_TRUE(QFile::link(root.Path(l.target), root.Path(l.link)));

  ASSERT_TRUE(CreateInpFile(settings, dialogs));
  WriteBatchFile(settings);

  QStringList names = root.Names("out");
  names.replaceInStrings("Other.bot", "GW.bot").sort();
  EXPECT_EQ(names, QStringList({".hidden", ".tarn-lock", ".tarn-output", "GW.bot", "GW.met",
                                "GW.tol", "GW.tsb", "TARN.bat", "sub"}));
  EXPECT_TRUE(root.Exists("out/sub/kept.txt"));
  EXPECT_FALSE(QFileInfo(root.Path("out/TARN.bat")).isSymLink());
  EXPECT_EQ(root.Names("elsewhere"), QStringList({"GW.err"}));
  EXPECT_EQ(root.Read("elsewhere/GW.err"), "kept");
  EXPECT_EQ(root.Read("out/GW.tol"), "model input");
  EXPECT_EQ(root.Read("out/GW.met"), "weather");
  EXPECT_EQ(dialogs.errors, QStringList());
  EXPECT_EQ(dialogs.questions, QStringList());
}

// A missing companion is reported with the searched folder and mask; the preparation goes on.
TEST(RunPreparation, ReportsAMissingCompanionAndGoesOn) {
  const struct {
    bool botMissing;
    bool metMissing;
  } cases[] = {{true, false}, {false, true}, {true, true}};
  for (const auto& c : cases) {
    Scene scene;
    const QString searched = scene.root.Path("input") + "/";
    QStringList expected;
    if (c.botMissing) {
      QFile::remove(scene.root.Path("input/GW.bot"));
      expected << "Unable the copy the *.bot file " + searched + "*.bot";
    }
    if (c.metMissing) {
      QFile::remove(scene.root.Path("input/GW.met"));
      expected << "Unable the copy thee *.met file " + searched + "*.met";
    }

    ASSERT_TRUE(CreateInpFile(scene.settings, scene.dialogs));

    EXPECT_EQ(scene.dialogs.errors, expected);
    EXPECT_TRUE(scene.root.Exists("out/GW.tol"));
    EXPECT_TRUE(scene.root.Exists("out/GW.tsb"));
  }
}

// The control file holds the model folder, the option and the day fields as they stand, each
// line ended by CR LF; the number of parallel runs follows only when it is above 1, and the
// model launcher only when there is one.
TEST_F(RunPreparationTest, WritesTheControlFileExactly) {
  const QByteArray binDir = (root.Path("model") + "/").toLocal8Bit();
  root.Write("tools/wine");
  const QString launcher = root.Path("tools/wine");
  const QByteArray launcherLine =
      launcher.toLocal8Bit() +
      "    ModelLauncher   ! Program that runs each model run (Wine, Slurm)\r\n";
  const QByteArray parallelLine = "2        NumParallelRuns   ! Number of model runs at once\r\n";
  const QByteArray monthly =
      binDir +
      "    BinDir   ! Path to executable of TOLVA\r\n"
      "Monthly     OptApp               ! Options are Monthly or UserDefined\r\n"
      "20        DelTimAppId (d)   ! Time interval between the starting days of two "
      "consecutive application Ids\r\n"
      "80        DayInYeaAppFirst (d)      ! First possible day-in-year of application\r\n"
      "310        DayInYeaAppLast (d)       ! Last possible day-in-year of application \r\n";
  const struct {
    const char* option;
    const char* interval;
    const char* firstDay;
    const char* lastDay;
    int parallelRuns;
    QString launcher;
    QByteArray expected;
  } cases[] = {
      {"Monthly", "20", "80", "310", 1, "", monthly},
      {"UserDefined", "", "", "", 1, "",
       binDir +
           "    BinDir   ! Path to executable of TOLVA\r\n"
           "UserDefined     OptApp               ! Options are Monthly or UserDefined\r\n"
           "        DelTimAppId (d)   ! Time interval between the starting days of two "
           "consecutive application Ids\r\n"
           "        DayInYeaAppFirst (d)      ! First possible day-in-year of application\r\n"
           "        DayInYeaAppLast (d)       ! Last possible day-in-year of application \r\n"},
      {"Monthly", "20", "80", "310", 2, "", monthly + parallelLine},
      {"Monthly", "20", "80", "310", 1, launcher, monthly + launcherLine},
      {"Monthly", "20", "80", "310", 2, launcher, monthly + parallelLine + launcherLine},
  };
  for (const auto& c : cases) {
    settings.option = c.option;
    settings.interval = c.interval;
    settings.firstDay = c.firstDay;
    settings.lastDay = c.lastDay;
    settings.parallelRuns = c.parallelRuns;
    settings.launcherFile = c.launcher;

    // Calculate refuses day values the driver does not accept; they would stand as they are.
    if (!UnmetConditions(settings).isEmpty()) {
      EXPECT_EQ(ControlFileText(settings, ModelFolderText(settings.modelFile), c.launcher),
                c.expected)
          << c.option;
      continue;
    }
    ASSERT_TRUE(CreateInpFile(settings, dialogs));

    EXPECT_EQ(root.Read("out/GW.tsb"), c.expected)
        << c.option << c.parallelRuns << c.launcher.toStdString();
  }
}

// The day values of the user-defined schedule are judged by the ranges of the control file, both
// ends included; the window and the headless mode show these conditions as they are.
TEST_F(RunPreparationTest, JudgesTheDayValuesByTheirRanges) {
  const struct {
    const char *interval, *firstDay, *lastDay;
    QStringList unmet;
  } cases[] = {
      {"150", "0", "365", {}},
      {"1", "0", "0", {}},
      {"0", "80", "310", {"Interval must be 1 to 150 days"}},
      {"151", "80", "310", {"Interval must be 1 to 150 days"}},
      {"20", "366", "310", {"First day must be 0 to 365"}},
      {"20", "80", "366", {"Last day must be 0 to 365"}},
      {"20", "80", "", {"Last day must be 0 to 365"}},
      {"20", "-1", "3.5", {"First day must be 0 to 365", "Last day must be 0 to 365"}},
  };
  for (const auto& c : cases) {
    RunSettings days = settings;
    days.option = "UserDefined";
    days.interval = c.interval;
    days.firstDay = c.firstDay;
    days.lastDay = c.lastDay;
    QStringList unmet;
    for (const UnmetCondition& condition : UnmetConditions(days)) unmet << ConditionLine(condition);
    EXPECT_EQ(unmet, c.unmet) << c.interval << " " << c.firstDay << " " << c.lastDay;
  }
}

// A refused preparation deletes nothing and writes nothing, in the output folder or elsewhere.
TEST_F(RunPreparationTest, RefusesBeforeDeletingAnything) {
  root.Write("my models/TolvaModel.exe");
  root.Write("my tools/launch");
  for (const char* name : {"my-run.tol", "GW.TOL", "GW", "GW .tol", "GW.b.tol"})
    root.Write(QStringLiteral("named/") + name);
  const auto named = [&](const char* name) {
    return [&, name](RunSettings& s) { s.tolvaFile = root.Path("named/") + name; };
  };
  // A scenario whose applications span 20 days.
  root.Write("spans/GW.tol",
             "table Applications\n01-Apr AppSolSur 1.0\n21-Apr AppSolSur 1.0\nend_table\n");
  const auto refused = [](const QString& text, const QString& path) {
    return "Unable to start the run: " + text + (path.isEmpty() ? "" : ": " + path);
  };
  const struct {
    const char* name;
    std::function<void(RunSettings&)> change;
    QString error;
  } cases[] = {
      {"output folder is the input folder",
       [&](RunSettings& s) { s.outputPath = root.Path("input"); },
       refused("The output folder is the model input file's folder, whose files would be deleted",
               root.Path("input"))},
      {"output folder missing", [&](RunSettings& s) { s.outputPath = root.Path("missing"); },
       refused("The output folder does not exist", root.Path("missing"))},
      {"output folder not given", [&](RunSettings& s) { s.outputPath = ""; },
       refused("The output folder does not exist", "")},
      {"model folder with a blank",
       [&](RunSettings& s) { s.modelFile = root.Path("my models/TolvaModel.exe"); },
       refused("The folder of the model executable must be one word, without blanks",
               root.Path("my models/TolvaModel.exe"))},
      {"run name with a hyphen", named("my-run.tol"),
       refused("The model input file's name cannot be the run's name: Invalid character in run "
               "name. Only alphanumeric characters and underscore allowed",
               root.Path("named/my-run.tol"))},
      {"extension in capitals", named("GW.TOL"),
       refused("The model input file's name cannot be the run's name: Extension of input file "
               "should be .tol",
               root.Path("named/GW.TOL"))},
      {"two extensions", named("GW.b.tol"),
       refused("The model input file's name cannot be the run's name: Extension of input file "
               "should be .tol",
               root.Path("named/GW.b.tol"))},
      {"no extension", named("GW"),
       refused("The model input file's name cannot be the run's name: Its extension must be .tol",
               root.Path("named/GW"))},
      {"run name the driver cuts", named("GW .tol"),
       refused("The model input file's name cannot be the run's name: The driver would take GW as "
               "the run's name",
               root.Path("named/GW .tol"))},
      {"model input renamed", [&](RunSettings& s) { s.tolvaFile = root.Path("input/GW2.tol"); },
       refused("The model input file does not exist", root.Path("input/GW2.tol"))},
      {"first day after the last day",
       [&](RunSettings& s) {
         s.tolvaFile = root.Path("spans/GW.tol");
         s.option = "UserDefined";
         s.firstDay = "300";
         s.lastDay = "100";
       },
       refused("First day must not lie after the last day", "")},
      {"applications spanning more days than the schedule allows",
       [&](RunSettings& s) {
         s.tolvaFile = root.Path("spans/GW.tol");
         s.option = "UserDefined";
         s.firstDay = "80";
         s.lastDay = "99";
       },
       refused("The schedule has no application id: the model input's applications span 20 "
               "days, more than the 19 days from the first to the last day",
               root.Path("spans/GW.tol"))},
      {"driver missing", [&](RunSettings& s) { s.driverFile = root.Path("bin/none"); },
       refused("The driver TARN_DoduVovuv does not exist", root.Path("bin/none"))},
      {"output folder is the model's folder",
       [&](RunSettings& s) { s.outputPath = root.Path("model"); },
       refused("The output folder holds the model executable", root.Path("model/TolvaModel.exe"))},
      {"output folder holds the model's folder",
       [&](RunSettings& s) { s.modelFile = root.Path("out/model/TolvaModel.exe"); },
       refused("The output folder holds the model executable",
               root.Path("out/model/TolvaModel.exe"))},
      {"output folder is the driver's folder",
       [&](RunSettings& s) { s.outputPath = root.Path("bin"); },
       refused("The output folder holds the driver", root.Path("bin/TARN_DoduVovuv"))},
      {"output folder holds the driver's link",
       [&](RunSettings& s) { s.driverFile = root.Path("out/links/TARN_DoduVovuv"); },
       refused("The output folder holds the driver", root.Path("out/links/TARN_DoduVovuv"))},
      {"launcher with a blank",
       [&](RunSettings& s) { s.launcherFile = root.Path("my tools/launch"); },
       refused("The model launcher must be one word, without blanks",
               root.Path("my tools/launch"))},
      {"output folder holds the launcher",
       [&](RunSettings& s) { s.launcherFile = root.Path("out/tools/launch"); },
       refused("The output folder holds the model launcher", root.Path("out/tools/launch"))},
#ifndef _WIN32
      // A FIFO would keep the copy waiting for a writer for ever.
      {"model input that is a FIFO",
       [&](RunSettings& s) { s.tolvaFile = root.Path("pipes/GW.tol"); },
       refused("The model input file cannot be read (it is not a regular file)",
               root.Path("pipes/GW.tol"))},
      {"companion that is a FIFO", [&](RunSettings& s) { s.tolvaFile = root.Path("fifo/GW.tol"); },
       "Unable to copy the companion file " + root.Path("fifo/GW.bot") +
           " into the output folder: it is not a regular file"},
#endif
  };
  root.Write("out/.tarn-output");
  root.Write("out/old.txt");
  root.Write("out/tolva.ok");
  root.Write("out/model/TolvaModel.exe");
  root.Write("out/tools/launch");
  root.MakeFolder("out/links");
  ASSERT_TRUE(QFile::link(root.Path("bin/TARN_DoduVovuv"), root.Path("out/links/TARN_DoduVovuv")));
#ifndef _WIN32
  root.MakeFolder("pipes");
  ASSERT_EQ(mkfifo(QFile::encodeName(root.Path("pipes/GW.tol")).constData(), 0600), 0);
  root.Write("fifo/GW.tol");
  ASSERT_EQ(mkfifo(QFile::encodeName(root.Path("fifo/GW.bot")).constData(), 0600), 0);
#endif
  QStringList before;
  for (const char* folder : {"", "input", "out", "model", "bin", "named", "spans"})
    before << root.Names(folder);
  for (const auto& c : cases) {
    RunSettings refused = settings;
    c.change(refused);
    dialogs.errors.clear();

    EXPECT_FALSE(CreateInpFile(refused, dialogs)) << c.name;

    EXPECT_EQ(dialogs.errors, QStringList({c.error})) << c.name;
    QStringList after;
    for (const char* folder : {"", "input", "out", "model", "bin", "named", "spans"})
      after << root.Names(folder);
    EXPECT_EQ(after, before) << c.name;
  }
}

// An earlier run's success marker or report that cannot be deleted refuses the run before
// anything else is deleted or written: its report would otherwise pass for the new run's.
TEST_F(RunPreparationTest, RefusesWhenTheEarlierOutcomeCannotBeDeleted) {
  for (const char* undeletable : {"tolva.ok", "GW_Tsb.sum"}) {
    Scene scene;
    scene.root.Write("out/.tarn-output");
    scene.root.Write("out/GW.log", "old");
    // A folder that is not empty: what a file of another owner is for a user who is not root.
    scene.root.Write(QStringLiteral("out/%1/x").arg(undeletable));

    EXPECT_FALSE(CreateInpFile(scene.settings, scene.dialogs)) << undeletable;

    EXPECT_EQ(scene.dialogs.errors,
              QStringList({QStringLiteral("Unable to empty the output folder: %1 cannot be deleted")
                               .arg(scene.root.Path(QStringLiteral("out/") + undeletable))}));
    EXPECT_EQ(scene.root.Names("out"),
              QStringList({".tarn-lock", ".tarn-output", "GW.log", undeletable}));
  }
}

// A folder that holds files but was never prepared by TARN is emptied only when the user
// agrees, Cancel being the default answer; the question names up to ten of the files and how
// many there are. Once prepared, the folder is emptied without a question.
TEST_F(RunPreparationTest, AsksBeforeEmptyingAFolderTARNNeverPrepared) {
  const struct {
    int files;
    QStringList question;
  } cases[] = {
      {1, {"It holds 1 file that will be deleted:", "file01.txt", "Do you want to go on?"}},
      {11,
       {"It holds 11 files that will be deleted:", "file01.txt", "file02.txt", "file03.txt",
        "file04.txt", "file05.txt", "file06.txt", "file07.txt", "file08.txt", "file09.txt",
        "file10.txt", "and 1 more file.", "Do you want to go on?"}},
      {12,
       {"It holds 12 files that will be deleted:", "file01.txt", "file02.txt", "file03.txt",
        "file04.txt", "file05.txt", "file06.txt", "file07.txt", "file08.txt", "file09.txt",
        "file10.txt", "and 2 more files.", "Do you want to go on?"}},
  };
  for (const auto& c : cases) {
    Scene scene;
    for (int i = 1; i <= c.files; ++i)
      scene.root.Write(QStringLiteral("out/file%1.txt").arg(i, 2, 10, QLatin1Char('0')));
    scene.root.Write("out/.hidden");
    scene.dialogs.confirm = false;

    EXPECT_FALSE(CreateInpFile(scene.settings, scene.dialogs));

    const QString intro =
        "The output folder " + scene.root.Path("out") + "/ was not prepared by TARN. ";
    EXPECT_EQ(scene.dialogs.questions, QStringList({intro + c.question.join('\n')})) << c.files;
    EXPECT_EQ(scene.dialogs.defaults, std::vector({Messages::Default::kCancel})) << c.files;
    EXPECT_EQ(scene.root.Names("out").size(), c.files + 1) << c.files;
  }

  root.Write("out/thesis.doc");
  EXPECT_TRUE(CreateInpFile(settings, dialogs));
  EXPECT_EQ(root.Names("out"),
            QStringList({".tarn-lock", ".tarn-output", "GW.bot", "GW.met", "GW.tol", "GW.tsb"}));

  dialogs.questions.clear();
  root.Write("out/GW_Tsb.sum");
  EXPECT_TRUE(CreateInpFile(settings, dialogs));
  EXPECT_EQ(dialogs.questions, QStringList());
  EXPECT_FALSE(root.Exists("out/GW_Tsb.sum"));
}

TEST_F(RunPreparationTest, SearchFindsHiddenFilesButNoFolders) {
  root.Write("search/.hidden.bot");
  root.Write("search/y.bot");
  root.Write("search/y.met");
  root.MakeFolder("search/z.bot");
  QStringList found({"earlier"});

  lpFileSearch(root.Path("search"), "*.bot", found);

  found.sort();
  EXPECT_EQ(found,
            QStringList({root.Path("search/.hidden.bot"), root.Path("search/y.bot"), "earlier"}));
}

#ifndef _WIN32
// TARN.bat is one line of shell: the driver in single quotes, two blanks, the model input's
// file name, quoted only where the shell would read it otherwise.
TEST_F(RunPreparationTest, WritesTheBatchFileAsOneShellLine) {
  const struct {
    const char* driver;
    const char* input;
    QByteArray expected;
  } cases[] = {
      {"/opt/tarn/bin/TARN_DoduVovuv", "GW.tol", "'/opt/tarn/bin/TARN_DoduVovuv'  GW.tol\n"},
      {"/opt/it's here/TARN_DoduVovuv", "GW.tol", "'/opt/it'\\''s here/TARN_DoduVovuv'  GW.tol\n"},
      {"/opt/tarn/TARN_DoduVovuv", "a;b.tol", "'/opt/tarn/TARN_DoduVovuv'  'a;b.tol'\n"},
  };
  for (const auto& c : cases) {
    settings.driverFile = c.driver;
    settings.tolvaFile = root.Path("input/") + c.input;

    WriteBatchFile(settings);

    EXPECT_EQ(root.Read("out/TARN.bat"), c.expected);
  }
}

// The batch file runs the driver and nothing that its path might spell for the shell.
TEST_F(RunPreparationTest, BatchFileRunsNothingButTheDriver) {
  settings.driverFile = root.Path("bin/$(touch injected)`touch injected`/driver");
  root.Write("bin/$(touch injected)`touch injected`/driver", "#!/bin/sh\necho \"$1\" > ran.txt\n");
  QFile::setPermissions(settings.driverFile, QFile::ReadOwner | QFile::ExeOwner);
  WriteBatchFile(settings);

  DriverProcess driver;
  QSignalSpy ended(&driver, &DriverProcess::Ended);
  ASSERT_TRUE(driver.Start(BatchFilePath(settings), settings.outputPath));
  ASSERT_TRUE(ended.wait(30000));
  EXPECT_EQ(ended.front().front().toInt(), 0);

  EXPECT_EQ(root.Read("out/ran.txt"), "GW.tol\n");
  EXPECT_EQ(root.Names("out"), QStringList({"TARN.bat", "ran.txt"}));
}
#endif

}  // namespace
}  // namespace tarn::frontend
