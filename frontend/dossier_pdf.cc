#include "frontend/dossier_pdf.h"

#include <QChartView>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "driver/public/report_layout.h"
#include "frontend/audit_record.h"
#include "frontend/leaching_chart.h"
#include "frontend/report_reader.h"
#include "frontend/version.h"

namespace tarn::frontend {
namespace {

// Device units per inch: fine enough that text keeps its design widths.
constexpr int kResolution = 600;
constexpr double kPoint = kResolution / 72.0;

// The emphasis of the worst case: a pale red behind it, a red beside it; and the grey behind a
// table's heading row.
const QColor kWorstFill(0xfd, 0xe4, 0xe4);
const QColor kWorstMark(0xc0, 0x10, 0x10);
const QColor kHeadFill(0xe8, 0xe8, 0xe8);

// A time of the record, in UTC.
QString Utc(const QDateTime& time) {
  return time.isValid() ? time.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                        : QStringLiteral("not recorded");
}

// The fields of a compound's ranked row as the report writes it: position, the name's words,
// then percentile, application id and concentration.
struct RankedFields {
  QString percentile;
  QString concentration;
};

RankedFields RankedFieldsOf(const QString& name, const ApplicationResult& result) {
  const QStringList words =
      QString::fromStdString(
          RankedRow(result.rank, name.toStdString(), result.percentile, result.appId, result.conc))
          .split(QLatin1Char(' '), Qt::SkipEmptyParts);
  return {words[words.size() - 3], words.back()};
}

// A table's column: its heading, its share of the width and how its cells are set.
struct Column {
  QString heading;
  double share;
  int flags = Qt::AlignLeft | Qt::TextWordWrap;
};

// A table's row: its cells, and a line in fixed pitch across the row below them (a hash).
struct Row {
  QStringList cells;
  QString below{};
  bool worst = false;
};

// The fonts of the dossier.
struct Fonts {
  Fonts() {
    body.setStyleHint(QFont::SansSerif);
    body.setPointSizeF(9);
    bold = body;
    bold.setBold(true);
    small = body;
    small.setPointSizeF(7);
    fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSizeF(7.5);
    title = bold;
    title.setPointSizeF(18);
    heading = bold;
    heading.setPointSizeF(13);
    subheading = bold;
    subheading.setPointSizeF(10.5);
    large = bold;
    large.setPointSizeF(14);
  }
  QFont body, bold, small, fixed, title, heading, subheading, large;
};

// The pages of a PDF file: text, tables and charts set from the top of a page down, a new page
// where the next block does not fit, and a footer on each, that of the part the page belongs to.
// Composed twice: once without a painter to count the pages, then painted.
class Pages {
 public:
  Pages(QPdfWriter& writer, QPainter* painter, int pageCount)
      : writer_(writer), painter_(painter), pageCount_(pageCount), width_(writer.width()) {}

  int Page() const { return page_; }
  const Fonts& Font() const { return fonts_; }

  void Space(double points) { y_ += points * kPoint; }

  // Text in `font`, wrapped to the width.
  void Text(const QFont& font, const QString& text) {
    const double height = Measure(font, width_, text, Qt::TextWordWrap);
    Need(height);
    Draw(font, QRectF(0, y_, width_, height), Qt::TextWordWrap, text);
    y_ += height;
  }

  // A section heading; it starts a new page when less than `keep` points would follow it.
  void Heading(const QFont& font, const QString& text, double keep = 80) {
    if (y_ > 0) Space(8);
    Need(Measure(font, width_, text, 0) + keep * kPoint);
    Text(font, text);
    Space(3);
  }

  // A box in the worst case's colours holding `lines` (font and text each).
  void WorstBox(const std::vector<std::pair<QFont, QString>>& lines) {
    const double pad = 6 * kPoint;
    double height = 2 * pad;
    for (const auto& [font, text] : lines)
      height += Measure(font, width_ - 2 * pad - 4 * kPoint, text, Qt::TextWordWrap);
    Need(height);
    if (painter_) {
      painter_->fillRect(QRectF(0, y_, width_, height), kWorstFill);
      painter_->fillRect(QRectF(0, y_, 4 * kPoint, height), kWorstMark);
    }
    double at = y_ + pad;
    for (const auto& [font, text] : lines) {
      const double lineHeight =
          Measure(font, width_ - 2 * pad - 4 * kPoint, text, Qt::TextWordWrap);
      Draw(font, QRectF(pad + 4 * kPoint, at, width_ - 2 * pad - 4 * kPoint, lineHeight),
           Qt::TextWordWrap, text);
      at += lineHeight;
    }
    y_ += height;
  }

