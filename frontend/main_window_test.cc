// The main window driven offscreen: controls, the settings lookup, the button rules, the
// pickers, closing, and Calculate with the real driver and the stand-in model.
#include "frontend/main_window.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
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

// The model input of StoreExistingPaths: one compound.
constexpr char kModelInput[] = "table compounds\nTarnazine\nend_table\n";
// A complete summary report of that model input, and the shell command that writes it.
constexpr char kReport[] =
    "* TARN Doduvovuv REPORT: Header\n* Run ID : GW\n* End of TARN Doduvovuv REPORT: Header\n"
    "* TARN Doduvovuv Report: Leaching\n* \n* Results for compound: Tarnazine\n* \n"
    "* End of TARN Doduvovuv Report: Leaching\n";
const QByteArray kWriteReport = QByteArray("cat > GW_Tsb.sum <<'END'\n") + kReport + "END\n";
// A model input whose applications span 20 days.
constexpr char kSpanningInput[] =
    "table compounds\nTarnazine\nend_table\n"
    "table Applications\n01-Apr AppSolSur 1.0\n21-Apr AppSolSur 1.0\nend_table\n";

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() : current(root.Path()) { testing::ClearSettings(); }
  ~MainWindowTest() override {
    window.reset();
    testing::ClearSettings();
  }

  // A model input, a model, a driver and an output folder that exist, the paths stored as the
  // user's choices.
  void StoreExistingPaths() {
    for (const char* file : {"in/GW.bot", "in/GW.met", "model/TolvaModel.exe"}) root.Write(file);
    root.Write("in/GW.tol", kModelInput);
    if (!root.Exists("bin/TARN_DoduVovuv"))
      WriteDriver("#!/bin/sh\n" + kWriteReport + "touch tolva.ok\n");
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

  // The driver below the current folder: a shell script.
  void WriteDriver(const QByteArray& script) {
    root.Write("bin/TARN_DoduVovuv", script);
    QFile::setPermissions(root.Path("bin/TARN_DoduVovuv"), QFile::ReadOwner | QFile::ExeOwner);
  }

  // Presses Calculate and serves events until the run, if it started, has ended.
  void Calculate() {
    Click("btnGo");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->Calculating(); }, 60000));
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

// Without inputs and without a report, only Calculate, Stop and Report are unavailable; the
// option starts as Monthly with the day fields disabled, and one model run at a time. The path
// fields can be selected but not edited, and show their whole path on hover.
TEST_F(MainWindowTest, StartsWithItsInitialStates) {
  Open();
  EXPECT_EQ(window->windowTitle(), "TARN");
  // The window is 710 wide, and higher than 486 by the run's progress and console lines.
  EXPECT_EQ(window->width(), 710);
  EXPECT_GE(window->height(), 486);
  const struct {
    const char* name;
    bool enabled;
  } controls[] = {
      {"btnGo", false},          {"btnStop", false},         {"btnReport", false},
      {"btnInfo", true},         {"btnTolvaFile", true},     {"btnModelPath", true},
      {"btnCancel", true},       {"cbxOptions", true},       {"btnSelectOutputPath", true},
      {"edtInterval", false},    {"edtFirstDay", false},     {"edtLastDay", false},
      {"spnParallelRuns", true}, {"btnModelLauncher", true}, {"btnClearModelLauncher", false},
  };
  for (const auto& c : controls) EXPECT_EQ(Enabled(c.name), c.enabled) << c.name;
  for (const char* path : {"edtTolFile", "edtModelPath", "edtOutputPath", "edtModelLauncher"}) {
    const auto* field = Find<QLineEdit>(path);
    EXPECT_TRUE(field->isEnabled() && field->isReadOnly()) << path;
    EXPECT_EQ(field->toolTip(), field->text()) << path;
  }
  const auto* console = Find<QPlainTextEdit>("memConsole");
  EXPECT_TRUE(console->isReadOnly());
  EXPECT_EQ(Find<QLabel>("lblCalculateHint")->text(), "The model input file does not exist");
  EXPECT_EQ(Find<QComboBox>("cbxOptions")->currentText(), "Monthly");
  EXPECT_EQ(QStringList({Text("edtInterval"), Text("edtFirstDay"), Text("edtLastDay")}),
            QStringList({"20", "80", "310"}));
  const auto* parallelRuns = Find<QSpinBox>("spnParallelRuns");
  EXPECT_EQ(parallelRuns->value(), 1);
  EXPECT_EQ(parallelRuns->minimum(), 1);
  EXPECT_EQ(parallelRuns->maximum(), std::clamp(QThread::idealThreadCount(), 1, 64));
}

