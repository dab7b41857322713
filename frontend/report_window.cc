#include "frontend/report_window.h"

#include <QApplication>
#include <QChartView>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTextBlock>
#include <QVBoxLayout>
#include <stdexcept>

#include "driver/public/calendar.h"
#include "frontend/audit_record.h"
#include "frontend/dossier_pdf.h"
#include "frontend/export_target.h"
#include "frontend/leaching_chart.h"

namespace tarn::frontend {
namespace {

// The smallest size at which every part of the window stays readable.
constexpr QSize cMinimumSize(760, 520);

}  // namespace

TfrmReport::TfrmReport(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("TARN Report"));
  setMinimumSize(cMinimumSize);
  resize(1025, 563);

  memReoport = new QPlainTextEdit;
  memReoport->setObjectName(QStringLiteral("memReoport"));
  memReoport->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  memReoport->setLineWrapMode(QPlainTextEdit::NoWrap);
  memReoport->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memReoport->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memReoport->installEventFilter(this);

  pnlCharts = new QWidget;
  pnlCharts->setObjectName(QStringLiteral("pnlCharts"));
  (new QVBoxLayout(pnlCharts))->setContentsMargins(0, 0, 0, 0);
  // Many compounds scroll instead of squeezing their charts.
  scrCharts = new QScrollArea;
  scrCharts->setWidget(pnlCharts);
  scrCharts->setWidgetResizable(true);
  scrCharts->setFrameShape(QFrame::NoFrame);
  scrCharts->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  auto* splitter = new QSplitter(Qt::Horizontal, this);
  splitter->setObjectName(QStringLiteral("splReport"));
  splitter->setChildrenCollapsible(false);
  splitter->addWidget(memReoport);
  splitter->addWidget(scrCharts);
  splitter->setSizes({500, 525});

  btnCopyToCliipBoard = new QPushButton(QStringLiteral("&Copy To Clipboard"), this);
  btnCopyToCliipBoard->setObjectName(QStringLiteral("btnCopyToCliipBoard"));
  btnCopyToCliipBoard->setAutoDefault(false);
  connect(btnCopyToCliipBoard, &QPushButton::clicked, this, &TfrmReport::btnCopyToCliipBoardClick);

  btnExportCsv = new QPushButton(QStringLiteral("E&xport CSV..."), this);
  btnExportCsv->setObjectName(QStringLiteral("btnExportCsv"));
  btnExportCsv->setAutoDefault(false);
  connect(btnExportCsv, &QPushButton::clicked, this, &TfrmReport::btnExportCsvClick);

  btnExportPdf = new QPushButton(QStringLiteral("Export &PDF..."), this);
  btnExportPdf->setObjectName(QStringLiteral("btnExportPdf"));
  btnExportPdf->setAutoDefault(false);
  connect(btnExportPdf, &QPushButton::clicked, this, &TfrmReport::btnExportPdfClick);

  btnSaveRecord = new QPushButton(QStringLiteral("Save &audit record..."), this);
  btnSaveRecord->setObjectName(QStringLiteral("btnSaveRecord"));
  btnSaveRecord->setAutoDefault(false);
  connect(btnSaveRecord, &QPushButton::clicked, this, &TfrmReport::btnSaveRecordClick);

  // Esc answers the dialog's reject, which is this button's result.
  btnCancel = new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton),
                              QStringLiteral("C&lose"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnCancel->setAutoDefault(false);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  // Says what the last copy or export did, which otherwise leaves no visible trace.
  lblStatus = new QLabel(this);
  lblStatus->setObjectName(QStringLiteral("lblStatus"));

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnCopyToCliipBoard);
  buttons->addWidget(btnExportCsv);
  buttons->addWidget(btnExportPdf);
  buttons->addWidget(btnSaveRecord);
  buttons->addWidget(lblStatus, 1);
  buttons->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(splitter, 1);
  layout->addLayout(buttons);

  ShowCharts(QStringLiteral("The report window was not told where the run's files are."));
}

void TfrmReport::SetReport(const QStringList& lines) {
  memReoport->clear();
  memReoport->setPlainText(lines.join(QLatin1Char('\n')));
}

void TfrmReport::SetReportData(const RunReportData& report, const RunSettings& settings,
                               Dialogs& dialogs) {
  FData = report.data;
  FRun = settings;
  FDialogs = &dialogs;
  ShowCharts(report.note);
}