  // A table; its heading row, unless all headings are empty, is repeated on every page it runs
  // over.
  void Table(const std::vector<Column>& columns, const std::vector<Row>& rows) {
    const Fonts& f = fonts_;
    const double pad = 2.5 * kPoint;
    std::vector<double> lefts, widths;
    double shares = 0;
    for (const Column& column : columns) shares += column.share;
    double left = 0;
    for (const Column& column : columns) {
      lefts.push_back(left);
      widths.push_back(width_ * column.share / shares);
      left += widths.back();
    }
    const auto rowHeight = [&](const QStringList& cells, const QFont& font) {
      double height = 0;
      for (size_t c = 0; c < columns.size(); ++c) {
        height =
            std::max(height, Measure(font, widths[c] - 2 * pad,
                                     cells.value(static_cast<qsizetype>(c)), columns[c].flags));
      }
      return height + 2 * pad;
    };
    const auto drawCells = [&](const QStringList& cells, const QFont& font, double height) {
      for (size_t c = 0; c < columns.size(); ++c) {
        Draw(font, QRectF(lefts[c] + pad, y_ + pad, widths[c] - 2 * pad, height - 2 * pad),
             columns[c].flags, cells.value(static_cast<qsizetype>(c)));
      }
    };
    QStringList headings;
    for (const Column& column : columns) headings << column.heading;
    const bool headed = !headings.join(QString()).isEmpty();
    const double headHeight = headed ? rowHeight(headings, f.bold) : 0;
    const auto head = [&] {
      if (!headed) return;
      if (painter_) painter_->fillRect(QRectF(0, y_, width_, headHeight), kHeadFill);
      drawCells(headings, f.bold, headHeight);
      y_ += headHeight;
    };
    std::vector<double> heights;
    double total = headHeight;
    for (const Row& row : rows) {
      heights.push_back(rowHeight(row.cells, row.worst ? f.bold : f.body) +
                        (row.below.isEmpty() ? 0 : Measure(f.fixed, width_, row.below, 0) + pad));
      total += heights.back();
    }
    // A table that fits on a page is not split.
    Need(total <= Bottom() || rows.empty() ? total : headHeight + heights.front());
    head();
    for (size_t r = 0; r < rows.size(); ++r) {
      const Row& row = rows[r];
      const QFont& font = row.worst ? f.bold : f.body;
      const double cellsHeight = rowHeight(row.cells, font);
      const double belowHeight = heights[r] - cellsHeight;
      if (Need(heights[r])) head();
      if (painter_) {
        if (row.worst) {
          painter_->fillRect(QRectF(0, y_, width_, cellsHeight + belowHeight), kWorstFill);
          painter_->fillRect(QRectF(0, y_, 2 * kPoint, cellsHeight + belowHeight), kWorstMark);
        }
        painter_->setPen(QPen(Qt::lightGray, 0.5 * kPoint));
        painter_->drawLine(QPointF(0, y_ + cellsHeight + belowHeight),
                           QPointF(width_, y_ + cellsHeight + belowHeight));
      }
      drawCells(row.cells, font, cellsHeight);
      if (!row.below.isEmpty()) {
        Draw(f.fixed, QRectF(pad, y_ + cellsHeight - pad, width_ - 2 * pad, belowHeight), 0,
             row.below);
      }
      y_ += cellsHeight + belowHeight;
    }
  }

  // The chart of `compound`, drawn by its widget into the page as lines and text.
  void Chart(const CompoundResults& compound) {
    const std::unique_ptr<QChartView> view(LeachingChart(compound));
    view->setFrameShape(QFrame::NoFrame);
    const QSize size(std::max(view->minimumWidth(), 760), 300);
    const double height = width_ * size.height() / size.width();
    Need(height);
    if (painter_) {
      view->resize(size);
      painter_->save();
      painter_->translate(0, y_);
      painter_->scale(width_ / size.width(), width_ / size.width());
      view->QWidget::render(painter_, QPoint(), QRegion(), QWidget::DrawChildren);
      painter_->restore();
    }
    y_ += height;
  }

