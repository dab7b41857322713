#include "frontend/run_preparation.h"

#include <gtest/gtest.h>

#include <QFile>

#include "frontend/execute_external.h"
#include "frontend/platform.h"
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

// Every ordinary file of an earlier run goes; hidden files and subfolders stay; the model
// input and one companion of each kind (the first found) are copied.
TEST_F(RunPreparationTest, PreparesAFolderThatHoldsAnEarlierRun) {
  root.Write("input/Other.bot", "soil");
  root.Write("out/.tarn-output");
  for (const char* old : {"out/GW.tsb", "out/GW_3.tol", "out/GW_Tsb.sum", "out/tolva.ok"})
    root.Write(old, "old");
  root.Write("out/.hidden");
  root.Write("out/sub/kept.txt");

  ASSERT_TRUE(CreateInpFile(settings, dialogs));

  QStringList names = root.Names("out");
  names.replaceInStrings("Other.bot", "GW.bot").sort();
  EXPECT_EQ(names, QStringList(
                       {".hidden", ".tarn-output", "GW.bot", "GW.met", "GW.tol", "GW.tsb", "sub"}));
  EXPECT_TRUE(root.Exists("out/sub/kept.txt"));
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
// line ended by CR LF; the number of parallel runs follows only when it is above 1.
TEST_F(RunPreparationTest, WritesTheControlFileExactly) {
  const QByteArray binDir = (root.Path("model") + "/").toLocal8Bit();
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
    QByteArray expected;
  } cases[] = {
      {"Monthly", "20", "80", "310", 1, monthly},
      {"UserDefined", "", "", "", 1,
       binDir +
           "    BinDir   ! Path to executable of TOLVA\r\n"
           "UserDefined     OptApp               ! Options are Monthly or UserDefined\r\n"
           "        DelTimAppId (d)   ! Time interval between the starting days of two "
           "consecutive application Ids\r\n"
           "        DayInYeaAppFirst (d)      ! First possible day-in-year of application\r\n"
           "        DayInYeaAppLast (d)       ! Last possible day-in-year of application \r\n"},
      {"Monthly", "20", "80", "310", 2,
       monthly + "2        NumParallelRuns   ! Number of model runs at once\r\n"},
  };
  for (const auto& c : cases) {
    settings.option = c.option;
    settings.interval = c.interval;
    settings.firstDay = c.firstDay;
    settings.lastDay = c.lastDay;
    settings.parallelRuns = c.parallelRuns;

    ASSERT_TRUE(CreateInpFile(settings, dialogs));

    EXPECT_EQ(root.Read("out/GW.tsb"), c.expected) << c.option << c.parallelRuns;
  }
}

// A refused preparation deletes nothing and writes nothing.
TEST_F(RunPreparationTest, RefusesBeforeDeletingAnything) {
  root.Write("my models/TolvaModel.exe");
  const struct {
    const char* name;
    std::function<void(RunSettings&)> change;
    QString error;
  } cases[] = {
      {"output folder is the input folder",
       [&](RunSettings& s) { s.outputPath = root.Path("input"); },
       "Unable to prepare the output folder " + root.Path("input") +
           "/: it is the folder of the model input file, whose files would be deleted"},
      {"output folder missing", [&](RunSettings& s) { s.outputPath = root.Path("missing"); },
       "Unable to prepare the output folder " + root.Path("missing") +
           "/: it is not an existing folder"},
      {"output folder not given", [&](RunSettings& s) { s.outputPath = ""; },
       "Unable to prepare the output folder /: it is not an existing folder"},
      {"model folder with a blank",
       [&](RunSettings& s) { s.modelFile = root.Path("my models/TolvaModel.exe"); },
       "Unable to write the folder of the model executable " +
           root.Path("my models/TolvaModel.exe") +
           " into the control file: it must be one word, without blanks"},
  };
  root.Write("out/.tarn-output");
  root.Write("out/old.txt");
  for (const auto& c : cases) {
    RunSettings refused = settings;
    c.change(refused);
    dialogs.errors.clear();

    EXPECT_FALSE(CreateInpFile(refused, dialogs)) << c.name;

    EXPECT_EQ(dialogs.errors, QStringList({c.error})) << c.name;
    EXPECT_EQ(root.Names("input"), QStringList({"GW.bot", "GW.met", "GW.tol"})) << c.name;
    EXPECT_EQ(root.Names("out"), QStringList({".tarn-output", "old.txt"})) << c.name;
  }
}

// A folder that holds files but was never prepared by TARN is emptied only when the user
// agrees; once prepared, it is emptied without a question.
TEST_F(RunPreparationTest, AsksBeforeEmptyingAFolderTARNNeverPrepared) {
  root.Write("out/thesis.doc");
  root.Write("out/data.csv");
  root.Write("out/.hidden");
  dialogs.confirm = false;

  EXPECT_FALSE(CreateInpFile(settings, dialogs));

  EXPECT_EQ(dialogs.questions, QStringList({"The output folder " + root.Path("out") +
                                            "/ was not prepared by TARN. All 2 files in it will "
                                            "be deleted. Do you want to go on?"}));
  EXPECT_EQ(root.Names("out"), QStringList({".hidden", "data.csv", "thesis.doc"}));

  dialogs.confirm = true;
  EXPECT_TRUE(CreateInpFile(settings, dialogs));
  EXPECT_EQ(root.Names("out"),
            QStringList({".hidden", ".tarn-output", "GW.bot", "GW.met", "GW.tol", "GW.tsb"}));

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

  EXPECT_EQ(ExecuteAndWait(BatchCommandLine(BatchFilePath(settings)), settings.outputPath, 0), 0);

  EXPECT_EQ(root.Read("out/ran.txt"), "GW.tol\n");
  EXPECT_EQ(root.Names("out"), QStringList({"TARN.bat", "ran.txt"}));
}
#endif

}  // namespace
}  // namespace tarn::frontend
