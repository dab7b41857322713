// TfrmMain: the front end's dialog. The user picks the model input, the model executable and
// the output folder, chooses the application option, its day values and how many model runs go
// at once, and starts a run, opens the last report or the About window. The three paths persist
// per user.
#pragma once

#include <QWidget>
#include <exception>

#include "frontend/dialogs.h"
#include "frontend/run_preparation.h"

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTimer;

namespace tarn::frontend {

// The About text the About button shows.
extern const char cInfoExposure[];

class TfrmMain : public QWidget {
  Q_OBJECT

 public:
  // Reads the settings (FormCreate); every question to the user goes through `dialogs`.
  explicit TfrmMain(Dialogs& dialogs, QWidget* parent = nullptr);
  ~TfrmMain() override;

  // Re-evaluates the inputs and sets the Calculate and Report buttons.
  void UpdateButtons();
  // Marks a run as under way; Calculate stays disabled meanwhile.
  void SetCalculating(bool value);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildControls();
  void FormCreate();
  void FormShow();
  void FormDestroy();
  void checkInput();
  RunSettings CurrentSettings() const;
  void readOutput();
  void UpdateProgress();

  void btnGoClick();
  void btnReportClick();
  void btnInfoClick();
  void btnTolvaFileClick();
  void btnModelPathClick();
  void btnSelectOutputPathClick();
  void btnCancelClick();
  void cbxOptionsChange();
  void edtIntervalChange();

  // The toolkit's standard handling of an exception that left a handler: its message.
  void HandleException(const std::exception& error);
  // A handler's own error message, then the standard handling.
  void ReportFailure(const QString& handlerMessage, const std::exception& error);

  bool FTolvaFilePresent = false;
  bool FTolvaModelSelected = false;
  bool FOutputPathSelected = false;
  QString FTolvaFile;
  QString FTolvalModelFileName;
  QString FOutputPath;
  bool FCalculating = false;
  QString FTarnModelFileName;

  Dialogs& FDialogs;
  // The window was closed while a run was under way: the run's end shows nothing.
  bool FClosed = false;
  // The values of the run under way, whose progress the window shows.
  RunSettings FRunSettings;
  QTimer* FProgressTimer;

  QFrame* pnlFiles;
  QFrame* pnlOptions;
  QFrame* pnlBottom;
  QPushButton* btnGo;
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
  QLabel* lblProgress;
  QPushButton* btnCancel;
};

}  // namespace tarn::frontend