  // Starts a part of the file, on a page of its own, whose pages carry `footer` (its lines
  // above each other, the page number beside the last).
  void Part(const QString& footer) {
    if (y_ > 0) NewPage();
    footer_ = footer;
  }

  // Ends the last page.
  void Finish() { Footer(); }

  void NewPage() {
    Footer();
    if (painter_) writer_.newPage();
    ++page_;
    y_ = 0;
  }

 private:
  // Starts a new page when `height` does not fit on this one; whether it did.
  bool Need(double height) {
    if (y_ + height <= Bottom() || y_ == 0) return false;
    NewPage();
    return true;
  }

  double Measure(const QFont& font, double width, const QString& text, int flags) const {
    const QFontMetricsF metrics(font, &writer_);
    if (text.isEmpty()) return metrics.height();
    return std::max(metrics.height(),
                    metrics.boundingRect(QRectF(0, 0, width, 1e9), flags, text).height());
  }

  void Draw(const QFont& font, const QRectF& box, int flags, const QString& text) {
    if (!painter_) return;
    painter_->setFont(font);
    painter_->setPen(Qt::black);
    painter_->drawText(box, flags, text);
  }

  // The part's footer and the page number at the foot of the page.
  void Footer() {
    if (!painter_) return;
    const double top = FooterTop();
    painter_->setPen(QPen(Qt::gray, 0.5 * kPoint));
    painter_->drawLine(QPointF(0, top - 3 * kPoint), QPointF(width_, top - 3 * kPoint));
    Draw(fonts_.small, QRectF(0, top, width_, writer_.height() - top), Qt::AlignLeft | Qt::AlignTop,
         footer_);
    const double last = writer_.height() - 10 * kPoint;
    Draw(fonts_.small, QRectF(0, last, width_, writer_.height() - last),
         Qt::AlignRight | Qt::AlignTop, QStringLiteral("Page %1 of %2").arg(page_).arg(pageCount_));
  }

  // The top of the footer's first line; the last one's lies 10 points above the page's foot.
  double FooterTop() const {
    return writer_.height() - 10 * kPoint -
           footer_.count(QLatin1Char('\n')) * QFontMetricsF(fonts_.small, &writer_).lineSpacing();
  }

  // The foot of the page's text.
  double Bottom() const { return FooterTop() - 6 * kPoint; }

