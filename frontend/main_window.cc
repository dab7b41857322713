#include "frontend/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <tuple>
#include <utility>

#include "driver/public/control_file.h"
#include "frontend/calculation.h"
#include "frontend/information_window.h"
#include "frontend/platform.h"
#include "frontend/report_data.h"
#include "frontend/report_reader.h"
#include "frontend/report_window.h"
#include "frontend/run_conditions.h"
#include "frontend/run_log.h"
#include "frontend/run_outcome.h"
#include "frontend/run_progress.h"
#include "frontend/screen_placement.h"
#include "frontend/settings_lookup.h"
#include "frontend/tarn_registry.h"
#include "frontend/version.h"

namespace tarn::frontend {

namespace {

// How often the window counts the finished model runs during a run.
constexpr int cProgressInterval = 500;

// A widget of type T with its object name, owned by `parent`.
template <typename T, typename... Args>
T* Named(QWidget* parent, const char* name, Args&&... args) {
  auto* widget = new T(std::forward<Args>(args)..., parent);
  widget->setObjectName(QLatin1String(name));
  return widget;
}

}  // namespace

TfrmMain::TfrmMain(Dialogs& dialogs, QWidget* parent) : QWidget(parent), FDialogs(dialogs) {
  BuildControls();
  FormCreate();
}

TfrmMain::~TfrmMain() { FormDestroy(); }

void TfrmMain::BuildControls() {
  setWindowTitle(QStringLiteral("TARN"));

  pnlFiles = Named<QFrame>(this, "pnlFiles");
  pnlOptions = Named<QFrame>(this, "pnlOptions");
  pnlBottom = Named<QFrame>(this, "pnlBottom");
  for (QFrame* panel : {pnlFiles, pnlOptions, pnlBottom}) panel->setFrameShape(QFrame::StyledPanel);
  // The option panel never gets lower than this.
  pnlOptions->setMinimumHeight(190);

  btnGo = Named<QPushButton>(pnlFiles, "btnGo", QStringLiteral("&Calculate"));
  btnGo->setEnabled(false);
  btnStop = Named<QPushButton>(pnlFiles, "btnStop", QStringLiteral("&Stop"));
  btnStop->setEnabled(false);
  btnReport = Named<QPushButton>(pnlFiles, "btnReport", QStringLiteral("&Report"));
  btnInfo = Named<QPushButton>(pnlFiles, "btnInfo",
                               style()->standardIcon(QStyle::SP_MessageBoxInformation),
                               QStringLiteral("&About..."));
  lblTolFile = Named<QLabel>(pnlFiles, "lblTolFile", QStringLiteral("Choose a *.tol &file:"));
  edtTolFile = Named<QLineEdit>(pnlFiles, "edtTolFile");
  btnTolvaFile =
      Named<QPushButton>(pnlFiles, "btnTolvaFile", QStringLiteral("Open &Tolva File .."));
  lblModelPath = Named<QLabel>(
      pnlFiles, "lblModelPath",
      QStringLiteral("Tolva Model pat&h (default in the KAV3 installation folder): "));
  edtModelPath = Named<QLineEdit>(pnlFiles, "edtModelPath");
  btnModelPath =
      Named<QPushButton>(pnlFiles, "btnModelPath", QStringLiteral("Select &Model Path ..."));
  lblOutputPath = Named<QLabel>(pnlFiles, "lblOutputPath", QStringLiteral("O&utput path:"));
  edtOutputPath = Named<QLineEdit>(pnlFiles, "edtOutputPath");
  btnSelectOutputPath = Named<QPushButton>(pnlFiles, "btnSelectOutputPath",
                                           QStringLiteral("Select &Output Path ..."));
  lblModelLauncher = Named<QLabel>(
      pnlFiles, "lblModelLauncher",
      QStringLiteral("Mo&del launcher (optional: a program that runs each model run, such as Wine "
                     "or Slurm):"));
  edtModelLauncher = Named<QLineEdit>(pnlFiles, "edtModelLauncher");
  btnClearModelLauncher =
      Named<QPushButton>(pnlFiles, "btnClearModelLauncher", QStringLiteral("Cl&ear"));
  btnModelLauncher = Named<QPushButton>(pnlFiles, "btnModelLauncher",
                                        QStringLiteral("Select Model Lau&ncher ..."));
  // The path fields only show the paths, which the user can select and copy; the pickers
  // change them. They look it, with the window's background, and Tab passes them by: a click
  // or their label's mnemonic reaches them.
  for (QLineEdit* shown : {edtTolFile, edtModelPath, edtOutputPath, edtModelLauncher}) {
    shown->setReadOnly(true);
    shown->setFocusPolicy(Qt::ClickFocus);
    QPalette look = shown->palette();
    look.setBrush(QPalette::Base, look.window());
    shown->setPalette(look);
  }
  lblCalculateHint = Named<QLabel>(pnlFiles, "lblCalculateHint");
  // A long reason wraps in the room beside the buttons; it never widens the window.
  lblCalculateHint->setWordWrap(true);
  lblCalculateHint->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

  lblOptions = Named<QLabel>(pnlOptions, "lblOptions", QStringLiteral("Appl&ication option:"));
  cbxOptions = Named<QComboBox>(pnlOptions, "cbxOptions");
  cbxOptions->addItems({QLatin1String(kMonthly), QLatin1String(kUserDefined)});
  lblInterval = Named<QLabel>(
      pnlOptions, "lblInterval",
      QStringLiteral(
          "Time inter&val between the starting days of two consecutive applications Ids:"));
  edtInterval = Named<QLineEdit>(pnlOptions, "edtInterval", QString::number(kDefaultInterval));
  Label1 = Named<QLabel>(pnlOptions, "Label1",
                         QStringLiteral("First possi&ble day-in-year of application:"));
  edtFirstDay = Named<QLineEdit>(pnlOptions, "edtFirstDay", QString::number(kDefaultFirstDay));
  Label3 = Named<QLabel>(pnlOptions, "Label3",
                         QStringLiteral("Last possible day-in-&year of application:"));
  edtLastDay = Named<QLineEdit>(pnlOptions, "edtLastDay", QString::number(kDefaultLastDay));
  lblIntervalUnits = Named<QLabel>(pnlOptions, "lblIntervalUnits", QStringLiteral("[days]"));
  Label4 = Named<QLabel>(pnlOptions, "Label4", QStringLiteral("[days]"));
  Label2 = Named<QLabel>(pnlOptions, "Label2", QStringLiteral("[days]"));
  auto* digitsOnly =
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
  for (QLineEdit* day : {edtInterval, edtFirstDay, edtLastDay}) {
    day->setValidator(digitsOnly);
    day->setEnabled(false);
    day->setMaximumWidth(80);
    connect(day, &QLineEdit::textChanged, this, &TfrmMain::edtIntervalChange);
  }
  lblParallelRuns =
      Named<QLabel>(pnlOptions, "lblParallelRuns", QStringLiteral("&Parallel model runs:"));
  spnParallelRuns = Named<QSpinBox>(pnlOptions, "spnParallelRuns");
  // More runs at once than processors only make each run slower.
  spnParallelRuns->setRange(kParallelRunsRange.minimum,
                            std::clamp(QThread::idealThreadCount(), kParallelRunsRange.minimum,
                                       kParallelRunsRange.maximum));
  spnParallelRuns->setValue(kDefaultParallelRuns);
  spnParallelRuns->setMaximumWidth(80);

  pnlRun = Named<QFrame>(this, "pnlRun");
  pnlRun->setFrameShape(QFrame::StyledPanel);
  lblProgress = Named<QLabel>(pnlRun, "lblProgress");
  lblRunning = Named<QLabel>(pnlRun, "lblRunning");
  prgRuns = Named<QProgressBar>(pnlRun, "prgRuns");
  prgRuns->setRange(0, 1);
  prgRuns->setValue(0);
  // The count beside it says how many runs have finished.
  prgRuns->setTextVisible(false);
  lblTime = Named<QLabel>(pnlRun, "lblTime");
  // The driver has no console window of its own here: its lines are shown in the window.
  memConsole = Named<QPlainTextEdit>(pnlRun, "memConsole");
  memConsole->setReadOnly(true);
  memConsole->setLineWrapMode(QPlainTextEdit::NoWrap);
  memConsole->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  memConsole->setMinimumHeight(100);
  memConsole->setTabChangesFocus(true);
  btnCancel = Named<QPushButton>(pnlBottom, "btnCancel",
                                 style()->standardIcon(QStyle::SP_DialogCloseButton),
                                 QStringLiteral("C&lose"));

  // A label's mnemonic reaches its field.
  const std::pair<QLabel*, QWidget*> buddies[] = {{lblTolFile, edtTolFile},
                                                  {lblModelPath, edtModelPath},
                                                  {lblOutputPath, edtOutputPath},
                                                  {lblModelLauncher, edtModelLauncher},
                                                  {lblOptions, cbxOptions},
                                                  {lblInterval, edtInterval},
                                                  {Label1, edtFirstDay},
                                                  {Label3, edtLastDay},
                                                  {lblParallelRuns, spnParallelRuns}};
  for (const auto& [label, field] : buddies) label->setBuddy(field);
  // Enter starts a run when Calculate is available (see keyPressEvent), unless another
  // button has the focus: then it presses that button, as Space does.
  btnGo->setDefault(true);
  for (QPushButton* button :
       {btnStop, btnReport, btnInfo, btnTolvaFile, btnModelPath, btnSelectOutputPath,
        btnClearModelLauncher, btnModelLauncher, btnCancel})
    button->setAutoDefault(true);

  auto* actions = new QHBoxLayout;
  for (QPushButton* button : {btnGo, btnStop, btnReport, btnInfo}) actions->addWidget(button);
  actions->addWidget(lblCalculateHint, 1);
  auto* paths = new QGridLayout;
  const std::tuple<QLabel*, QLineEdit*, QPushButton*> pathRows[] = {
      {lblTolFile, edtTolFile, btnTolvaFile},
      {lblModelPath, edtModelPath, btnModelPath},
      {lblOutputPath, edtOutputPath, btnSelectOutputPath}};
  int row = 0;
  for (const auto& [label, edit, button] : pathRows) {
    paths->addWidget(label, row++, 0, 1, 2);
    paths->addWidget(edit, row, 0);
    paths->addWidget(button, row++, 1);
  }
  // The optional launcher can be emptied again: its Clear button stays beside the field, so
  // that the pickers stay in one column.
  auto* launcher = new QHBoxLayout;
  launcher->addWidget(edtModelLauncher, 1);
  launcher->addWidget(btnClearModelLauncher);
  paths->addWidget(lblModelLauncher, row++, 0, 1, 2);
  paths->addLayout(launcher, row, 0);
  paths->addWidget(btnModelLauncher, row++, 1);
  paths->setColumnStretch(0, 1);
  auto* files = new QVBoxLayout(pnlFiles);
  files->addLayout(actions);
  files->addLayout(paths);

  auto* options = new QGridLayout(pnlOptions);
  options->addWidget(lblOptions, 0, 0);
  options->addWidget(cbxOptions, 0, 1, 1, 2, Qt::AlignLeft);
  const std::tuple<QLabel*, QLineEdit*, QLabel*> dayRows[] = {
      {lblInterval, edtInterval, lblIntervalUnits},
      {Label1, edtFirstDay, Label4},
      {Label3, edtLastDay, Label2}};
  row = 1;
  for (const auto& [label, edit, units] : dayRows) {
    options->addWidget(label, row, 0);
    options->addWidget(edit, row, 1);
    options->addWidget(units, row++, 2);
  }
  options->addWidget(lblParallelRuns, row, 0);
  options->addWidget(spnParallelRuns, row++, 1);
  options->setColumnStretch(3, 1);
  options->setRowStretch(row, 1);

  // The bar has a row of its own, so that it keeps its width whatever the texts say.
  auto* progress = new QHBoxLayout;
  progress->addWidget(lblProgress, 1);
  progress->addWidget(lblRunning);
  progress->addWidget(lblTime);
  auto* run = new QVBoxLayout(pnlRun);
  run->addWidget(prgRuns);
  run->addLayout(progress);
  run->addWidget(memConsole, 1);

  auto* bottom = new QHBoxLayout(pnlBottom);
  bottom->addStretch();
  bottom->addWidget(btnCancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pnlFiles);
  layout->addWidget(pnlOptions);
  layout->addWidget(pnlRun, 1);
  layout->addWidget(pnlBottom);

  // Tab goes from top to bottom, left to right.
  QWidget* const tabOrder[] = {btnGo,
                               btnStop,
                               btnReport,
                               btnInfo,
                               edtTolFile,
                               btnTolvaFile,
                               edtModelPath,
                               btnModelPath,
                               edtOutputPath,
                               btnSelectOutputPath,
                               edtModelLauncher,
                               btnClearModelLauncher,
                               btnModelLauncher,
                               cbxOptions,
                               edtInterval,
                               edtFirstDay,
                               edtLastDay,
                               spnParallelRuns,
                               memConsole,
                               btnCancel};
  for (size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

  FProgressTimer = new QTimer(this);
  FProgressTimer->setInterval(cProgressInterval);
  connect(FProgressTimer, &QTimer::timeout, this, &TfrmMain::UpdateProgress);

  connect(btnGo, &QPushButton::clicked, this, &TfrmMain::btnGoClick);
  connect(btnStop, &QPushButton::clicked, this, &TfrmMain::btnStopClick);
  connect(btnReport, &QPushButton::clicked, this, &TfrmMain::btnReportClick);
  connect(btnInfo, &QPushButton::clicked, this, &TfrmMain::btnInfoClick);
  connect(btnTolvaFile, &QPushButton::clicked, this, &TfrmMain::btnTolvaFileClick);
  connect(btnModelPath, &QPushButton::clicked, this, &TfrmMain::btnModelPathClick);
  connect(btnSelectOutputPath, &QPushButton::clicked, this, &TfrmMain::btnSelectOutputPathClick);
  connect(btnModelLauncher, &QPushButton::clicked, this, &TfrmMain::btnModelLauncherClick);
  connect(btnClearModelLauncher, &QPushButton::clicked, this,
          &TfrmMain::btnClearModelLauncherClick);
  connect(btnCancel, &QPushButton::clicked, this, &TfrmMain::btnCancelClick);
  connect(cbxOptions, &QComboBox::currentIndexChanged, this, &TfrmMain::cbxOptionsChange);
  // The window's width of 710 and its height of 486 at least, more for what the run panel needs.
  resize(710, std::max(486, minimumSizeHint().height()));
  CentreOnScreen(*this);
}

void TfrmMain::FormCreate() {
  try {
    // The application's title; as its name, not its display name, which the system would add
    // to every window's title.
    QCoreApplication::setApplicationName(QStringLiteral("TARN"));
    TTARNRegistry::CreateSingleton(QLatin1String(cRegKeyTarn));
    FTolvaFile = LookUpSetting(cRegTolvaFilePath, BuiltInTolvaFile());
    ShowPath(edtTolFile, FTolvaFile);
    FTolvalModelFileName = LookUpSetting(cRegTolvaModelPath, DefaultModelPath());
    ShowPath(edtModelPath, FTolvalModelFileName);
    FOutputPath = LookUpSetting(cRegOutputPath, BuiltInOutputPath());
    ShowPath(edtOutputPath, FOutputPath);
    FModelLauncher = LookUpSetting(cRegModelLauncherPath, QString());
    ShowPath(edtModelLauncher, FModelLauncher);
    FTarnModelFileName = DriverPath();
  } catch (const std::exception& error) {
    ReportFailure(QStringLiteral("Unable to start [FormCreate]"), error);
  }
}

void TfrmMain::FormShow() { UpdateButtons(); }

void TfrmMain::FormDestroy() {
  if (TTARNRegistry::Created()) TTARNRegistry::DestroySingleton();
}

void TfrmMain::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  FormShow();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  // Once the user has agreed, the window waits only for the stopped driver to end.
  if (FCloseWhenEnded) {
    event->setAccepted(!FCalculating);
    return;
  }
  const QString question =
      FCalculating ? QStringLiteral("Still calculating, do you want to close the applicatation?")
                   : QStringLiteral("Close the TARN program?");
  if (!FDialogs.Confirm(question, Messages::Default::kOk)) {
    event->ignore();
    return;
  }
  if (!FCalculating) {
    event->accept();
    return;
  }
  // A run does not go on unseen: it is stopped, and the window closes when it has ended.
  FCloseWhenEnded = true;
  btnStopClick();
  event->ignore();
}

void TfrmMain::keyPressEvent(QKeyEvent* event) {
  // Esc answers the Close button, from whichever control it comes.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    btnCancel->click();
    return;
  }
  // Calculate is the default button: Enter that no control took starts a run.
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      !(event->modifiers() & ~Qt::KeypadModifier)) {
    if (btnGo->isEnabled()) btnGo->click();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TfrmMain::UpdateButtons() {
  const RunSettings settings = CurrentSettings();
  const QList<UnmetCondition> unmet = UnmetConditions(settings);
  const bool ReadyToCalculate = unmet.isEmpty();
  btnGo->setEnabled(ReadyToCalculate && !FCalculating);
  lblCalculateHint->setText(FCalculating || ReadyToCalculate ? QString() : unmet.front().text);
  lblCalculateHint->setToolTip(lblCalculateHint->text().isEmpty() ? QString()
                                                                  : ConditionLine(unmet.front()));
  btnStop->setEnabled(FCalculating && FRun && !FRun->StopRequested());
  btnReport->setEnabled(!FCalculating && SucceededRunReport(settings).has_value());
  // Nothing the run was started with changes while it goes on.
  for (QWidget* input :
       std::initializer_list<QWidget*>{btnTolvaFile, btnModelPath, btnSelectOutputPath,
                                       btnModelLauncher, cbxOptions, spnParallelRuns})
    input->setEnabled(!FCalculating);
  btnClearModelLauncher->setEnabled(!FCalculating && !FModelLauncher.isEmpty());
  const bool userDefined = cbxOptions->currentIndex() == 1;
  for (QLineEdit* day : {edtInterval, edtFirstDay, edtLastDay})
    day->setEnabled(userDefined && !FCalculating);
}

void TfrmMain::SetCalculating(bool value) { FCalculating = value; }

RunSettings TfrmMain::CurrentSettings() const {
  return RunSettings{FTolvaFile,          FTolvalModelFileName,      FOutputPath,
                     FTarnModelFileName,  cbxOptions->currentText(), edtInterval->text(),
                     edtFirstDay->text(), edtLastDay->text(),        spnParallelRuns->value(),
                     FModelLauncher};
}

void TfrmMain::ShowPath(QLineEdit* field, const QString& path) {
  field->setText(path);
  field->setToolTip(path);
  field->setCursorPosition(0);
}

void TfrmMain::readOutput(const RunSettings& settings) {
  if (const auto report = SucceededRunReport(settings)) {
    ShowReport(*report, LoadReportData(settings.outputPath, RunBaseName(settings.tolvaFile)),
               settings, FDialogs);
  }
}

void TfrmMain::UpdateProgress() {
  if (!FRun) return;
  const int finished = CountFinishedModelRuns(FRun->Settings());
  const std::optional<ExpectedModelRuns> expected = ExpectModelRuns(FRun->Settings());
  // Without a known number of runs the bar only shows that the run goes on.
  prgRuns->setRange(0, expected ? std::max(expected->count, 1) : 0);
  prgRuns->setValue(expected ? std::min(finished, expected->count) : 0);
  if (FRun->StopRequested()) {
    // A run being stopped has no time left to estimate, nor a model run that goes on.
    lblProgress->setText(QStringLiteral("Stopping the run..."));
    lblRunning->clear();
    lblTime->setText(TimeText(FRunClock.elapsed(), finished, std::nullopt));
    return;
  }
  lblProgress->setText(ProgressText(finished, expected));
  lblRunning->setText(RunningText(FRun->RunningAppIds()));
  lblTime->setText(TimeText(FRunClock.elapsed(), finished, expected));
}

void TfrmMain::btnGoClick() {
  auto* run = new Calculation(CurrentSettings(), FDialogs, cStopGrace, this);
  // The live run log goes beside what the driver and the model print.
  connect(run, &Calculation::LineRead, memConsole, &QPlainTextEdit::appendPlainText);
  connect(run, &Calculation::Logged, memConsole, &QPlainTextEdit::appendPlainText);
  connect(run, &Calculation::Ended, this, &TfrmMain::RunEnded);
  FRun = run;
  SetCalculating(true);
  memConsole->clear();
  FRunClock.start();
  UpdateProgress();
  FFocusBeforeRun = focusWidget();
  UpdateButtons();
  // A control that the run disables passes the focus on, to About... at worst: the focus waits
  // on the console view instead, and goes back when the run has ended.
  if (FFocusBeforeRun && !FFocusBeforeRun->isEnabled()) memConsole->setFocus(Qt::OtherFocusReason);
  bool started = false;
  std::optional<std::runtime_error> failure;
  try {
    started = run->Start();
  } catch (const std::exception& error) {
    failure.emplace(error.what());
  }
  if (started) {
    FProgressTimer->start();
    return;
  }
  FRun = nullptr;
  run->deleteLater();
  for (QLabel* label : {lblProgress, lblRunning, lblTime}) label->clear();
  prgRuns->setRange(0, 1);
  prgRuns->setValue(0);
  SetCalculating(false);
  UpdateButtons();
  RestoreFocusAfterRun();
  if (failure) HandleException(*failure);
}

void TfrmMain::RestoreFocusAfterRun() {
  if (focusWidget() == memConsole && FFocusBeforeRun && FFocusBeforeRun->isEnabled())
    FFocusBeforeRun->setFocus(Qt::OtherFocusReason);
}

void TfrmMain::btnStopClick() {
  if (!FRun) return;
  FRun->Stop();
  UpdateProgress();
  UpdateButtons();
}

void TfrmMain::RunEnded(const RunOutcome& outcome) {
  FProgressTimer->stop();
  UpdateProgress();
  const RunSettings settings = FRun->Settings();
  FRun->deleteLater();
  FRun = nullptr;
  // The panel says what the run came to; a success fills the bar.
  lblProgress->setText(EndText(outcome, FRunClock.elapsed(), CountFinishedModelRuns(settings),
                               ExpectModelRuns(settings)));
  lblRunning->clear();
  lblTime->clear();
  if (outcome.kind == RunOutcome::Kind::kSucceeded) {
    prgRuns->setRange(0, 1);
    prgRuns->setValue(1);
  }
  SetCalculating(false);
  UpdateButtons();
  RestoreFocusAfterRun();
  if (FCloseWhenEnded) {
    close();
    return;
  }
  // A question whether to close during the run no longer applies.
  FDialogs.WithdrawQuestion();
  switch (outcome.kind) {
    case RunOutcome::Kind::kSucceeded:
      ShowReport(outcome.report.sections, outcome.report.data, settings, FDialogs);
      break;
    case RunOutcome::Kind::kStopped:
      break;
    case RunOutcome::Kind::kFailed:
      FDialogs.ShowError(outcome.message.join(QLatin1Char('\n')));
      break;
  }
}

void TfrmMain::btnReportClick() { readOutput(CurrentSettings()); }

void TfrmMain::btnInfoClick() { ShowInformation(QString::fromLatin1(cInfoExposure)); }

void TfrmMain::btnTolvaFileClick() {
  try {
    if (const auto chosen = FDialogs.PickTolvaFile(QFileInfo(FTolvaFile).absolutePath())) {
      FTolvaFile = *chosen;
      ShowPath(edtTolFile, FTolvaFile);
      TTARNRegistry::GetSingleton().HKCUSetStr(QLatin1String(cRegTolvaFilePath), FTolvaFile);
    }
    UpdateButtons();
  } catch (const std::exception& error) {
    ReportFailure(QStringLiteral("Unable to copy tolva file, "), error);
  }
}

void TfrmMain::btnModelPathClick() {
  try {
    if (const auto chosen =
            FDialogs.PickModelFile(QFileInfo(FTolvalModelFileName).absolutePath())) {
      FTolvalModelFileName = *chosen;
      ShowPath(edtModelPath, FTolvalModelFileName);
      TTARNRegistry::GetSingleton().HKCUSetStr(QLatin1String(cRegTolvaModelPath),
                                               FTolvalModelFileName);
    }
    UpdateButtons();
  } catch (const std::exception& error) {
    ReportFailure(QStringLiteral("Unable to select executable directory, "), error);
  }
}

void TfrmMain::btnSelectOutputPathClick() {
  try {
    if (const auto chosen = FDialogs.PickOutputFolder(WithSeparator(FOutputPath))) {
      FOutputPath = *chosen;
      ShowPath(edtOutputPath, FOutputPath);
      TTARNRegistry::GetSingleton().HKCUSetStr(QLatin1String(cRegOutputPath), FOutputPath);
    }
    UpdateButtons();
  } catch (const std::exception& error) {
    ReportFailure(QStringLiteral("Unable to select output directory, "), error);
  }
}

void TfrmMain::btnModelLauncherClick() {
  try {
    // Without a launcher the picker starts in the launchers that come with TARN, or where
    // TARN was started when there are none.
    QString folder =
        FModelLauncher.isEmpty() ? LaunchersFolder() : QFileInfo(FModelLauncher).absolutePath();
    if (folder.isEmpty()) folder = QDir::currentPath();
    if (const auto chosen = FDialogs.PickModelLauncher(folder)) SetModelLauncher(*chosen);
    UpdateButtons();
  } catch (const std::exception& error) {
    ReportFailure(QStringLiteral("Unable to select the model launcher, "), error);
  }
}

void TfrmMain::btnClearModelLauncherClick() {
  try {
    // Stored empty, not removed: a machine-wide launcher must not come back at the next start.
    SetModelLauncher(QString());
    UpdateButtons();
  } catch (const std::exception& error) {
    ReportFailure(QStringLiteral("Unable to clear the model launcher, "), error);
  }
}

void TfrmMain::SetModelLauncher(const QString& path) {
  FModelLauncher = path;
  ShowPath(edtModelLauncher, FModelLauncher);
  TTARNRegistry::GetSingleton().HKCUSetStr(QLatin1String(cRegModelLauncherPath), FModelLauncher);
}

void TfrmMain::btnCancelClick() { close(); }

void TfrmMain::cbxOptionsChange() {
  // The day fields follow the option (UserDefined enables them) in UpdateButtons.
  UpdateButtons();
}

void TfrmMain::edtIntervalChange() {
  // Calculate judges the three day fields together, whichever of them changed.
  UpdateButtons();
}

void TfrmMain::HandleException(const std::exception& error) {
  FDialogs.ShowError(QString::fromUtf8(error.what()));
}

void TfrmMain::ReportFailure(const QString& handlerMessage, const std::exception& error) {
  FDialogs.ShowError(handlerMessage + QString::fromUtf8(error.what()) + QLatin1Char('"'));
  HandleException(error);
}

}  // namespace tarn::frontend