// Each path is the user's value when it exists (even empty), else the machine default, else
// the built-in default (no model launcher).
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
       {root.Path("GW_Test.tol"), kBuiltInModel, root.Path("output") + "/", ""}},
      {"machine defaults",
       std::nullopt,
       "/machine",
       {"/machine", "/machine", "/machine", "/machine"}},
      {"user values", "/user", "/machine", {"/user", "/user", "/user", "/user"}},
      {"empty user values", "", "/machine", {"", "", "", ""}},
      {"empty machine values",
       std::nullopt,
       "",
       {root.Path("GW_Test.tol"), kBuiltInModel, root.Path("output") + "/", ""}},
  };
  for (const auto& c : cases) {
    testing::ClearSettings();
    for (const char* name :
         {cRegTolvaFilePath, cRegTolvaModelPath, cRegOutputPath, cRegModelLauncherPath}) {
      if (c.user) testing::WriteUserSetting(name, *c.user);
      if (c.machine) testing::WriteMachineSetting(name, *c.machine);
    }

    Open();

    EXPECT_EQ(QStringList({Text("edtTolFile"), Text("edtModelPath"), Text("edtOutputPath"),
                           Text("edtModelLauncher")}),
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

// Calculate needs the three paths, the driver, the model launcher when one is named and, with
// UserDefined, day values the driver accepts; it is never available during a run. The window
// names the first condition unmet; what each condition judges is tested with the conditions
// (run_preparation_test.cc).
TEST_F(MainWindowTest, EnablesCalculateByTheRules) {
  const struct {
    const char* name;
    const char* missing;
    const char* option;
    const char* interval;
    const char* firstDay;
    const char* lastDay;
    bool calculating;
    QString hint;                    // empty when Calculate is enabled
    std::function<void()> change{};  // what else differs from the existing paths
  } cases[] = {
      {"all present", nullptr, "Monthly", "20", "80", "310", false, ""},
      {"model input missing", "in/GW.tol", "Monthly", "20", "80", "310", false,
       "The model input file does not exist"},
      {"model missing", "model/TolvaModel.exe", "Monthly", "20", "80", "310", false,
       "The model executable does not exist"},
      {"output folder missing", "out", "Monthly", "20", "80", "310", false,
       "The output folder does not exist"},
      {"driver missing", "bin/TARN_DoduVovuv", "Monthly", "20", "80", "310", false,
       "The driver TARN_DoduVovuv does not exist"},
      {"launcher missing", "tools/launch", "Monthly", "20", "80", "310", false,
       "The model launcher does not exist"},
      {"launcher and day value wrong", "tools/launch", "UserDefined", "0", "80", "310", false,
       "The model launcher does not exist"},
      {"days not read for Monthly", nullptr, "Monthly", "0", "", "999", false, ""},
      {"interval 0", nullptr, "UserDefined", "0", "80", "310", false,
       "Interval must be 1 to 150 days"},
      {"during a run", nullptr, "Monthly", "20", "80", "310", true, ""},
  };
  for (const auto& c : cases) {
    StoreExistingPaths();
    root.Write("tools/launch");
    testing::WriteUserSetting(cRegModelLauncherPath, root.Path("tools/launch"));
    if (c.missing) root.Remove(c.missing);
    if (c.change) c.change();
    Open();

    Find<QComboBox>("cbxOptions")->setCurrentText(c.option);
    Find<QLineEdit>("edtInterval")->setText(c.interval);
    Find<QLineEdit>("edtFirstDay")->setText(c.firstDay);
    Find<QLineEdit>("edtLastDay")->setText(c.lastDay);
    if (c.calculating) {
      window->SetCalculating(true);
      window->UpdateButtons();
    }

    EXPECT_EQ(Enabled("btnGo"), c.hint.isEmpty() && !c.calculating) << c.name;
    EXPECT_EQ(Find<QLabel>("lblCalculateHint")->text(), c.hint) << c.name;
    // A long reason never widens the window.
    QCoreApplication::processEvents();
    EXPECT_EQ(window->width(), 710) << c.name;
  }
}

// Each picker opens where its path lies (the launcher's, with none chosen, in the launchers
// that come with TARN, as the build folder has them), shows and stores the chosen path and
// re-evaluates the buttons.
TEST_F(MainWindowTest, PickersShowAndStoreTheChosenPaths) {
  const QString kLaunchersFolder = QDir::cleanPath(TARN_BIN_DIR "/../libexec/tarn/launchers");
  ASSERT_TRUE(QFileInfo(kLaunchersFolder + "/wine").isExecutable());
  root.Write("in/GW.tol");
  root.Write("model/TolvaModel.exe");
  root.Write("tools/launch");
  root.MakeFolder("out");
  WriteDriver("#!/bin/sh\n");
  Open();
  const struct {
    const char* button;
    const char* field;
    const char* setting;
    QString chosen;
    QString openedIn;
  } pickers[] = {
      {"btnModelLauncher", "edtModelLauncher", cRegModelLauncherPath, root.Path("tools/launch"),
       kLaunchersFolder},
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
  root.Write("in/GW.tol", kModelInput);
  root.Write("out/GW.tol", kModelInput);
  root.Write("out/GW_Tsb.sum", kReport);
  root.Write("out/tolva.ok");
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
    bool answer;
    QString question;
    bool stays;
  } cases[] = {
      {false, "Close the TARN program?", true},
      {true, "Close the TARN program?", false},
  };
  for (const auto& c : cases) {
    Open();
    dialogs.confirm = c.answer;
    dialogs.questions.clear();

    QTest::keyClick(window.get(), Qt::Key_Escape);

    EXPECT_EQ(dialogs.questions, QStringList({c.question}));
    EXPECT_EQ(window->isVisible(), c.stays);
  }
}

TEST_F(MainWindowTest, ReportShowsTheSectionsOfTheLastRun) {
  StoreExistingPaths();
  root.Write("out/GW.tol", kModelInput);
  root.Write("out/GW_Tsb.sum", "* ---\n" + QByteArray(kReport) + "* table\n");
  root.Write("out/tolva.ok");
  Open();

  EXPECT_EQ(ReportsOf([&] { Click("btnReport"); }),
            std::vector<QStringList>({ExtractReportSections(TextLines(kReport))}));
}

#ifndef _WIN32
// What the driver leaves decides what is shown: a report only after exit code 0 with this
// run's tolva.ok, else an error dialog with the error file's lines or the driver's last
// console lines.
TEST_F(MainWindowTest, ShowsAReportOnlyAfterASuccessfulDriver) {
  const QByteArray summary = kWriteReport;
  const struct {
    const char* name;
    QByteArray driver;
    size_t reports;
    QStringList errors;
    bool reportButton;  // the Report button shows the folder's report later
  } cases[] = {
      {"summary, tolva.ok and exit code 0",
       "#!/bin/sh\n" + summary + "touch tolva.ok\n",
       1,
       {},
       true},
      {"summary without tolva.ok",
       "#!/bin/sh\n" + summary + "printf ' Fatal error\\n Signal: 15\\n\\n' > GW.err\n",
       0,
       {"Unable to complete the run GW: the driver ended with an error.\nThe error file GW.err "
        "says:\nFatal error\nSignal: 15"},
       false},
      {"summary, tolva.ok and exit code 3",
       "#!/bin/sh\necho Cannot go on\n" + summary + "touch tolva.ok\nexit 3\n",
       0,
       {"Unable to complete the run GW: the driver stopped unexpectedly (exit code 3).\nIts last "
        "console "
        "lines:\nCannot go on"},
       true},
      {"a driver that stops at once",
       "#!/bin/sh\necho 'TOLVA run GW is busy - no error file generated' >&2\n",
       0,
       {"Unable to complete the run GW: the driver ended before the run was complete.\nIts last "
        "console lines:\nTOLVA run GW is busy - no error file generated"},
       false},
  };
  StoreExistingPaths();
  for (const auto& c : cases) {
    WriteDriver(c.driver);
    dialogs.errors.clear();
    Open();

    EXPECT_EQ(ReportsOf([&] { Calculate(); }).size(), c.reports) << c.name;

    EXPECT_EQ(dialogs.errors, c.errors) << c.name;
    EXPECT_TRUE(Enabled("btnGo")) << c.name;
    EXPECT_EQ(Enabled("btnReport"), c.reportButton) << c.name;
  }
}
#endif

// While the driver runs, the window counts the summaries it has left so far, as text and on
// its progress bar, and shows the driver's console lines; the driver goes on only once the
// window has shown the count.
TEST_F(MainWindowTest, ShowsProgressWhileTheDriverRuns) {
  StoreExistingPaths();
  WriteDriver(
      "#!/bin/sh\necho first line\ntouch GW_1.sum GW_2.sum\n"
      "while [ ! -f go ]; do sleep 0.05; done\ntouch GW_3.sum tolva.ok\n" +
      kWriteReport + "echo last line\n");
  Open();
  Find<QComboBox>("cbxOptions")->setCurrentText("UserDefined");
  const auto* bar = Find<QProgressBar>("prgRuns");
  QStringList shown;
  QTimer watcher;
  watcher.setInterval(0);
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    const QString text = QStringLiteral("%1 [%2 of %3]")
                             .arg(Find<QLabel>("lblProgress")->text())
                             .arg(bar->value())
                             .arg(bar->maximum());
    if (shown.isEmpty() || shown.back() != text) shown << text;
    if (text.startsWith("Model runs finished: 2 ")) root.Write("out/go");
  });
  // Should the window never show the count, the driver is released all the same.
  QTimer::singleShot(20000, [&] { root.Write("out/go"); });
  watcher.start();

  EXPECT_EQ(ReportsOf([&] { Calculate(); }).size(), 1u);

  // The run ends with how many model runs it made and how long it took, the bar full.
  ASSERT_GE(shown.size(), 3);
  EXPECT_EQ(shown.mid(0, 2), QStringList({"Model runs finished: 0 of at most 12 [0 of 12]",
                                          "Model runs finished: 2 of at most 12 [2 of 12]"}));
  EXPECT_TRUE(QRegularExpression("^Finished: 3 model runs in [0-9]+:[0-9]{2} \\[1 of 1\\]$")
                  .match(shown.back())
                  .hasMatch())
      << shown.back().toStdString();
  EXPECT_EQ(Find<QLabel>("lblTime")->text(), "");
  EXPECT_EQ(Find<QPlainTextEdit>("memConsole")->toPlainText(), "first line\nlast line");
}