  QPdfWriter& writer_;
  QPainter* painter_;
  const int pageCount_;
  QString footer_;
  const Fonts fonts_;
  const double width_;
  int page_ = 1;
  double y_ = 0;
};

// What the dossier of a run is made of: the run's audit record, as written and as read, and its
// results; and the names under which the record and the results as CSV are attached.
struct Dossier {
  QByteArray recordJson;
  AuditRecord record;
  const ReportData& data;
  QString modelInputSha256;
  QString scenario;  // the run's scenario in a run plan; empty for a run of its own
  QString recordName, csvName;
};

// The row of a file the run used: what it was, its name or path, size and modification time,
// and its hash below.
Row FileRow(const RecordedFile& file) {
  if (!file.unreadable.isEmpty()) {
    return {{file.role, file.name.isEmpty() ? file.path : file.name, QString(), QString()},
            QStringLiteral("could not be read for the record: %1").arg(file.unreadable)};
  }
  return {{file.role, file.name.isEmpty() ? QDir::toNativeSeparators(file.path) : file.name,
           QString::number(file.size), Utc(file.modified)},
          QStringLiteral("SHA-256 %1").arg(file.sha256)};
}

// The method: the schedule of the candidates, their ranking and the selection.
QString ScheduleText(const AuditRecord& record) {
  if (record.option == QLatin1String("Monthly")) {
    return QStringLiteral(
        "Schedule (option Monthly): twelve candidates, one per month. Application id m moves the "
        "scenario of the model input's table Applications through the year so that it begins on "
        "the 15th of month m; each candidate is a copy of the model input with the table's rows "
        "rewritten, and the model runs once on each.");
  }
  return QStringLiteral(
             "Schedule (option UserDefined): a candidate every %1 days from day %2 to day %3. "
             "Application id k moves the scenario of the model input's table Applications so "
             "that it begins on day %2 + (k - 1) x %1, for as long as the moved scenario ends no "
             "later than day %3; each candidate is a copy of the model input with the table's "
             "rows rewritten, and the model runs once on each.")
      .arg(record.interval, record.firstDay, record.lastDay);
}

// The footer of a run's pages; a scenario's name goes on a line of its own, as the hash leaves
// no room beside it.
QString RunFooter(const Dossier& dossier) {
  const QString run = QStringLiteral("Run %1   Model input SHA-256 %2")
                          .arg(dossier.data.baseName, dossier.modelInputSha256);
  return dossier.scenario.isEmpty() ? run
                                    : QStringLiteral("Scenario %1\n%2").arg(dossier.scenario, run);
}

// The sections of a run's dossier, from the top of a page.
void ComposeRun(Pages& pages, const Dossier& dossier) {
  const AuditRecord& record = dossier.record;
  const ReportData& data = dossier.data;
  const Fonts& f = pages.Font();
  pages.Part(RunFooter(dossier));

  // Title block.
  const QString title = QStringLiteral("TARN dossier of the run %1").arg(record.runId);
  pages.Text(f.title, dossier.scenario.isEmpty()
                          ? title
                          : QStringLiteral("%1 (scenario %2)").arg(title, dossier.scenario));
  pages.Space(2);
  pages.Text(f.body,
             QStringLiteral("TARN (Tool for Application-date Ranking and Nomination) version %1, "
                            "driver TARN_DoduVovuv version %2, front end TARN_SB version %3")
                 .arg(record.productVersion, record.driverVersion, record.frontEndVersion));
  pages.Space(4);
  pages.Table({{QString(), 1}, {QString(), 4, Qt::AlignLeft | Qt::TextWrapAnywhere}},
              {{{QStringLiteral("Run id"), record.runId}},
               {{QStringLiteral("Started"), Utc(record.started) + QStringLiteral(" UTC")}},
               {{QStringLiteral("Ended"), Utc(record.ended) + QStringLiteral(" UTC")}},
               {{QStringLiteral("Run folder"), QDir::toNativeSeparators(record.outputFolder)}}});

  // The answer, where a reader looks first.
  pages.Heading(f.heading, QStringLiteral("Worst case per compound"));
  std::vector<std::pair<QFont, QString>> worstLines;
  for (const RecordedWorstCase& worst : record.worstCases) {
    if (!worstLines.empty()) worstLines.emplace_back(f.small, QString());
    worstLines.emplace_back(f.large,
                            QStringLiteral("%1: %2 ug/L").arg(worst.compound, worst.concentration));
    worstLines.emplace_back(f.subheading,
                            QStringLiteral("application id %1, first application day %2")
                                .arg(worst.applicationId)
                                .arg(worst.firstApplicationDay));
  }
  worstLines.emplace_back(f.small, QString());
  worstLines.emplace_back(f.small, QStringLiteral("The highest leaching concentration of the "
                                                  "compound among all candidates, as the report's "
                                                  "leaching section states it."));
  pages.WorstBox(worstLines);

  // What was run.
  pages.Heading(f.heading, QStringLiteral("What was run"));
  std::vector<Row> files;
  for (const RecordedFile& file : record.inputs) files.push_back(FileRow(file));
  pages.Table({{QStringLiteral("Role"), 1.3},
               {QStringLiteral("File"), 3.6, Qt::AlignLeft | Qt::TextWrapAnywhere},
               {QStringLiteral("Size (bytes)"), 1.1, Qt::AlignRight},
               {QStringLiteral("Modified (UTC)"), 1.9}},
              files);
  pages.Space(4);
  pages.Text(f.small,
             QStringLiteral("The model input and its companions as copied into the run folder, "
                            "the programs by their paths; hashed before the driver started."));
  pages.Space(6);
  const bool monthly = record.option == QLatin1String("Monthly");
  const QString unused = monthly ? QStringLiteral(" (not used by Monthly)") : QString();
  pages.Text(f.subheading, QStringLiteral("Control settings"));
  pages.Space(2);
  pages.Table({{QString(), 2}, {QString(), 3}},
              {{{QStringLiteral("Option"), record.option}},
               {{QStringLiteral("Interval between application ids"),
                 QStringLiteral("%1 days%2").arg(record.interval, unused)}},
               {{QStringLiteral("First possible day of application"), record.firstDay + unused}},
               {{QStringLiteral("Last possible day of application"), record.lastDay + unused}},
               {{QStringLiteral("Model runs at once"), QString::number(record.parallelRuns)}},
               {{QStringLiteral("Model launcher"),
                 record.launcher.isEmpty() ? QStringLiteral("none: the driver runs the model")
                                           : QDir::toNativeSeparators(record.launcher)}}});

  // What came out, from the top of a page.
  pages.NewPage();
  pages.Heading(f.heading, QStringLiteral("What came out"));
  pages.Text(f.subheading, QStringLiteral("Collected results"));
  pages.Space(2);
  pages.Text(f.small,
             QStringLiteral("Leaching concentration (ug/L) per application id and compound, as "
                            "the report's table of collected results writes it; the first "
                            "application day is the first row of the table Applications in the "
                            "id's model input."));
  pages.Space(3);
  // Wide compound lists go into several tables of a few compounds each.
  constexpr size_t kCompoundsPerTable = 4;
  for (size_t from = 0; from < data.compounds.size(); from += kCompoundsPerTable) {
    const size_t to = std::min(data.compounds.size(), from + kCompoundsPerTable);
    std::vector<Column> columns = {{QStringLiteral("Application id"), 1.2, Qt::AlignRight},
                                   {QStringLiteral("First application"), 1.4}};
    for (size_t k = from; k < to; ++k)
      columns.push_back({data.compounds[k].name, 1.6, Qt::AlignRight});
    std::vector<Row> rows;
    for (size_t a = 0; a < data.compounds.front().results.size(); ++a) {
      const ApplicationResult& first = data.compounds[from].results[a];
      Row row{{QString::number(first.appId), first.firstDate}};
      for (size_t k = from; k < to; ++k) row.cells << data.compounds[k].results[a].concText;
      rows.push_back(row);
    }
    pages.Table(columns, rows);
    pages.Space(6);
  }

  for (size_t k = 0; k < data.compounds.size(); ++k) {
    const CompoundResults& compound = data.compounds[k];
    const RecordedWorstCase& worst = record.worstCases[k];
    pages.Heading(f.subheading, QStringLiteral("Compound %1").arg(compound.name), 260);
    pages.WorstBox({{f.bold, QStringLiteral("Worst case: %1 ug/L, application id %2, first "
                                            "application day %3")
                                 .arg(worst.concentration)
                                 .arg(worst.applicationId)
                                 .arg(worst.firstApplicationDay)}});
    pages.Space(4);
    pages.Chart(compound);
    pages.Space(4);
    std::vector<const ApplicationResult*> ranked;
    for (const ApplicationResult& result : compound.results) ranked.push_back(&result);
    std::sort(ranked.begin(), ranked.end(),
              [](const auto* a, const auto* b) { return a->rank < b->rank; });
    std::vector<Row> rows;
    for (const ApplicationResult* result : ranked) {
      const RankedFields fields = RankedFieldsOf(compound.name, *result);
      rows.push_back({{QString::number(result->rank), fields.percentile,
                       QString::number(result->appId), result->firstDate, fields.concentration},
                      QString(),
                      result->worstCase});
    }
    pages.Table({{QStringLiteral("Rank"), 0.8, Qt::AlignRight},
                 {QStringLiteral("Percentile"), 1.1, Qt::AlignRight},
                 {QStringLiteral("Application id"), 1.3, Qt::AlignRight},
                 {QStringLiteral("First application"), 1.5, Qt::AlignRight},
                 {QStringLiteral("Leaching concentration (ug/L)"), 2.4, Qt::AlignRight}},
                rows);
  }

  // How.
  pages.Heading(f.heading, QStringLiteral("How the worst case was found"), 120);
  for (const QString& paragraph :
       {ScheduleText(record),
        QStringLiteral(
            "Ranking: per compound, the leaching concentrations of all candidates are ordered "
            "from the lowest to the highest; candidates with equal concentrations keep the "
            "order in which the driver ranks them. The i-th of N ranked candidates (i from 1) has "
            "the Hazen percentile (i - 0.5) / N x 100."),
        QStringLiteral(
            "Worst case: the candidate with the highest leaching concentration, rank N; its "
            "concentration, application id and first application day are the report's leaching "
            "section."),
        QStringLiteral("Evidence: the run's audit record (%1) and its results as CSV (%2) are "
                       "attached to this file. TARN_SB --verify <record> checks that the archived "
                       "files are still the ones the record names.")
            .arg(dossier.recordName, dossier.csvName)}) {
    pages.Text(f.body, paragraph);
    pages.Space(5);
  }
}

// The record of the run of `settings` in its output folder, checked to be the one of `data`; a
// reason when it is not.
std::optional<QString> LoadRecord(const RunSettings& settings, const ReportData& data,
                                  Dossier& dossier) {
  const QString path = AuditRecordPath(settings.outputPath);
  QString why;
  const std::optional<QByteArray> json = ReadRegularFile(path, why);
  std::optional<AuditRecord> record;
  if (json) record = ParseAuditRecord(*json, why);
  if (record) {
    bool agrees = record->runId == data.baseName &&
                  record->outcome == AuditRecord::Outcome::kSucceeded &&
                  record->worstCases.size() == data.compounds.size();
    for (size_t k = 0; agrees && k < data.compounds.size(); ++k) {
      const ApplicationResult& worst = data.compounds[k].WorstCase();
      const RecordedWorstCase& recorded = record->worstCases[k];
      agrees = recorded.compound == data.compounds[k].name &&
               recorded.applicationId == worst.appId &&
               recorded.firstApplicationDay == worst.firstDate;
    }
    if (!agrees) why = QStringLiteral("it does not tell of a run that gave these results");
    for (const RecordedFile& file : record->inputs) {
      if (file.role == QLatin1String("model input")) dossier.modelInputSha256 = file.sha256;
    }
    if (agrees) {
      dossier.recordJson = *json;
      dossier.record = *record;
      return std::nullopt;
    }
  }
  return QStringLiteral("the output folder's audit record %1 cannot be used: %2")
      .arg(QDir::toNativeSeparators(path), why);
}

// A file attached to a PDF file.
struct Attachment {
  QString name;
  QByteArray content;
  QString mimeType;
};

[[noreturn]] void Fail(const QString& path, const QString& reason) {
  throw std::runtime_error(QStringLiteral("Unable to write the PDF file %1: %2")
                               .arg(QDir::toNativeSeparators(path), reason)
                               .toStdString());
}

// The dossier of a run whose record was read from its output folder; throws when it cannot be.
Dossier LoadDossier(const QString& path, const RunSettings& settings, const ReportData& data,
                    const QString& scenario, const QString& attachedAs) {
  Dossier dossier{{},
                  {},
                  data,
                  {},
                  scenario,
                  attachedAs + QStringLiteral("_record.json"),
                  attachedAs + QStringLiteral(".csv")};
  if (const std::optional<QString> problem = LoadRecord(settings, data, dossier))
    Fail(path, *problem);
  return dossier;
}

// The attachments of a run's dossier: its audit record and its results as CSV.
std::vector<Attachment> RunAttachments(const Dossier& dossier) {
  return {{dossier.recordName, dossier.recordJson, QStringLiteral("application/json")},
          {dossier.csvName, ReportCsv(dossier.data), QStringLiteral("text/csv")}};
}

// Writes the A4 PDF file `path` titled `title` with `attachments`, its pages set by `compose`,
// replacing the file only once it is complete.
void WritePdf(const QString& path, const QString& title, const std::vector<Attachment>& attachments,
              const std::function<void(Pages&)>& compose) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) Fail(path, file.errorString());
  {
    QPdfWriter writer(&file);
    writer.setResolution(kResolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(18, 15, 18, 10), QPageLayout::Millimeter));
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("TARN_SB %1").arg(QLatin1String(cFrontEndVersion)));
    for (const Attachment& attachment : attachments)
      writer.addFileAttachment(attachment.name, attachment.content, attachment.mimeType);
    Pages counted(writer, nullptr, 0);
    compose(counted);
    counted.Finish();
    QPainter painter;
    if (!painter.begin(&writer)) Fail(path, file.errorString());
    Pages painted(writer, &painter, counted.Page());
    compose(painted);
    painted.Finish();
    painter.end();
  }
  if (!file.commit()) Fail(path, file.errorString());
}