void TfrmReport::ShowCharts(const QString& note) {
  QLayout* charts = pnlCharts->layout();
  while (QLayoutItem* item = charts->takeAt(0)) {
    delete item->widget();
    delete item;
  }
  if (FData) {
    for (const CompoundResults& compound : FData->compounds)
      charts->addWidget(LeachingChart(compound));
  } else {
    auto* lblChartNote = new QLabel(QStringLiteral("No chart: ") + note);
    lblChartNote->setObjectName(QStringLiteral("lblChartNote"));
    lblChartNote->setWordWrap(true);
    lblChartNote->setAlignment(Qt::AlignCenter);
    charts->addWidget(lblChartNote);
  }
  scrCharts->setMinimumWidth(pnlCharts->minimumSizeHint().width() +
                             scrCharts->verticalScrollBar()->sizeHint().width());
  btnExportCsv->setEnabled(FData.has_value());
  btnExportPdf->setEnabled(FData.has_value());
  // The record is the run's whatever its files came to; it needs to know the run.
  btnSaveRecord->setEnabled(FDialogs != nullptr);
}

bool TfrmReport::eventFilter(QObject* watched, QEvent* event) {
  // Ctrl+A selects the whole report and goes no further.
  if (watched == memReoport &&
      (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_A && key->modifiers() == Qt::ControlModifier) {
      if (event->type() == QEvent::KeyPress) memReoport->selectAll();
      event->accept();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmReport::btnCopyToCliipBoardClick() {
  QString text;
  int lines = 0;
  const QTextDocument* document = memReoport->document();
  if (!document->isEmpty()) {
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next(), ++lines)
      text += block.text() + QStringLiteral("\r\n");
  }
  QApplication::clipboard()->setText(text);
  lblStatus->setText(lines == 1 ? QStringLiteral("Copied 1 line")
                                : QStringLiteral("Copied %1 lines").arg(lines));
}

void TfrmReport::btnExportCsvClick() {
  ExportTo(QStringLiteral("Export CSV"), QStringLiteral("CSV files (*.csv)"),
           FData->baseName + QStringLiteral(".csv"), QStringLiteral("the results"),
           [this](const QString& path) { WriteReportCsv(path, *FData); });
}

void TfrmReport::btnExportPdfClick() {
  ExportTo(QStringLiteral("Export PDF"), QStringLiteral("PDF files (*.pdf)"),
           FData->baseName + QStringLiteral(".pdf"), QStringLiteral("the dossier"),
           [this](const QString& path) { WriteDossierPdf(path, FRun, *FData); });
}

void TfrmReport::btnSaveRecordClick() {
  ExportTo(QStringLiteral("Save audit record"), QStringLiteral("Audit records (*.json)"),
           RunBaseName(FRun.tolvaFile) + QStringLiteral("_record.json"),
           QStringLiteral("the audit record"),
           [this](const QString& path) { CopyAuditRecord(FRun, path); });
}

void TfrmReport::ExportTo(const QString& title, const QString& filter, const QString& name,
                          const QString& exported,
                          const std::function<void(const QString&)>& write) {
  // Beside the output folder, which the next run empties.
  const QFileInfo outputFolder(QDir::cleanPath(FRun.outputPath));
  const auto path = FDialogs->PickExportFile(title, filter, outputFolder.dir().filePath(name));
  if (!path) return;
  lblStatus->clear();
  if (const auto refusal = ExportRefusal(*path, FRun, exported)) {
    FDialogs->ShowError(*refusal);
    return;
  }
  try {
    write(*path);
  } catch (const std::runtime_error& error) {
    FDialogs->ShowError(QString::fromUtf8(error.what()));
    return;
  }
  lblStatus->setText(QStringLiteral("Saved %1").arg(QFileInfo(*path).fileName()));
  lblStatus->setToolTip(*path);
}

namespace {

// A report window with `lines` that the toolkit releases once it is closed.
TfrmReport* NewReportWindow(const QStringList& lines) {
  auto* window = new TfrmReport;
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->SetReport(lines);
  return window;
}

}  // namespace

void ShowReport(const QStringList& lines, const RunReportData& report, const RunSettings& settings,
                Dialogs& dialogs) {
  TfrmReport* window = NewReportWindow(lines);
  window->SetReportData(report, settings, dialogs);
  window->exec();
}

}  // namespace tarn::frontend
