#include "frontend/report_window.h"

#include <QApplication>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScatterSeries>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTextBlock>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <stdexcept>
#include <string_view>

#include "driver/public/calendar.h"
#include "frontend/audit_record.h"
#include "frontend/export_target.h"

namespace tarn::frontend {
namespace {

// The smallest size at which every part of the window stays readable.
constexpr QSize cMinimumSize(760, 520);

// The months of a common year as the x axis, each named at its middle.
QCategoryAxis* YearAxis() {
  auto* axis = new QCategoryAxis;
  int monthEnd = 0;
  for (int month = 1; month <= 12; ++month) {
    monthEnd += MonthLength(month, 1900);
    const std::string_view name = MonthName(month);
    axis->append(QString::fromLatin1(name.data(), static_cast<int>(name.size())), monthEnd);
  }
  axis->setRange(0, monthEnd);
  axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionCenter);
  axis->setTitleText(QStringLiteral("First application day"));
  return axis;
}

// The narrowest chart whose month names all show whole: the shortest month, February, is still
// as wide as the widest name, with room beside it, plus the concentration axis.
int ChartMinimumWidth(const QFont& labelFont) {
  const QFontMetrics metrics(labelFont);
  int widestName = 0;
  for (int month = 1; month <= 12; ++month) {
    const std::string_view name = MonthName(month);
    widestName = std::max(widestName, metrics.horizontalAdvance(QString::fromLatin1(
                                          name.data(), static_cast<int>(name.size()))));
  }
  const int daysInYear = 365;
  const int plotWidth =
      (widestName + metrics.averageCharWidth()) * daysInYear / MonthLength(2, 1900);
  // The concentration axis's labels and title, and the chart's margins.
  return plotWidth + metrics.horizontalAdvance(QStringLiteral("0.0000")) + 4 * metrics.height();
}

// The leaching concentration of one compound against the first application day of each
// application id, with the selected application marked and labelled.
QChartView* LeachingChart(const CompoundResults& compound) {
  std::vector<ApplicationResult> byDay = compound.results;
  std::stable_sort(byDay.begin(), byDay.end(),
                   [](const auto& a, const auto& b) { return a.dayOfYear < b.dayOfYear; });
  auto* season = new QLineSeries;
  season->setName(QStringLiteral("Leaching concentration (ug/L)"));
  season->setPointsVisible(true);
  double lowest = 0;
  double highest = 0;
  for (const ApplicationResult& result : byDay) {
    season->append(result.dayOfYear, result.conc);
    lowest = std::min(lowest, result.conc);
    highest = std::max(highest, result.conc);
  }

  const ApplicationResult& worst = compound.WorstCase();
  const QString label = QStringLiteral("Selected: id %1, %2, %3 ug/L")
                            .arg(worst.appId)
                            .arg(worst.firstDate, PlainDecimal(worst.concText));
  auto* selected = new QScatterSeries;
  selected->setName(label);
  selected->append(worst.dayOfYear, worst.conc);
  selected->setMarkerSize(13);
  selected->setColor(Qt::red);

  auto* chart = new QChart;
  chart->setTitle(compound.name);
  chart->setMargins(QMargins(2, 2, 2, 2));
  chart->setBackgroundRoundness(0);
  chart->addSeries(season);
  chart->addSeries(selected);
  QCategoryAxis* days = YearAxis();
  auto* conc = new QValueAxis;
  conc->setRange(lowest, highest > lowest ? highest * 1.1 : lowest + 1);
  conc->applyNiceNumbers();
  conc->setLabelFormat(QStringLiteral("%g"));
  conc->setTitleText(QStringLiteral("ug/L"));
  chart->addAxis(days, Qt::AlignBottom);
  chart->addAxis(conc, Qt::AlignLeft);
  for (QAbstractSeries* series : chart->series()) {
    series->attachAxis(days);
    series->attachAxis(conc);
  }
  // The legend labels the marked point: a label beside it would leave the chart at the ends of
  // the year, where the selected application often lies.
  chart->legend()->markers(season).front()->setVisible(false);
  chart->legend()->setAlignment(Qt::AlignBottom);

  auto* view = new QChartView(chart);
  view->setObjectName(QStringLiteral("chtLeaching"));
  view->setRenderHint(QPainter::Antialiasing);
  view->setMinimumSize(ChartMinimumWidth(days->labelsFont()), 220);
  return view;
}

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

