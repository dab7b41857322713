// The main window driven offscreen: controls, the settings lookup, the button rules, the
// pickers, closing, and Calculate with the real driver and the stand-in model.
#include "frontend/main_window.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <algorithm>

#include "frontend/report_reader.h"
#include "frontend/report_window.h"
#include "frontend/tarn_registry.h"
#include "frontend/testing.h"

namespace tarn::frontend {
namespace {

using testing::TempFolder;

#ifdef _WIN32
const QString kBuiltInModel =
    "C:\\Program Files (x86)\\LanthModels\\KAV3\\models\\tolva\\Tolvamodel.exe";
#else
const QString kBuiltInModel = "/opt/LanthModels/KAV3/models/tolva/TolvaModel.exe";
#endif

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() : current(root.Path()) { testing::ClearSettings(); }
  ~MainWindowTest() override {
    window.reset();
    testing::ClearSettings();
  }

  // A model input, a model and an output folder that exist, stored as the user's choices.
  void StoreExistingPaths() {
    for (const char* file : {"in/GW.tol", "in/GW.bot", "in/GW.met", "model/TolvaModel.exe"})
      root.Write(file);
    root.MakeFolder("out");
    testing::WriteUserSetting(cRegTolvaFilePath, root.Path("in/GW.tol"));
    testing::WriteUserSetting(cRegTolvaModelPath, root.Path("model/TolvaModel.exe"));
    testing::WriteUserSetting(cRegOutputPath, root.Path("out"));
  }

  TfrmMain& Open() {
    window.reset();
    window = std::make_unique<TfrmMain>(dialogs);
    window->show();
    return *window;
  }

  template <typename T>
  T* Find(const char* name) const {
    T* child = window->findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }

  QString Text(const char* lineEdit) const { return Find<QLineEdit>(lineEdit)->text(); }
  bool Enabled(const char* name) const { return Find<QWidget>(name)->isEnabled(); }
  void Click(const char* button) { QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton); }

  // The lines of every report window that `action` opens.
  std::vector<QStringList> ReportsOf(const std::function<void()>& action) {
    std::vector<QStringList> reports;
    testing::AnswerModal<TfrmReport>(action, [&](TfrmReport& report) {
      reports.push_back(
          report.findChild<QPlainTextEdit*>("memReoport")->toPlainText().split(QLatin1Char('\n')));
    });
    return reports;
  }

  TempFolder root;
  testing::CurrentFolder current;
  testing::RecordingDialogs dialogs;
  std::unique_ptr<TfrmMain> window;
};

// Without inputs and without a report, only Calculate and Report are unavailable; the
// option starts as Monthly with the day fields disabled, and one model run at a time.
TEST_F(MainWindowTest, StartsWithTheSpecifiedStates) {
  Open();
  EXPECT_EQ(window->windowTitle(), "TARN");
  EXPECT_EQ(window->size(), QSize(710, 486));
  const struct {
    const char* name;
    bool enabled;
  } controls[] = {
      {"btnGo", false},        {"btnReport", false},     {"btnInfo", true},
      {"btnTolvaFile", true},  {"btnModelPath", true},   {"btnSelectOutputPath", true},
      {"btnCancel", true},     {"cbxOptions", true},     {"edtTolFile", false},
      {"edtModelPath", false}, {"edtOutputPath", false}, {"edtInterval", false},
      {"edtFirstDay", false},  {"edtLastDay", false},    {"spnParallelRuns", true},
  };
  for (const auto& c : controls) EXPECT_EQ(Enabled(c.name), c.enabled) << c.name;
  EXPECT_EQ(Find<QComboBox>("cbxOptions")->currentText(), "Monthly");
  EXPECT_EQ(QStringList({Text("edtInterval"), Text("edtFirstDay"), Text("edtLastDay")}),
            QStringList({"20", "80", "310"}));
  const auto* parallelRuns = Find<QSpinBox>("spnParallelRuns");
  EXPECT_EQ(parallelRuns->value(), 1);
  EXPECT_EQ(parallelRuns->minimum(), 1);
  EXPECT_EQ(parallelRuns->maximum(), std::clamp(QThread::idealThreadCount(), 1, 64));
}

