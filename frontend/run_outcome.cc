#include "frontend/run_outcome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <string>
#include <vector>

#include "driver/public/report_layout.h"
#include "driver/public/run_file_reader.h"
#include "driver/public/run_files.h"
#include "frontend/platform.h"
#include "frontend/report_reader.h"

namespace tarn::frontend {
namespace {

// The message lines of the error file at `path`: those below its header (whose lines begin
// with "*") that hold more than blanks, without surrounding blanks.
QStringList MessageLines(const QString& path) {
  QString reason;
  const std::optional<QByteArray> text = ReadRegularFile(path, reason);
  if (!text) return {};
  QStringList lines;
  for (const QString& line : TextLines(*text))
    if (!line.trimmed().isEmpty() && !line.startsWith(QLatin1Char('*'))) lines << line.trimmed();
  return lines;
}

// Whether anything, a dangling link included, bears the name `path`.
bool NameTaken(const QString& path) {
  const QFileInfo file(path);
  return file.exists() || file.isSymLink();
}

// The compound names of the table compounds of the model input `path`, read as the driver reads
// them; nothing, with `why` set, when they cannot be.
std::optional<std::vector<std::string>> CompoundNames(const QString& path, QString& why) {
  QString reason;
  if (!ReadRegularFile(path, reason)) {
    why = QStringLiteral("the model input's copy %1 is not usable: %2.")
              .arg(QDir::toNativeSeparators(path), reason);
    return std::nullopt;
  }
  if (auto compounds = RunFileReader(QFile::encodeName(path).toStdString()).Compounds())
    return compounds;
  why = QStringLiteral("the compounds of the model input's copy %1 cannot be read.")
            .arg(QDir::toNativeSeparators(path));
  return std::nullopt;
}

}  // namespace

std::optional<QStringList> SucceededRunReport(const RunSettings& settings, QString* why) {
  QString reason;
  const QString out = WithSeparator(settings.outputPath);
  const QString runId = RunBaseName(settings.tolvaFile);
  const QString summary = SummaryReportPath(settings);
  const auto fail = [&](const QString& text) -> std::optional<QStringList> {
    if (why) *why = text;
    return std::nullopt;
  };
  // The user is told what happened, not which file told it.
  if (NameTaken(out + QString::fromStdString(RunFileName(kErrorFile, runId.toStdString()))))
    return fail(QStringLiteral("the driver ended with an error."));
  if (!QFileInfo(out + QString::fromStdString(RunFileName(kSuccessMarker, {}))).isFile())
    return fail(QStringLiteral("the driver ended before the run was complete."));
  const QString busyMarker = QString::fromStdString(RunFileName(kBusyMarker, runId.toStdString()));
  if (NameTaken(out + busyMarker)) {
    return fail(QStringLiteral("the driver ended before the run was complete (its busy marker %1 "
                               "is still there).")
                    .arg(busyMarker));
  }

  const std::optional<QByteArray> text = ReadRegularFile(summary, reason);
  if (!text) {
    return fail(QStringLiteral("its summary report %1 is not usable: %2.")
                    .arg(QDir::toNativeSeparators(summary), reason));
  }
  const QStringList lines = TextLines(*text);
  const qsizetype start = lines.indexOf(QLatin1String(prLEACHstart));
  const qsizetype end = lines.indexOf(QLatin1String(prLEACHend), start + 1);
  if (start < 0 || end < 0) {
    return fail(QStringLiteral("its summary report %1 has no complete leaching section.")
                    .arg(QDir::toNativeSeparators(summary)));
  }
  QString compoundsWhy;
  const auto compounds =
      CompoundNames(out + QFileInfo(settings.tolvaFile).fileName(), compoundsWhy);
  if (!compounds) return fail(compoundsWhy);
  qsizetype at = start;
  for (const std::string& compound : *compounds) {
    // The line that opens the compound's part of the section, as the driver writes it.
    const QString opening = QString::fromStdString(LeachingLines(compound, 0, 0, "")[1]);
    at = lines.indexOf(opening, at + 1);
    if (at < 0 || at > end) {
      return fail(QStringLiteral("its summary report %1 has no leaching result for the compound "
                                 "%2.")
                      .arg(QDir::toNativeSeparators(summary), QString::fromStdString(compound)));
    }
  }
  return ExtractReportSections(lines);
}

RunOutcome JudgeOutcome(const RunSettings& settings, int exitCode, bool stopRequested,
                        const QStringList& lastConsoleLines) {
  if (stopRequested) return {RunOutcome::Kind::kStopped, {QLatin1String(cRunStopped)}};
  const QString out = WithSeparator(settings.outputPath);
  const QString runId = RunBaseName(settings.tolvaFile);
  QString why;
  if (exitCode == 0) {
    if (auto sections = SucceededRunReport(settings, &why)) {
      return {RunOutcome::Kind::kSucceeded,
              {},
              {*std::move(sections), LoadReportData(settings.outputPath, runId)}};
    }
  } else {
    why = QStringLiteral("the driver stopped unexpectedly (exit code %1).").arg(exitCode);
  }

  QStringList message;
  message << QStringLiteral("Unable to complete the run %1: %2").arg(runId, why);
  const QString errorFile = QString::fromStdString(RunFileName(kErrorFile, runId.toStdString()));
  const QStringList errorLines = MessageLines(out + errorFile);
  if (!errorLines.isEmpty()) {
    message << QStringLiteral("The error file %1 says:").arg(errorFile) << errorLines;
  } else if (!lastConsoleLines.isEmpty()) {
    message << QStringLiteral("Its last console lines:")
            << lastConsoleLines.mid(
                   qMax<qsizetype>(0, lastConsoleLines.size() - cConsoleLinesShown));
  }
  return {RunOutcome::Kind::kFailed, message, {}, errorLines};
}

}  // namespace tarn::frontend