// The first part of a plan's dossier: the plan, and its summary table.
void ComposePlanSummary(Pages& pages, const PlanDossier& plan, const QString& written,
                        const QString& summaryName) {
  const Fonts& f = pages.Font();
  const QString planName = QFileInfo(plan.planFile).fileName();
  pages.Part(QStringLiteral("Run plan %1").arg(planName));
  pages.Text(f.title, QStringLiteral("TARN run plan %1").arg(planName));
  pages.Space(2);
  pages.Text(f.body,
             QStringLiteral("TARN (Tool for Application-date Ranking and Nomination) version %1, "
                            "front end TARN_SB version %2")
                 .arg(QLatin1String(cProductVersion), QLatin1String(cFrontEndVersion)));
  pages.Space(4);
  qsizetype scenarios = 0;
  QString previous;
  for (const QStringList& row : plan.summary) {
    if (row.value(0) != previous) ++scenarios;
    previous = row.value(0);
  }
  pages.Table({{QString(), 1}, {QString(), 4, Qt::AlignLeft | Qt::TextWrapAnywhere}},
              {{{QStringLiteral("Run plan"), QDir::toNativeSeparators(plan.planFile)}},
               {{QStringLiteral("Output folder"), QDir::toNativeSeparators(plan.outputFolder)}},
               {{QStringLiteral("Scenarios"),
                 QStringLiteral("%1, of which %2 succeeded").arg(scenarios).arg(plan.runs.size())}},
               {{QStringLiteral("Written"), written + QStringLiteral(" UTC")}}});

  pages.Heading(f.heading, QStringLiteral("Worst case per scenario and compound"));
  std::vector<Row> rows;
  for (const QStringList& row : plan.summary) rows.push_back({row});
  pages.Table({{QStringLiteral("Scenario"), 1.3, Qt::AlignLeft | Qt::TextWrapAnywhere},
               {QStringLiteral("Compound"), 1.4, Qt::AlignLeft | Qt::TextWrapAnywhere},
               {QStringLiteral("Worst case (ug/L)"), 1.3, Qt::AlignRight | Qt::TextWordWrap},
               {QStringLiteral("Application id"), 1.3, Qt::AlignRight | Qt::TextWordWrap},
               {QStringLiteral("First application"), 1.3, Qt::AlignRight | Qt::TextWordWrap},
               {QStringLiteral("Day of year"), 0.9, Qt::AlignRight | Qt::TextWordWrap},
               {QStringLiteral("Outcome"), 1.9}},
              rows);
  pages.Space(4);
  for (const QString& paragraph :
       {QStringLiteral("The concentration as a plain decimal of the report's four digits, as the "
                       "summary's CSV writes it. The dossier of each successful scenario follows, "
                       "in the order of the plan; a scenario that did not succeed has its outcome "
                       "here and no dossier."),
        QStringLiteral("Evidence: the summary as CSV (%1) and, of each successful scenario, its "
                       "audit record (<scenario>_record.json) and its results as CSV "
                       "(<scenario>.csv) are attached to this file.")
            .arg(summaryName)}) {
    pages.Text(f.small, paragraph);
    pages.Space(3);
  }
}

}  // namespace

