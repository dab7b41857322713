#include "frontend/batch_mode.h"

#include <gtest/gtest.h>

#include <QFile>
#include <sstream>

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
    for (const char* folder : {"in", "out", "bin"}) root.MakeFolder(folder);
    for (const char* name : {"GW_Test.tol", "GW_Test.bot", "GW_Test.met"})
      QFile::copy(QStringLiteral(TARN_EXAMPLES_DIR "/") + name, root.Path("in/") + name);
    QFile::link(TARN_BIN_DIR "/TARN_DoduVovuv", root.Path("bin/TARN_DoduVovuv"));
  }
  ~BatchModeTest() override { testing::ClearSettings(); }

  // Runs the headless mode with `options` after --batch.
  int Run(const QStringList& options) {
    out.str("");
    err.str("");
    return RunBatch(QStringList({"TARN_SB", "--batch"}) + options, out, err);
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
};

// Options and inputs that keep the run from starting: their lines, and nothing is prepared.
TEST_F(BatchModeTest, RefusesWhatCalculateWouldRefuse) {
  const QString in = root.Path("in/GW_Test.tol");
  const QString model = TARN_BIN_DIR "/model/TolvaModel.exe";
  const QString output = root.Path("out");
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
       {"Model input file not found: " + root.Path("in/none.tol"),
        "Model executable not found: " + root.Path("none"),
        "Output folder not found: " + root.Path("none")}},
      {"day values",
       {"--input", in, "--model", model, "--output", output, "--option", "UserDefined",
        "--interval", "0"},
       {"With UserDefined the interval must be a whole number from 1 to 150, the first and the "
        "last day whole numbers from 0 to 365"}},
      {"stored paths that do not exist",
       {},
       {"Model input file not found: " + root.Path("GW_Test.tol"),
        "Model executable not found: /opt/LanthModels/KAV3/models/tolva/TolvaModel.exe",
        "Output folder not found: " + root.Path("output") + "/"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.options), kBatchNotStarted) << c.name;
    EXPECT_EQ(ErrLines(), c.errLines) << c.name;
    EXPECT_EQ(OutLines(), QStringList()) << c.name;
    EXPECT_EQ(root.Names("out"), QStringList()) << c.name;
  }
}

// A folder that TARN never prepared is emptied only when --empty-output says so.
TEST_F(BatchModeTest, EmptiesAForeignFolderOnlyWhenTold) {
  root.Write("out/notes.txt");

  EXPECT_EQ(Run(ExampleOptions()), kBatchNotStarted);

  EXPECT_EQ(ErrLines(), QStringList({"The output folder " + root.Path("out") +
                                         "/ was not prepared by TARN. All 1 files in it will be "
                                         "deleted. Do you want to go on?",
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

#ifndef _WIN32
// A run whose model fails ends without tolva.ok: the status says so and the driver's error
// file follows on standard error.
TEST_F(BatchModeTest, FailedRunEndsWithAnErrorStatus) {
  root.Write("failing/TolvaModel.exe", "#!/bin/sh\nexit 1\n");
  QFile::setPermissions(root.Path("failing/TolvaModel.exe"), QFile::ReadOwner | QFile::ExeOwner);
  QStringList options = ExampleOptions();
  options[3] = root.Path("failing/TolvaModel.exe");

  EXPECT_EQ(Run(options), kBatchRunFailed);

  const QStringList errLines = ErrLines();
  ASSERT_FALSE(errLines.isEmpty());
  EXPECT_EQ(errLines.front(), "The run did not end with tolva.ok in " + root.Path("out") + "/");
  EXPECT_GT(errLines.size(), 1);
  EXPECT_FALSE(root.Exists("out/tolva.ok"));
  EXPECT_TRUE(root.Exists("out/GW_Test.err"));
}
#endif

}  // namespace
}  // namespace tarn::frontend