#ifndef _WIN32
// During a run nothing it was started with can change, and its end shows the report of its own
// output folder, not that of a folder picked meanwhile.
TEST_F(MainWindowTest, ShowsTheRunsOwnReportWhateverIsPickedMeanwhile) {
  StoreExistingPaths();
  root.Write("other/GW_Tsb.sum", "* TARN Doduvovuv Report: Leaching\n* other folder\n");
  root.Write("other/tolva.ok");
  WriteDriver(
      "#!/bin/sh\nwhile [ ! -f go ]; do sleep 0.05; done\ncat > GW_Tsb.sum <<'END'\n"
      "* TARN Doduvovuv Report: Leaching\n* this run\n* Results for compound: Tarnazine\n"
      "* End of TARN Doduvovuv Report: Leaching\nEND\ntouch tolva.ok\n");
  Open();
  bool checked = false;
  QTimer::singleShot(0, [&] {
    for (const char* input : {"btnGo", "btnReport", "btnTolvaFile", "btnModelPath",
                              "btnSelectOutputPath", "btnModelLauncher", "cbxOptions",
                              "spnParallelRuns", "edtInterval", "edtFirstDay", "edtLastDay"})
      EXPECT_FALSE(Enabled(input)) << input;
    EXPECT_TRUE(Enabled("btnStop"));
    dialogs.picks = {root.Path("other")};
    Click("btnSelectOutputPath");
    checked = true;
    root.Write("out/go");
  });

  const std::vector<QStringList> reports = ReportsOf([&] { Calculate(); });

  EXPECT_TRUE(checked);
  EXPECT_EQ(reports, std::vector<QStringList>({{"* TARN Doduvovuv Report: Leaching", "* this run",
                                                "* Results for compound: Tarnazine",
                                                "* End of TARN Doduvovuv Report: Leaching", ""}}));
  EXPECT_EQ(Text("edtOutputPath"), root.Path("out"));
  EXPECT_EQ(testing::UserSetting(cRegOutputPath), root.Path("out"));
  EXPECT_FALSE(Enabled("btnStop"));
}

