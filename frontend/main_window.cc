#include "frontend/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>
#include <stdexcept>
#include <tuple>
#include <utility>

#include "frontend/calculation.h"
#include "frontend/information_window.h"
#include "frontend/platform.h"
#include "frontend/report_data.h"
#include "frontend/report_reader.h"
#include "frontend/report_window.h"
#include "frontend/run_progress.h"
#include "frontend/screen_placement.h"
#include "frontend/settings_lookup.h"
#include "frontend/tarn_registry.h"

namespace tarn::frontend {

const char cInfoExposure[] =
    "TARN Doduvovuv version 1.1\r\n"
    "\r\n"
    "GUI version:           1.0   (28 August 2018)\r\n"
    "Model Version:         1.0.3 (12 September 2018)\r\n"
    "\r\n"
    "Date:                  13 September 2018\r\n"
    "\r\n"
    "Supported KAV version: 3.3.2\r\n"
    "\r\n"
    "Front end design:      the TARN developers,\r\n"
    "                       built with Qt Widgets\r\n"
    "\r\n"
    "Driver design:         the TARN developers\r\n"
    "\r\n"
    "Copyright (c) the TARN developers. All rights reserved.";

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
  resize(710, 486);

  pnlFiles = Named<QFrame>(this, "pnlFiles");
  pnlOptions = Named<QFrame>(this, "pnlOptions");
  pnlBottom = Named<QFrame>(this, "pnlBottom");
  for (QFrame* panel : {pnlFiles, pnlOptions, pnlBottom}) panel->setFrameShape(QFrame::StyledPanel);
  // The option panel never gets lower than this.
  pnlOptions->setMinimumHeight(190);

  btnGo = Named<QPushButton>(pnlFiles, "btnGo", QStringLiteral("Calculate"));
  btnGo->setEnabled(false);
  btnReport = Named<QPushButton>(pnlFiles, "btnReport", QStringLiteral("Report"));
  btnInfo = Named<QPushButton>(pnlFiles, "btnInfo",
                               style()->standardIcon(QStyle::SP_MessageBoxInformation),
                               QStringLiteral("About..."));
  lblTolFile = Named<QLabel>(pnlFiles, "lblTolFile", QStringLiteral("Choose a *.tol file:"));
  edtTolFile = Named<QLineEdit>(pnlFiles, "edtTolFile");
  btnTolvaFile = Named<QPushButton>(pnlFiles, "btnTolvaFile", QStringLiteral("Open Tolva File .."));
  lblModelPath =
      Named<QLabel>(pnlFiles, "lblModelPath",
                    QStringLiteral("Tolva Model path (default in the KAV3 installation folder): "));
  edtModelPath = Named<QLineEdit>(pnlFiles, "edtModelPath");
  btnModelPath =
      Named<QPushButton>(pnlFiles, "btnModelPath", QStringLiteral("Select Model Path ..."));
  lblOutputPath = Named<QLabel>(pnlFiles, "lblOutputPath", QStringLiteral("Output path:"));
  edtOutputPath = Named<QLineEdit>(pnlFiles, "edtOutputPath");
  btnSelectOutputPath =
      Named<QPushButton>(pnlFiles, "btnSelectOutputPath", QStringLiteral("Select Output Path ..."));
  // The path fields only show the paths; the pickers change them.
  for (QLineEdit* shown : {edtTolFile, edtModelPath, edtOutputPath}) shown->setEnabled(false);

