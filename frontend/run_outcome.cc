#include "frontend/run_outcome.h"

#include <QFile>
#include <QFileInfo>

#include "frontend/report_reader.h"

namespace tarn::frontend {
namespace {

// The message lines of the error file at `path`: those below its header (whose lines begin
// with "*") that hold more than blanks, without surrounding blanks.
QStringList MessageLines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QStringList lines;
  for (const QString& line : TextLines(file.readAll()))
    if (!line.trimmed().isEmpty() && !line.startsWith(QLatin1Char('*'))) lines << line.trimmed();
  return lines;
}

bool SuccessMarkerPresent(const RunSettings& settings) {
  return QFileInfo(WithSeparator(settings.outputPath) + QLatin1String(kSuccessMarker)).isFile();
}

}  // namespace

bool SucceededRunReport(const RunSettings& settings) {
  return SuccessMarkerPresent(settings) && QFileInfo(SummaryReportPath(settings)).isFile();
}

RunOutcome JudgeOutcome(const RunSettings& settings, int exitCode, bool stopRequested,
                        const QStringList& lastConsoleLines) {
  if (stopRequested) return {RunOutcome::Kind::kStopped, {QLatin1String(cRunStopped)}};
  if (exitCode == 0 && SuccessMarkerPresent(settings)) return {RunOutcome::Kind::kSucceeded, {}};
  const QString out = WithSeparator(settings.outputPath);

  const QString runId = RunBaseName(settings.tolvaFile);
  QStringList message;
  message << (exitCode == 0 ? QStringLiteral("Unable to complete the run %1: the driver ended "
                                             "without %2.")
                                  .arg(runId, QLatin1String(kSuccessMarker))
                            : QStringLiteral("Unable to complete the run %1: the driver ended "
                                             "with exit code %2.")
                                  .arg(runId)
                                  .arg(exitCode));
  const QString errorFile = runId + QStringLiteral(".err");
  if (const QStringList errorLines = MessageLines(out + errorFile); !errorLines.isEmpty()) {
    message << QStringLiteral("The error file %1 says:").arg(errorFile) << errorLines;
  } else if (!lastConsoleLines.isEmpty()) {
    message << QStringLiteral("Its last console lines:")
            << lastConsoleLines.mid(
                   qMax<qsizetype>(0, lastConsoleLines.size() - cConsoleLinesShown));
  }
  return {RunOutcome::Kind::kFailed, message};
}

}  // namespace tarn::frontend