// Each path is the user's value when it exists (even empty), else the machine default, else
// the built-in default.
TEST_F(MainWindowTest, LooksUpThePathsPerUserThenMachineThenBuiltIn) {
  const struct {
    const char* name;
    std::optional<QString> user;
    std::optional<QString> machine;
    QStringList shown;
  } cases[] = {
      {"nothing stored",
       std::nullopt,
       std::nullopt,
       {root.Path("GW_Test.tol"), kBuiltInModel, root.Path("output") + "/"}},
      {"machine defaults", std::nullopt, "/machine", {"/machine", "/machine", "/machine"}},
      {"user values", "/user", "/machine", {"/user", "/user", "/user"}},
      {"empty user values", "", "/machine", {"", "", ""}},
      {"empty machine values",
       std::nullopt,
       "",
       {root.Path("GW_Test.tol"), kBuiltInModel, root.Path("output") + "/"}},
  };
  for (const auto& c : cases) {
    testing::ClearSettings();
    for (const char* name : {cRegTolvaFilePath, cRegTolvaModelPath, cRegOutputPath}) {
      if (c.user) testing::WriteUserSetting(name, *c.user);
      if (c.machine) testing::WriteMachineSetting(name, *c.machine);
    }

    Open();

    EXPECT_EQ(QStringList({Text("edtTolFile"), Text("edtModelPath"), Text("edtOutputPath")}),
              c.shown)
        << c.name;
    EXPECT_FALSE(Enabled("btnGo")) << c.name;
  }
  EXPECT_EQ(dialogs.errors, QStringList());
}

TEST_F(MainWindowTest, FailingStartShowsItsMessageThenTheError) {
  TTARNRegistry::CreateSingleton(cRegKeyTarn);

  Open();

  EXPECT_EQ(dialogs.errors,
            QStringList({"Unable to start [FormCreate]Error: Object already created, use "
                         "TTARNRegistry.GetSingleton.\"",
                         "Error: Object already created, use TTARNRegistry.GetSingleton."}));
  window.reset();
  EXPECT_FALSE(TTARNRegistry::Created());
}

// Calculate needs the three paths and, with UserDefined, day values the driver accepts; it is
// never available during a run.
TEST_F(MainWindowTest, EnablesCalculateByTheRules) {
  const struct {
    const char* name;
    const char* missing;
    const char* option;
    const char* interval;
    const char* firstDay;
    const char* lastDay;
    bool calculating;
    bool enabled;
  } cases[] = {
      {"all present", nullptr, "Monthly", "20", "80", "310", false, true},
      {"model input missing", "in/GW.tol", "Monthly", "20", "80", "310", false, false},
      {"model missing", "model/TolvaModel.exe", "Monthly", "20", "80", "310", false, false},
      {"output folder missing", "out", "Monthly", "20", "80", "310", false, false},
      {"days not read for Monthly", nullptr, "Monthly", "0", "", "999", false, true},
      {"widest days", nullptr, "UserDefined", "150", "0", "365", false, true},
      {"shortest interval", nullptr, "UserDefined", "1", "0", "0", false, true},
      {"interval 0", nullptr, "UserDefined", "0", "80", "310", false, false},
      {"interval 151", nullptr, "UserDefined", "151", "80", "310", false, false},
      {"first day 366", nullptr, "UserDefined", "20", "366", "310", false, false},
      {"last day 366", nullptr, "UserDefined", "20", "80", "366", false, false},
      {"empty last day", nullptr, "UserDefined", "20", "80", "", false, false},
      {"during a run", nullptr, "Monthly", "20", "80", "310", true, false},
  };
  for (const auto& c : cases) {
    StoreExistingPaths();
    if (c.missing) root.Remove(c.missing);
    Open();

    Find<QComboBox>("cbxOptions")->setCurrentText(c.option);
    Find<QLineEdit>("edtInterval")->setText(c.interval);
    Find<QLineEdit>("edtFirstDay")->setText(c.firstDay);
    Find<QLineEdit>("edtLastDay")->setText(c.lastDay);
    if (c.calculating) {
      window->SetCalculating(true);
      window->UpdateButtons();
    }

    EXPECT_EQ(Enabled("btnGo"), c.enabled) << c.name;
  }
}