// The real driver with a model that does not end by itself: Stop ends the driver and the model
// run, no success marker is left, and the window says that the run was stopped. Closing the
// window during a run, once confirmed, does the same and closes when the driver has ended.
TEST_F(MainWindowTest, StopAndCloseEndTheDriverAndItsModelRuns) {
  for (const bool byClosing : {false, true}) {
    TempFolder scene;
    testing::CurrentFolder here(scene.Path());
    scene.MakeFolder("out");
    scene.PlaceExample("in");
    scene.PlaceDriver();
    testing::WriteSlowModel(scene.Path("slow"), scene.Path("model.pid"));
    testing::WriteUserSetting(cRegTolvaFilePath, scene.Path("in/GW_Test.tol"));
    testing::WriteUserSetting(cRegTolvaModelPath, scene.Path("slow/TolvaModel.exe"));
    testing::WriteUserSetting(cRegOutputPath, scene.Path("out"));
    Open();
    dialogs.questions.clear();
    QTimer::singleShot(0, [&] {
      if (!QTest::qWaitFor([&] { return scene.Exists("model.pid"); }, 30000)) return;
      if (byClosing) {
        window->close();
      } else {
        Click("btnStop");
      }
      EXPECT_FALSE(Enabled("btnStop"));
    });

    EXPECT_EQ(ReportsOf([&] { Calculate(); }).size(), 0u);

    ASSERT_TRUE(scene.Exists("model.pid"));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return testing::ProcessEnded(scene.Read("model.pid")); }, 30000));
    EXPECT_FALSE(scene.Exists("out/tolva.ok"));
    EXPECT_EQ(dialogs.errors, QStringList());
    if (byClosing) {
      EXPECT_EQ(dialogs.questions,
                QStringList({"Still calculating, do you want to close the applicatation?"}));
      EXPECT_FALSE(window->isVisible());
    } else {
      EXPECT_EQ(dialogs.questions, QStringList());
      EXPECT_TRUE(window->isVisible());
      EXPECT_EQ(Find<QLabel>("lblProgress")->text(), "Stopped after 0 of 12 model runs");
      EXPECT_TRUE(Enabled("btnGo"));
    }
    window.reset();
  }
}
#endif