  btnCopyToCliipBoard = new QPushButton(QStringLiteral("Copy To Clipboard"), this);
  btnCopyToCliipBoard->setObjectName(QStringLiteral("btnCopyToCliipBoard"));
  btnCopyToCliipBoard->setAutoDefault(false);
  connect(btnCopyToCliipBoard, &QPushButton::clicked, this, &TfrmReport::btnCopyToCliipBoardClick);

  btnExportCsv = new QPushButton(QStringLiteral("Export CSV..."), this);
  btnExportCsv->setObjectName(QStringLiteral("btnExportCsv"));
  btnExportCsv->setAutoDefault(false);
  connect(btnExportCsv, &QPushButton::clicked, this, &TfrmReport::btnExportCsvClick);

  btnSaveRecord = new QPushButton(QStringLiteral("Save audit record..."), this);
  btnSaveRecord->setObjectName(QStringLiteral("btnSaveRecord"));
  btnSaveRecord->setAutoDefault(false);
  connect(btnSaveRecord, &QPushButton::clicked, this, &TfrmReport::btnSaveRecordClick);

  // Esc answers the dialog's reject, which is this button's result.
  btnCancel = new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton),
                              QStringLiteral("Close"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnCancel->setAutoDefault(false);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  // Says what the last copy or export did, which otherwise leaves no visible trace.
  lblStatus = new QLabel(this);
  lblStatus->setObjectName(QStringLiteral("lblStatus"));

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnCopyToCliipBoard);
  buttons->addWidget(btnExportCsv);
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
  // Beside the output folder, which the next run empties.
  const QFileInfo outputFolder(QDir::cleanPath(FData->outputFolder));
  const auto path = FDialogs->PickExportFile(
      QStringLiteral("Export CSV"), QStringLiteral("CSV files (*.csv)"),
      outputFolder.dir().filePath(FData->baseName + QStringLiteral(".csv")));
  if (!path) return;
  lblStatus->clear();
  if (const auto refusal = ExportRefusal(*path, FRun)) {
    FDialogs->ShowError(*refusal);
    return;
  }
  try {
    WriteReportCsv(*path, *FData);
  } catch (const std::runtime_error& error) {
    FDialogs->ShowError(QString::fromUtf8(error.what()));
    return;
  }
  ShowSaved(*path);
}

void TfrmReport::btnSaveRecordClick() {
  // Beside the output folder, which the next run empties.
  const QFileInfo outputFolder(QDir::cleanPath(FRun.outputPath));
  const auto path = FDialogs->PickExportFile(
      QStringLiteral("Save audit record"), QStringLiteral("Audit records (*.json)"),
      outputFolder.dir().filePath(RunBaseName(FRun.tolvaFile) + QStringLiteral("_record.json")));
  if (!path) return;
  lblStatus->clear();
  if (const auto refusal = ExportRefusal(*path, FRun, QStringLiteral("the audit record"))) {
    FDialogs->ShowError(*refusal);
    return;
  }
  try {
    CopyAuditRecord(FRun, *path);
  } catch (const std::runtime_error& error) {
    FDialogs->ShowError(QString::fromUtf8(error.what()));
    return;
  }
  ShowSaved(*path);
}

void TfrmReport::ShowSaved(const QString& path) {
  lblStatus->setText(QStringLiteral("Saved %1").arg(QFileInfo(path).fileName()));
  lblStatus->setToolTip(path);
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
