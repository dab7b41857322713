// TfrmReport: shows the lines extracted from the driver's summary report in a fixed-pitch text
// box and copies them to the clipboard; beside them, a chart per compound of the leaching
// concentration over the first application days of the year, with the selected application
// marked, the export of those results as CSV and as a dossier PDF, and the copy of the run's audit
// record.
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>
#include <optional>

#include "frontend/dialogs.h"
#include "frontend/report_data.h"
#include "frontend/run_preparation.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QWidget;

namespace tarn::frontend {

class TfrmReport : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmReport(QWidget* parent = nullptr);

  // Empties the text box, then fills it with `lines`.
  void SetReport(const QStringList& lines);

  // Shows the charts of `report`, the results of the run of `settings`, or its note in their
  // place; `dialogs` asks where the CSV and PDF exports go. Until this is called the window has no
  // run files, and says so.
  void SetReportData(const RunReportData& report, const RunSettings& settings, Dialogs& dialogs);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void btnCopyToCliipBoardClick();
  void btnExportCsvClick();
  void btnExportPdfClick();
  void btnSaveRecordClick();
  // Asks where `exported` goes (proposing `name` beside the output folder), refuses a place an
  // export may not go, writes it with `write` (which throws std::runtime_error when it cannot)
  // and says beside the buttons that it was saved.
  void ExportTo(const QString& title, const QString& filter, const QString& name,
                const QString& exported, const std::function<void(const QString&)>& write);
  // Replaces the charts' panel by the charts of FData, or by `note` when there are none.
  void ShowCharts(const QString& note);

  QPlainTextEdit* memReoport;
  QWidget* pnlCharts;
  QScrollArea* scrCharts;
  QPushButton* btnCopyToCliipBoard;
  QPushButton* btnExportCsv;
  QPushButton* btnExportPdf;
  QPushButton* btnSaveRecord;
  QPushButton* btnCancel;
  QLabel* lblStatus;
  std::optional<ReportData> FData;
  // The run the data are of: an export never replaces one of its files.
  RunSettings FRun;
  Dialogs* FDialogs = nullptr;
};

// Shows a new report window modally with `lines` and the charts of `report`, the results of the
// run of `settings`, and releases it afterwards.
void ShowReport(const QStringList& lines, const RunReportData& report, const RunSettings& settings,
                Dialogs& dialogs);

}  // namespace tarn::frontend