#ifndef _WIN32
// With the real driver and a model that does not end by itself, the console view shows the line
// of the application id that has started while the run goes on, and the run panel names the id;
// the stopped run ends with that id's line.
TEST_F(MainWindowTest, ConsoleViewLogsTheModelRunsAsTheyHappen) {
  root.MakeFolder("out");
  root.PlaceExample("in");
  root.PlaceDriver();
  testing::WriteSlowModel(root.Path("slow"), root.Path("model.pid"));
  testing::WriteUserSetting(cRegTolvaFilePath, root.Path("in/GW_Test.tol"));
  testing::WriteUserSetting(cRegTolvaModelPath, root.Path("slow/TolvaModel.exe"));
  testing::WriteUserSetting(cRegOutputPath, root.Path("out"));
  Open();
  const QString started = "Application id 1 started, first application on 15-Jan";
  QStringList whileRunning;
  QString running;
  QTimer::singleShot(0, [&] {
    const auto* console = Find<QPlainTextEdit>("memConsole");
    const auto* runningId = Find<QLabel>("lblRunning");
    if (!QTest::qWaitFor(
            [&] {
              return console->toPlainText().split('\n').contains(started) &&
                     !runningId->text().isEmpty();
            },
            30000))
      return;
    EXPECT_TRUE(window->Calculating());
    whileRunning = console->toPlainText().split('\n');
    running = runningId->text();
    Click("btnStop");
  });

  Calculate();

  EXPECT_TRUE(whileRunning.contains(started)) << whileRunning.join('\n').toStdString();
  EXPECT_EQ(running, "Running application id 1");
  EXPECT_TRUE(Find<QPlainTextEdit>("memConsole")
                  ->toPlainText()
                  .split('\n')
                  .contains("Application id 1 stopped"));
  EXPECT_EQ(Find<QLabel>("lblRunning")->text(), "");
  ASSERT_TRUE(root.Exists("model.pid"));
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return testing::ProcessEnded(root.Read("model.pid")); }, 30000));
}