// Each picker opens where its path lies, shows and stores the chosen path and re-evaluates
// the buttons.
TEST_F(MainWindowTest, PickersShowAndStoreTheChosenPaths) {
  root.Write("in/GW.tol");
  root.Write("model/TolvaModel.exe");
  root.MakeFolder("out");
  Open();
  const struct {
    const char* button;
    const char* field;
    const char* setting;
    QString chosen;
    QString openedIn;
  } pickers[] = {
      {"btnTolvaFile", "edtTolFile", cRegTolvaFilePath, root.Path("in/GW.tol"), root.Path()},
      {"btnModelPath", "edtModelPath", cRegTolvaModelPath, root.Path("model/TolvaModel.exe"),
       QFileInfo(kBuiltInModel).absolutePath()},
      {"btnSelectOutputPath", "edtOutputPath", cRegOutputPath, root.Path("out"),
       root.Path("output") + "/"},
  };
  for (const auto& p : pickers) {
    EXPECT_FALSE(Enabled("btnGo")) << p.button;
    dialogs.picks = {p.chosen};
    dialogs.pickerFolders.clear();

    Click(p.button);

    EXPECT_EQ(dialogs.pickerFolders, QStringList({p.openedIn})) << p.button;
    EXPECT_EQ(Text(p.field), p.chosen);
    EXPECT_EQ(testing::UserSetting(p.setting), p.chosen);
  }
  EXPECT_TRUE(Enabled("btnGo"));
}

// A cancelled picker changes neither the path nor the store, but re-evaluates the buttons.
TEST_F(MainWindowTest, CancelledPickerReevaluatesTheButtons) {
  StoreExistingPaths();
  QFile::remove(root.Path("in/GW.tol"));
  Open();
  EXPECT_FALSE(Enabled("btnGo"));
  root.Write("in/GW.tol");
  root.Write("out/GW_Tsb.sum");
  EXPECT_FALSE(Enabled("btnReport"));

  for (const char* picker : {"btnTolvaFile", "btnModelPath", "btnSelectOutputPath"}) {
    Click(picker);
    EXPECT_TRUE(Enabled("btnGo")) << picker;
    EXPECT_TRUE(Enabled("btnReport")) << picker;
  }
  EXPECT_EQ(Text("edtTolFile"), root.Path("in/GW.tol"));
  EXPECT_EQ(testing::UserSetting(cRegTolvaFilePath), root.Path("in/GW.tol"));
  EXPECT_EQ(dialogs.pickerFolders.size(), 3);
}

TEST_F(MainWindowTest, OptionSwitchesTheDayFields) {
  Open();
  auto* options = Find<QComboBox>("cbxOptions");
  const char* const days[] = {"edtInterval", "edtFirstDay", "edtLastDay"};

  options->setCurrentText("UserDefined");
  for (const char* day : days) EXPECT_TRUE(Enabled(day)) << day;
  EXPECT_TRUE(Enabled("spnParallelRuns"));
  Find<QLineEdit>("edtInterval")->setText("7");

  options->setCurrentText("Monthly");
  for (const char* day : days) EXPECT_FALSE(Enabled(day)) << day;
  EXPECT_TRUE(Enabled("spnParallelRuns"));
  EXPECT_EQ(QStringList({Text("edtInterval"), Text("edtFirstDay"), Text("edtLastDay")}),
            QStringList({"7", "80", "310"}));
}

TEST_F(MainWindowTest, AsksBeforeClosing) {
  const struct {
    bool calculating;
    bool answer;
    QString question;
    bool stays;
  } cases[] = {
      {false, false, "Close the TARN program?", true},
      {false, true, "Close the TARN program?", false},
      {true, false, "Still calculating, do you want to close the applicatation?", true},
      {true, true, "Still calculating, do you want to close the applicatation?", false},
  };
  for (const auto& c : cases) {
    Open();
    window->SetCalculating(c.calculating);
    dialogs.confirm = c.answer;
    dialogs.questions.clear();

    QTest::keyClick(window.get(), Qt::Key_Escape);

    EXPECT_EQ(dialogs.questions, QStringList({c.question}));
    EXPECT_EQ(window->isVisible(), c.stays);
  }
}