void WriteDossierPdf(const QString& path, const RunSettings& settings, const ReportData& data) {
  const Dossier dossier = LoadDossier(path, settings, data, QString(), data.baseName);
  WritePdf(path, QStringLiteral("TARN dossier of the run %1").arg(data.baseName),
           RunAttachments(dossier), [&](Pages& pages) { ComposeRun(pages, dossier); });
}

void WritePlanDossierPdf(const QString& path, const PlanDossier& plan) {
  std::vector<Dossier> dossiers;
  for (const PlanDossierRun& run : plan.runs)
    dossiers.push_back(LoadDossier(path, run.settings, run.data, run.scenario, run.scenario));
  const QString summaryName =
      QFileInfo(plan.planFile).completeBaseName() + QStringLiteral("-summary.csv");
  std::vector<Attachment> attachments = {
      {summaryName, plan.summaryCsv, QStringLiteral("text/csv")}};
  for (const Dossier& dossier : dossiers) {
    for (Attachment& attachment : RunAttachments(dossier))
      attachments.push_back(std::move(attachment));
  }
  const QString written = Utc(QDateTime::currentDateTimeUtc());
  WritePdf(path, QStringLiteral("TARN run plan %1").arg(QFileInfo(plan.planFile).fileName()),
           attachments, [&](Pages& pages) {
             ComposePlanSummary(pages, plan, written, summaryName);
             for (const Dossier& dossier : dossiers) ComposeRun(pages, dossier);
           });
}

}  // namespace tarn::frontend
