#include "frontend/report_reader.h"

#include <QFile>
#include <cerrno>
#include <cstdio>

#include "driver/public/files.h"
#include "driver/public/report_layout.h"

namespace tarn::frontend {
namespace {

// One marker pair's part of a line's handling: an end marker closes an open section (the
// line and an empty line are kept), otherwise a start marker opens one.
void FollowMarkers(const QString& line, const char* start, const char* end, bool& bAddToReport,
                   QStringList& report) {
  if (line.contains(QLatin1String(end))) {
    if (bAddToReport) {
      report.append(line);
      report.append(QString());
    }
    bAddToReport = false;
  } else if (line.contains(QLatin1String(start))) {
    bAddToReport = true;
  }
}

}  // namespace

std::optional<QByteArray> ReadRegularFile(const QString& path, QString& reason) {
  int error = 0;
  std::FILE* file = OpenForReading(QFile::encodeName(path).toStdString(), error);
  if (file) {
    QByteArray bytes;
    char buffer[65536];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
      bytes.append(buffer, static_cast<qsizetype>(got));
    const int readError = std::ferror(file) ? (errno ? errno : EIO) : 0;
    std::fclose(file);
    if (readError == 0) return bytes;
    error = readError;
  }
  reason =
      error == kNotARegularFile
          ? QStringLiteral("it is not a regular file")
          : QStringLiteral("it cannot be read (%1)").arg(QString::fromStdString(ReasonFor(error)));
  return std::nullopt;
}

QStringList ExtractReportSections(const QStringList& lines) {
  QStringList report;
  bool bAddToReport = false;
  for (const QString& line : lines) {
    FollowMarkers(line, prREPORTstart, prREPORTend, bAddToReport, report);
    FollowMarkers(line, prLEACHstart, prLEACHend, bAddToReport, report);
    if (bAddToReport) report.append(line);
  }
  return report;
}

QStringList TextLines(const QByteArray& text) {
  QStringList lines = QString::fromLocal8Bit(text).split(QLatin1Char('\n'));
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  for (QString& line : lines)
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
  return lines;
}

std::optional<QStringList> ReadReportSections(const QString& path) {
  QString reason;
  const std::optional<QByteArray> text = ReadRegularFile(path, reason);
  if (!text) return std::nullopt;
  return ExtractReportSections(TextLines(*text));
}

}  // namespace tarn::frontend