// Once a run has ended the run panel says what it came to, in place of its progress and time:
// a failure quotes the first line of the error file (else of its message) and names the
// application id the error names; a stopped run counts its model runs. The bar keeps its width.
TEST_F(MainWindowTest, EndsTheRunPanelWithWhatTheRunCameTo) {
  const struct {
    const char* name;
    QByteArray driver;
    bool stop;
    QString shown;  // empty: "Failed: " and the first line of the error dialog
  } cases[] = {
      {"failure naming an id",
       "#!/bin/sh\nprintf '* TARN error\\n\\n  Model results missing for application id 5  \\n"
       " File: GW_5.sum\\n' > GW.err\nexit 1\n",
       false, "Failed at application id 5: Model results missing for application id 5"},
      {"failure naming no id",
       "#!/bin/sh\nprintf ' Fatal error\\n Signal: 15\\n' > GW.err\nexit 1\n", false,
       "Failed: Fatal error"},
      {"failure without an error file", "#!/bin/sh\necho Cannot go on\nexit 3\n", false, ""},
      {"stopped",
       "#!/bin/sh\ntouch GW_1.sum GW_2.sum GW_3.sum\nwhile [ ! -f go ]; do sleep 0.05; done\n",
       true, "Stopped after 3 of 12 model runs"},
  };
  StoreExistingPaths();
  for (const auto& c : cases) {
    WriteDriver(c.driver);
    dialogs.errors.clear();
    Open();
    const int barWidth = Find<QProgressBar>("prgRuns")->width();
    if (c.stop) {
      QTimer::singleShot(0, [&] {
        const auto* progress = Find<QLabel>("lblProgress");
        if (!QTest::qWaitFor([&] { return progress->text() == "Model runs finished: 3 of 12"; },
                             30000))
          return;
        Click("btnStop");
        EXPECT_FALSE(Find<QLabel>("lblTime")->text().contains("remaining"));
      });
    }

    Calculate();
    QCoreApplication::processEvents();

    const QString shown =
        c.shown.isEmpty() ? "Failed: " + dialogs.errors.value(0).section(QLatin1Char('\n'), 0, 0)
                          : c.shown;
    EXPECT_EQ(Find<QLabel>("lblProgress")->text(), shown) << c.name;
    EXPECT_EQ(Find<QLabel>("lblTime")->text(), "") << c.name;
    EXPECT_EQ(Find<QProgressBar>("prgRuns")->width(), barWidth) << c.name;
    EXPECT_EQ(dialogs.errors.size(), c.stop ? 0 : 1) << c.name;
  }
}

// A run that ends while the user is asked whether to close during it takes the question back:
// the window stays open and shows the run's end.
TEST_F(MainWindowTest, WithdrawsTheCloseQuestionWhenTheRunEnds) {
  StoreExistingPaths();
  WriteDriver("#!/bin/sh\nwhile [ ! -f go ]; do sleep 0.05; done\n" + kWriteReport +
              "touch tolva.ok\n");
  Open();
  dialogs.whileAsking = [&] {
    root.Write("out/go");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->Calculating(); }, 60000));
  };
  QTimer::singleShot(0, [&] { window->close(); });

  EXPECT_EQ(ReportsOf([&] { Calculate(); }).size(), 1u);

  const QString question = "Still calculating, do you want to close the applicatation?";
  EXPECT_EQ(dialogs.questions, QStringList({question}));
  EXPECT_EQ(dialogs.withdrawn, QStringList({question}));
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(Find<QLabel>("lblProgress")->text().startsWith("Finished: "));
}

// Calculate is the default button: Enter starts a run from wherever no other button has the
// focus. The focus stays where it was when a run starts, or waits on the console view while
// its control is disabled, and goes back when the run has ended.
TEST_F(MainWindowTest, KeepsTheFocusWhenARunStarts) {
  StoreExistingPaths();
  WriteDriver("#!/bin/sh\nwhile [ ! -f go ]; do sleep 0.05; done\n" + kWriteReport +
              "touch tolva.ok\n");
  const struct {
    const char* focused;
    Qt::Key key;
    const char* during;
  } cases[] = {
      {"btnGo", Qt::Key_Space, "memConsole"},
      {"edtTolFile", Qt::Key_Return, "edtTolFile"},
      {"cbxOptions", Qt::Key_Enter, "memConsole"},
  };
  for (const auto& c : cases) {
    Open();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_TRUE(Find<QPushButton>("btnGo")->isDefault());
    auto* focused = Find<QWidget>(c.focused);
    focused->setFocus();

    QTest::keyClick(focused, c.key);

    EXPECT_TRUE(window->Calculating()) << c.focused;
    EXPECT_EQ(window->focusWidget(), Find<QWidget>(c.during)) << c.focused;
    root.Write("out/go");
    const auto reports = ReportsOf(
        [&] { EXPECT_TRUE(QTest::qWaitFor([&] { return !window->Calculating(); }, 60000)); });
    EXPECT_EQ(reports.size(), 1u) << c.focused;
    EXPECT_EQ(window->focusWidget(), focused) << c.focused;
  }
}
#endif