TEST_F(MainWindowTest, ReportShowsTheSectionsOfTheLastRun) {
  StoreExistingPaths();
  root.Write("out/GW_Tsb.sum",
             "* ---\n* TARN Doduvovuv REPORT: Header\n* Run ID : GW\n"
             "* End of TARN Doduvovuv REPORT: Header\n* table\n");
  Open();

  EXPECT_EQ(ReportsOf([&] { Click("btnReport"); }),
            std::vector<QStringList>({{"* TARN Doduvovuv REPORT: Header", "* Run ID : GW",
                                       "* End of TARN Doduvovuv REPORT: Header", ""}}));
}

#ifndef _WIN32
// What the driver leaves decides what is shown: a report only after exit code 0 with a
// summary.
TEST_F(MainWindowTest, ShowsAReportOnlyAfterASuccessfulDriver) {
  const struct {
    const char* name;
    QByteArray driver;
    size_t reports;
  } cases[] = {
      {"summary and exit code 0",
       "#!/bin/sh\necho '* TARN Doduvovuv Report: Leaching' > GW_Tsb.sum\n", 1},
      {"exit code 0 without a summary", "#!/bin/sh\nexit 0\n", 0},
      {"summary and exit code 3",
       "#!/bin/sh\necho '* TARN Doduvovuv Report: Leaching' > GW_Tsb.sum\nexit 3\n", 0},
  };
  StoreExistingPaths();
  for (const auto& c : cases) {
    root.Write("bin/TARN_DoduVovuv", c.driver);
    QFile::setPermissions(root.Path("bin/TARN_DoduVovuv"), QFile::ReadOwner | QFile::ExeOwner);
    Open();

    EXPECT_EQ(ReportsOf([&] { Click("btnGo"); }).size(), c.reports) << c.name;

    EXPECT_TRUE(Enabled("btnGo")) << c.name;
    EXPECT_EQ(dialogs.errors, QStringList()) << c.name;
  }
}
#endif

// While the driver runs, the window counts the summaries it has left so far; the driver goes
// on only once the window has shown them.
TEST_F(MainWindowTest, ShowsProgressWhileTheDriverRuns) {
  StoreExistingPaths();
  root.Write("bin/TARN_DoduVovuv",
             "#!/bin/sh\ntouch GW_1.sum GW_2.sum GW_Tsb.sum\n"
             "while [ ! -f go ]; do sleep 0.05; done\ntouch GW_3.sum\n");
  QFile::setPermissions(root.Path("bin/TARN_DoduVovuv"), QFile::ReadOwner | QFile::ExeOwner);
  Open();
  Find<QComboBox>("cbxOptions")->setCurrentText("UserDefined");
  QStringList shown;
  QTimer watcher;
  watcher.setInterval(0);
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    const QString text = Find<QLabel>("lblProgress")->text();
    if (shown.isEmpty() || shown.back() != text) shown << text;
    if (text == "Model runs finished: 2 of at most 12") root.Write("out/go");
  });
  // Should the window never show the count, the driver is released all the same.
  QTimer::singleShot(20000, [&] { root.Write("out/go"); });
  watcher.start();

  EXPECT_EQ(ReportsOf([&] { Click("btnGo"); }).size(), 1u);

  EXPECT_EQ(shown, QStringList({"Model runs finished: 0 of at most 12",
                                "Model runs finished: 2 of at most 12",
                                "Model runs finished: 3 of at most 12"}));
}

#ifndef _WIN32
// The chosen number of parallel runs reaches the control file; the next start offers 1 again.
TEST_F(MainWindowTest, ParallelRunsReachTheControlFileButAreNotStored) {
  StoreExistingPaths();
  root.Write("bin/TARN_DoduVovuv", "#!/bin/sh\nexit 0\n");
  QFile::setPermissions(root.Path("bin/TARN_DoduVovuv"), QFile::ReadOwner | QFile::ExeOwner);
  Open();
  auto* parallelRuns = Find<QSpinBox>("spnParallelRuns");
  if (parallelRuns->maximum() < 2) GTEST_SKIP() << "one processor: no parallel runs offered";
  parallelRuns->setValue(2);

  Click("btnGo");

  EXPECT_EQ(TextLines(root.Read("out/GW.tsb")).mid(4),
            QStringList({"310        DayInYeaAppLast (d)       ! Last possible day-in-year of "
                         "application ",
                         "2        NumParallelRuns   ! Number of model runs at once"}));
  Open();
  EXPECT_EQ(Find<QSpinBox>("spnParallelRuns")->value(), 1);
}
#endif