  lblOptions = Named<QLabel>(pnlOptions, "lblOptions", QStringLiteral("Application option:"));
  cbxOptions = Named<QComboBox>(pnlOptions, "cbxOptions");
  cbxOptions->addItems({QLatin1String(kMonthly), QLatin1String(kUserDefined)});
  lblInterval = Named<QLabel>(
      pnlOptions, "lblInterval",
      QStringLiteral(
          "Time interval between the starting days of two consecutive applications Ids:"));
  edtInterval = Named<QLineEdit>(pnlOptions, "edtInterval", QStringLiteral("20"));
  Label1 = Named<QLabel>(pnlOptions, "Label1",
                         QStringLiteral("First possible day-in-year of application:"));
  edtFirstDay = Named<QLineEdit>(pnlOptions, "edtFirstDay", QStringLiteral("80"));
  Label3 = Named<QLabel>(pnlOptions, "Label3",
                         QStringLiteral("Last possible day-in-year of application:"));
  edtLastDay = Named<QLineEdit>(pnlOptions, "edtLastDay", QStringLiteral("310"));
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
      Named<QLabel>(pnlOptions, "lblParallelRuns", QStringLiteral("Parallel model runs:"));
  spnParallelRuns = Named<QSpinBox>(pnlOptions, "spnParallelRuns");
  // More runs at once than processors only make each run slower.
  spnParallelRuns->setRange(1, std::clamp(QThread::idealThreadCount(), 1, kMaxParallelRuns));
  spnParallelRuns->setValue(1);
  spnParallelRuns->setMaximumWidth(80);

  lblProgress = Named<QLabel>(pnlBottom, "lblProgress");
  btnCancel = Named<QPushButton>(pnlBottom, "btnCancel",
                                 style()->standardIcon(QStyle::SP_DialogCloseButton),
                                 QStringLiteral("Close"));

  auto* actions = new QHBoxLayout;
  for (QPushButton* button : {btnGo, btnReport, btnInfo}) actions->addWidget(button);
  actions->addStretch();
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

  auto* bottom = new QHBoxLayout(pnlBottom);
  bottom->addWidget(lblProgress, 1);
  bottom->addWidget(btnCancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pnlFiles);
  layout->addWidget(pnlOptions, 1);
  layout->addWidget(pnlBottom);

  FProgressTimer = new QTimer(this);
  FProgressTimer->setInterval(cProgressInterval);
  connect(FProgressTimer, &QTimer::timeout, this, &TfrmMain::UpdateProgress);

  connect(btnGo, &QPushButton::clicked, this, &TfrmMain::btnGoClick);
  connect(btnReport, &QPushButton::clicked, this, &TfrmMain::btnReportClick);
  connect(btnInfo, &QPushButton::clicked, this, &TfrmMain::btnInfoClick);
  connect(btnTolvaFile, &QPushButton::clicked, this, &TfrmMain::btnTolvaFileClick);
  connect(btnModelPath, &QPushButton::clicked, this, &TfrmMain::btnModelPathClick);
  connect(btnSelectOutputPath, &QPushButton::clicked, this, &TfrmMain::btnSelectOutputPathClick);
  connect(btnCancel, &QPushButton::clicked, this, &TfrmMain::btnCancelClick);
  connect(cbxOptions, &QComboBox::currentIndexChanged, this, &TfrmMain::cbxOptionsChange);
  CentreOnScreen(*this);
}