// Tab goes from top to bottom, left to right, past the display-only path fields; every button
// and every label of a field has a mnemonic of its own.
TEST_F(MainWindowTest, TabGoesTopToBottomAndMnemonicsAreDistinct) {
  StoreExistingPaths();
  Open();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  Find<QComboBox>("cbxOptions")->setCurrentText("UserDefined");
  Find<QWidget>("btnGo")->setFocus();
  QStringList order;
  for (int i = 0; i < 30 && !(order.size() > 1 && order.back() == "btnGo"); ++i) {
    QWidget* focused = window->focusWidget();
    // A spin box passes its focus on to its text field.
    if (auto* spinBox = qobject_cast<QSpinBox*>(focused->parentWidget())) focused = spinBox;
    order << focused->objectName();
    QTest::keyClick(window->focusWidget(), Qt::Key_Tab);
  }
  EXPECT_EQ(order,
            QStringList({"btnGo", "btnInfo", "btnTolvaFile", "btnModelPath", "btnSelectOutputPath",
                         "btnModelLauncher", "cbxOptions", "edtInterval", "edtFirstDay",
                         "edtLastDay", "spnParallelRuns", "memConsole", "btnCancel", "btnGo"}));

  QStringList mnemonics;
  for (const auto* button : window->findChildren<QPushButton*>())
    mnemonics << QKeySequence::mnemonic(button->text()).toString();
  for (const char* name : {"lblTolFile", "lblModelPath", "lblOutputPath", "lblModelLauncher",
                           "lblOptions", "lblInterval", "Label1", "Label3", "lblParallelRuns"}) {
    const auto* label = Find<QLabel>(name);
    EXPECT_NE(label->buddy(), nullptr) << name;
    mnemonics << QKeySequence::mnemonic(label->text()).toString();
  }
  EXPECT_FALSE(mnemonics.contains("")) << mnemonics.join(' ').toStdString();
  EXPECT_EQ(QSet<QString>(mnemonics.begin(), mnemonics.end()).size(), mnemonics.size())
      << mnemonics.join(' ').toStdString();
}

#ifndef _WIN32
// The chosen number of parallel runs reaches the control file; the next start offers 1 again.
TEST_F(MainWindowTest, ParallelRunsReachTheControlFileButAreNotStored) {
  StoreExistingPaths();
  WriteDriver("#!/bin/sh\nexit 0\n");
  Open();
  auto* parallelRuns = Find<QSpinBox>("spnParallelRuns");
  if (parallelRuns->maximum() < 2) GTEST_SKIP() << "one processor: no parallel runs offered";
  parallelRuns->setValue(2);

  Calculate();

  EXPECT_EQ(TextLines(root.Read("out/GW.tsb")).mid(4),
            QStringList({"310        DayInYeaAppLast (d)       ! Last possible day-in-year of "
                         "application ",
                         "2        NumParallelRuns   ! Number of model runs at once"}));
  Open();
  EXPECT_EQ(Find<QSpinBox>("spnParallelRuns")->value(), 1);
}
#endif

#ifndef _WIN32
// The model launcher reaches the control file as its last line until it is cleared; a cleared
// launcher stays cleared at the next start, whatever the machine default.
TEST_F(MainWindowTest, ModelLauncherReachesTheControlFileUntilCleared) {
  StoreExistingPaths();
  root.Write("tools/launch");
  testing::WriteUserSetting(cRegModelLauncherPath, root.Path("tools/launch"));
  testing::WriteMachineSetting(cRegModelLauncherPath, root.Path("tools/launch"));
  Open();
  ASSERT_TRUE(Enabled("btnClearModelLauncher"));

  EXPECT_EQ(ReportsOf([&] { Calculate(); }).size(), 1u);

  const QStringList withLauncher = TextLines(root.Read("out/GW.tsb"));
  EXPECT_EQ(withLauncher.mid(5),
            QStringList({root.Path("tools/launch") + "    ModelLauncher   ! Program that runs each "
                                                     "model run (Wine, Slurm)"}));

  Click("btnClearModelLauncher");

  EXPECT_EQ(Text("edtModelLauncher"), "");
  EXPECT_EQ(testing::UserSetting(cRegModelLauncherPath), "");
  EXPECT_FALSE(Enabled("btnClearModelLauncher"));
  EXPECT_EQ(ReportsOf([&] { Calculate(); }).size(), 1u);
  EXPECT_EQ(TextLines(root.Read("out/GW.tsb")), withLauncher.mid(0, 5));
  Open();
  EXPECT_EQ(Text("edtModelLauncher"), "");
  EXPECT_EQ(dialogs.errors, QStringList());
}
#endif

