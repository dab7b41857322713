// TfrmMain: the front end's dialog. The user picks the model input, the model executable, the
// output folder and optionally a model launcher, chooses the application option, its day values
// and how many model runs go at once, and starts a run, follows and stops it, opens the last
// report or the About window. The paths persist per user.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>
#include <exception>

#include "frontend/dialogs.h"
#include "frontend/run_preparation.h"

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;

namespace tarn::frontend {

class Calculation;
struct RunOutcome;

// The About text the About button shows.

class TfrmMain : public QWidget {
  Q_OBJECT

 public:
  // Reads the settings (FormCreate); every question to the user goes through `dialogs`.
  explicit TfrmMain(Dialogs& dialogs, QWidget* parent = nullptr);
  ~TfrmMain() override;

  // Re-evaluates the inputs and sets the Calculate and Report buttons.
  void UpdateButtons();
  // Marks a run as under way; Calculate and the run's inputs stay disabled meanwhile.
  void SetCalculating(bool value);
  bool Calculating() const { return FCalculating; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildControls();
  void FormCreate();
  void FormShow();
  void FormDestroy();
  RunSettings CurrentSettings() const;
  // Shows the report of the run of `settings` when its output folder tells of a success.
  void readOutput(const RunSettings& settings);
  void UpdateProgress();
  void RunEnded(const RunOutcome& outcome);
  // Gives the focus back to the control that had it when the run started, when the run moved
  // it to the console view.
  void RestoreFocusAfterRun();
  // Shows `path` in `field`, whole in its tooltip.
  static void ShowPath(QLineEdit* field, const QString& path);
  // Shows and stores `path` as the model launcher (empty for none).
  void SetModelLauncher(const QString& path);

  void btnGoClick();
  void btnStopClick();
  void btnReportClick();
  void btnInfoClick();
  void btnTolvaFileClick();
  void btnModelPathClick();
  void btnSelectOutputPathClick();
  void btnModelLauncherClick();
  void btnClearModelLauncherClick();
  void btnCancelClick();
  void cbxOptionsChange();
  void edtIntervalChange();

  // The toolkit's standard handling of an exception that left a handler: its message.
  void HandleException(const std::exception& error);
  // A handler's own error message, then the standard handling.
  void ReportFailure(const QString& handlerMessage, const std::exception& error);

  QString FTolvaFile;
  QString FTolvalModelFileName;
  QString FOutputPath;
  bool FCalculating = false;
  QString FTarnModelFileName;
  // The program that runs each model run; empty for none.
  QString FModelLauncher;

  Dialogs& FDialogs;
  // The run under way, with the values captured when Calculate was pressed; none between runs.
  Calculation* FRun = nullptr;
  // The user closed the window during a run: it closes once the stopped driver has ended.
  bool FCloseWhenEnded = false;
  QTimer* FProgressTimer;
  QElapsedTimer FRunClock;
  // The control that had the focus when the run started; it gets it back when the run ends.
  QPointer<QWidget> FFocusBeforeRun;

  QFrame* pnlFiles;
  QFrame* pnlOptions;
  QFrame* pnlBottom;
  QPushButton* btnGo;
  QPushButton* btnStop;
  QPushButton* btnReport;
  QPushButton* btnInfo;
  QLabel* lblTolFile;
  QLineEdit* edtTolFile;
  QPushButton* btnTolvaFile;
  QLabel* lblModelPath;
  QLineEdit* edtModelPath;
  QPushButton* btnModelPath;
  QLabel* lblOutputPath;
  QLineEdit* edtOutputPath;
  QPushButton* btnSelectOutputPath;
  QLabel* lblModelLauncher;
  QLineEdit* edtModelLauncher;
  QPushButton* btnClearModelLauncher;
  QPushButton* btnModelLauncher;
  QLabel* lblOptions;
  QComboBox* cbxOptions;
  QLabel* lblInterval;
  QLineEdit* edtInterval;
  QLabel* Label1;
  QLineEdit* edtFirstDay;
  QLabel* Label3;
  QLineEdit* edtLastDay;
  QLabel* lblIntervalUnits;
  QLabel* Label4;
  QLabel* Label2;
  QLabel* lblParallelRuns;
  QSpinBox* spnParallelRuns;
  QLabel* lblCalculateHint;
  QFrame* pnlRun;
  QLabel* lblProgress;
  // The application ids whose model run goes on.
  QLabel* lblRunning;
  QProgressBar* prgRuns;
  QLabel* lblTime;
  QPlainTextEdit* memConsole;
  QPushButton* btnCancel;
};

}  // namespace tarn::frontend