// A refused preparation starts nothing and leaves Calculate available.
TEST_F(MainWindowTest, RefusedPreparationStartsNothing) {
  StoreExistingPaths();
  testing::WriteUserSetting(cRegOutputPath, root.Path("in"));
  Open();

  EXPECT_EQ(ReportsOf([&] { Click("btnGo"); }).size(), 0u);

  EXPECT_EQ(dialogs.errors, QStringList({"Unable to prepare the output folder " + root.Path("in") +
                                         "/: it is the folder of the model input file, whose "
                                         "files would be deleted"}));
  EXPECT_EQ(root.Names("in"), QStringList({"GW.bot", "GW.met", "GW.tol"}));
  EXPECT_TRUE(Enabled("btnGo"));
  EXPECT_EQ(Find<QLabel>("lblProgress")->text(), "");
}

// A control file that cannot be written stops the run with the file error's message.
TEST_F(MainWindowTest, UnwritableControlFileStopsTheRun) {
  StoreExistingPaths();
  root.MakeFolder("out/GW.tsb");
  root.Write("out/.tarn-output");
  Open();

  EXPECT_EQ(ReportsOf([&] { Click("btnGo"); }).size(), 0u);

  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_TRUE(
      dialogs.errors[0].startsWith("Cannot create file \"" + root.Path("out/GW.tsb") + "\". "))
      << dialogs.errors[0].toStdString();
  EXPECT_FALSE(root.Exists("out/TARN.bat"));
  EXPECT_TRUE(Enabled("btnGo"));
}

// Calculate on the bundled example with the built driver and the stand-in model.
TEST_F(MainWindowTest, CalculateRunsTheExampleAndShowsBothSections) {
  for (const char* folder : {"in", "out", "bin"}) root.MakeFolder(folder);
  for (const char* name : {"GW_Test.tol", "GW_Test.bot", "GW_Test.met"})
    ASSERT_TRUE(QFile::copy(QStringLiteral(TARN_EXAMPLES_DIR "/") + name, root.Path("in/") + name));
  // The driver is found in bin below the current folder.
  ASSERT_TRUE(QFile::link(TARN_BIN_DIR "/TARN_DoduVovuv", root.Path("bin/TARN_DoduVovuv")));
  testing::WriteUserSetting(cRegTolvaFilePath, root.Path("in/GW_Test.tol"));
  testing::WriteUserSetting(cRegTolvaModelPath, TARN_BIN_DIR "/model/TolvaModel.exe");
  testing::WriteUserSetting(cRegOutputPath, root.Path("out"));
  Open();
  ASSERT_TRUE(Enabled("btnGo"));

  const std::vector<QStringList> reports = ReportsOf([&] { Click("btnGo"); });

  ASSERT_EQ(reports.size(), 1u);
  const QStringList& report = reports.front();
  ASSERT_GE(report.size(), 4);
  EXPECT_EQ(report.front(), "* TARN Doduvovuv REPORT: Header");
  EXPECT_TRUE(report.contains("* Working directory          : " + root.Path("out")));
  EXPECT_TRUE(report.contains("* Run ID                     : GW_Test"));
  EXPECT_TRUE(report.contains("* End of TARN Doduvovuv REPORT: Header"));
  EXPECT_TRUE(report.contains("* TARN Doduvovuv Report: Leaching"));
  EXPECT_TRUE(report.contains("* Results for compound: Tarnazine"));
  EXPECT_EQ(report.mid(report.size() - 2),
            QStringList({"* End of TARN Doduvovuv Report: Leaching", ""}));
  EXPECT_TRUE(root.Exists("out/tolva.ok"));
  EXPECT_EQ(Find<QLabel>("lblProgress")->text(), "Model runs finished: 12 of 12");
  EXPECT_TRUE(Enabled("btnGo"));
  EXPECT_TRUE(Enabled("btnReport"));
  EXPECT_EQ(dialogs.errors, QStringList());
}

}  // namespace
}  // namespace tarn::frontend