// A condition that stopped holding after the window judged it refuses Calculate before anything
// in the output folder changes; the reason line then names it and Calculate is unavailable.
TEST_F(MainWindowTest, CalculateRefusesWhatNoLongerHolds) {
  const struct {
    const char* name;
    std::function<void()> change;
    QString error;
    QString hint;
  } cases[] = {
      {"model input renamed",
       [&] { QFile::rename(root.Path("in/GW.tol"), root.Path("in/GW2.tol")); },
       "Unable to start the run: The model input file does not exist: " + root.Path("in/GW.tol"),
       "The model input file does not exist"},
      {"applications now spanning more days than the schedule allows",
       [&] { root.Write("in/GW.tol", kSpanningInput); },
       "Unable to start the run: The schedule has no application id: the model input's "
       "applications span 20 days, more than the 19 days from the first to the last day: " +
           root.Path("in/GW.tol"),
       "The schedule has no application id: the model input's applications span 20 days, more "
       "than the 19 days from the first to the last day"},
  };
  for (const auto& c : cases) {
    StoreExistingPaths();
    root.Write("in/GW.tol", kModelInput);
    root.Remove("in/GW2.tol");
    // An earlier run's files, which the refusal must leave as they are.
    for (const char* earlier : {"out/.tarn-output", "out/GW_Tsb.sum", "out/tolva.ok", "out/GW.tsb"})
      root.Write(earlier, "earlier");
    const QStringList before = root.Names("out");
    Open();
    Find<QComboBox>("cbxOptions")->setCurrentText("UserDefined");
    Find<QLineEdit>("edtFirstDay")->setText("80");
    Find<QLineEdit>("edtLastDay")->setText("99");
    ASSERT_TRUE(Enabled("btnGo")) << c.name;
    c.change();
    dialogs.errors.clear();

    EXPECT_EQ(ReportsOf([&] { Calculate(); }).size(), 0u) << c.name;

    EXPECT_EQ(dialogs.errors, QStringList({c.error})) << c.name;
    EXPECT_EQ(root.Names("out"), before) << c.name;
    for (const QString& name : before) EXPECT_EQ(root.Read("out/" + name), "earlier") << c.name;
    EXPECT_FALSE(Enabled("btnGo")) << c.name;
    EXPECT_EQ(Find<QLabel>("lblCalculateHint")->text(), c.hint) << c.name;
  }
}

// A control file that cannot be written stops the run with the file error's message.
TEST_F(MainWindowTest, UnwritableControlFileStopsTheRun) {
  StoreExistingPaths();
  root.MakeFolder("out/GW.tsb");
  root.Write("out/.tarn-output");
  Open();

  EXPECT_EQ(ReportsOf([&] { Calculate(); }).size(), 0u);

  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_TRUE(
      dialogs.errors[0].startsWith("Cannot create file \"" + root.Path("out/GW.tsb") + "\". "))
      << dialogs.errors[0].toStdString();
  EXPECT_FALSE(root.Exists("out/TARN.bat"));
  EXPECT_TRUE(Enabled("btnGo"));
}

// Calculate on the bundled example with the built driver and the stand-in model.
TEST_F(MainWindowTest, CalculateRunsTheExampleAndShowsBothSections) {
  root.MakeFolder("out");
  root.PlaceExample("in");
  // The driver is found in bin below the current folder.
  root.PlaceDriver();
  testing::WriteUserSetting(cRegTolvaFilePath, root.Path("in/GW_Test.tol"));
  testing::WriteUserSetting(cRegTolvaModelPath, TARN_BIN_DIR "/model/TolvaModel.exe");
  testing::WriteUserSetting(cRegOutputPath, root.Path("out"));
  Open();
  ASSERT_TRUE(Enabled("btnGo"));

  const std::vector<QStringList> reports = ReportsOf([&] { Calculate(); });

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
  EXPECT_TRUE(Find<QLabel>("lblProgress")->text().startsWith("Finished: 12 model runs in "));
  EXPECT_TRUE(Enabled("btnGo"));
  EXPECT_TRUE(Enabled("btnReport"));
  EXPECT_EQ(dialogs.errors, QStringList());
}

}  // namespace
}  // namespace tarn::frontend