void TfrmMain::FormCreate() {
  try {
    QGuiApplication::setApplicationDisplayName(QStringLiteral("TARN"));
    TTARNRegistry::CreateSingleton(QLatin1String(cRegKeyTarn));
    FTolvaFile = LookUpSetting(cRegTolvaFilePath, BuiltInTolvaFile());
    edtTolFile->setText(FTolvaFile);
    FTolvalModelFileName = LookUpSetting(cRegTolvaModelPath, DefaultModelPath());
    edtModelPath->setText(FTolvalModelFileName);
    FOutputPath = LookUpSetting(cRegOutputPath, BuiltInOutputPath());
    edtOutputPath->setText(FOutputPath);
    FTarnModelFileName = DriverPath();
    FTolvaFilePresent = FTolvaModelSelected = FOutputPathSelected = false;
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
  const QString question =
      FCalculating ? QStringLiteral("Still calculating, do you want to close the applicatation?")
                   : QStringLiteral("Close the TARN program?");
  if (!FDialogs.Confirm(question)) {
    event->ignore();
    return;
  }
  // A running driver goes on; only its report is no longer shown.
  FClosed = FCalculating;
  event->accept();
}

void TfrmMain::keyPressEvent(QKeyEvent* event) {
  // Esc answers the Close button, from whichever control it comes.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    btnCancel->click();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TfrmMain::checkInput() {
  FTolvaFilePresent = QFileInfo(FTolvaFile).isFile();
  FTolvaModelSelected = QFileInfo(FTolvalModelFileName).isFile();
  FOutputPathSelected = QFileInfo(FOutputPath).isDir();
}

void TfrmMain::UpdateButtons() {
  checkInput();
  const RunSettings settings = CurrentSettings();
  const bool ReadyToCalculate = FTolvaFilePresent && FTolvaModelSelected && FOutputPathSelected &&
                                DayFieldsAccepted(settings);
  btnGo->setEnabled(ReadyToCalculate && !FCalculating);
  btnReport->setEnabled(QFileInfo::exists(SummaryReportPath(settings)));
}

void TfrmMain::SetCalculating(bool value) { FCalculating = value; }

RunSettings TfrmMain::CurrentSettings() const {
  return RunSettings{FTolvaFile,          FTolvalModelFileName,      FOutputPath,
                     FTarnModelFileName,  cbxOptions->currentText(), edtInterval->text(),
                     edtFirstDay->text(), edtLastDay->text(),        spnParallelRuns->value()};
}

void TfrmMain::readOutput() {
  const RunSettings settings = CurrentSettings();
  if (const auto report = ReadReportSections(SummaryReportPath(settings))) {
    ShowReport(*report, LoadReportData(settings.outputPath, RunBaseName(settings.tolvaFile)),
               FDialogs);
  }
}

void TfrmMain::UpdateProgress() {
  lblProgress->setText(
      ProgressText(CountFinishedModelRuns(FRunSettings), ExpectModelRuns(FRunSettings)));
}

void TfrmMain::btnGoClick() {
  SetCalculating(true);
  UpdateButtons();
  FRunSettings = CurrentSettings();
  lblProgress->setText(ProgressText(0, ExpectModelRuns(FRunSettings)));
  FProgressTimer->start();
  std::optional<int> result;
  std::optional<std::runtime_error> failure;
  try {
    result = RunCalculation(FRunSettings, FDialogs);
  } catch (const std::exception& error) {
    failure.emplace(error.what());
  }
  FProgressTimer->stop();
  if (result) {
    UpdateProgress();
  } else {
    lblProgress->clear();
  }
  if (result == 0 && !FClosed) readOutput();
  SetCalculating(false);
  UpdateButtons();
  if (failure) HandleException(*failure);
}

void TfrmMain::btnReportClick() { readOutput(); }

void TfrmMain::btnInfoClick() { ShowInformation(QString::fromLatin1(cInfoExposure)); }

void TfrmMain::btnTolvaFileClick() {
  try {
    if (const auto chosen = FDialogs.PickTolvaFile(QFileInfo(FTolvaFile).absolutePath())) {
      FTolvaFile = *chosen;
      edtTolFile->setText(FTolvaFile);
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
      edtModelPath->setText(FTolvalModelFileName);
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
      edtOutputPath->setText(FOutputPath);
      TTARNRegistry::GetSingleton().HKCUSetStr(QLatin1String(cRegOutputPath), FOutputPath);
    }
    UpdateButtons();
  } catch (const std::exception& error) {
    ReportFailure(QStringLiteral("Unable to select output directory, "), error);
  }
}

void TfrmMain::btnCancelClick() { close(); }

void TfrmMain::cbxOptionsChange() {
  const bool userDefined = cbxOptions->currentIndex() == 1;
  for (QLineEdit* day : {edtInterval, edtFirstDay, edtLastDay}) day->setEnabled(userDefined);
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
