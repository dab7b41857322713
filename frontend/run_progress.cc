#include "frontend/run_progress.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include "driver/public/app_id.h"
#include "driver/public/run_files.h"
#include "driver/public/schedule_plan.h"
#include "frontend/run_conditions.h"

namespace tarn::frontend {

std::optional<ExpectedModelRuns> ExpectModelRuns(const RunSettings& settings) {
  if (settings.option == QLatin1String(kMonthly))
    return ExpectedModelRuns{
        PlanSchedule(ControlSettings{.optApp = Schedule::kMonthly}, {}).KeptCount(), true};
  if (settings.option != QLatin1String(kUserDefined)) return std::nullopt;
  const std::optional<DayValues> days = AcceptedDays(settings);
  if (!days) return std::nullopt;
  // Planned for a scenario of one application, which the spread of more applications can only
  // shorten.
  return ExpectedModelRuns{PlanSchedule(UserDefinedSchedule(*days), {}).KeptCount(), false};
}

int CountFinishedModelRuns(const RunSettings& settings) {
  const std::string runId = QFile::encodeName(RunBaseName(settings.tolvaFile)).toStdString();
  int count = 0;
  const QStringList names =
      QDir(settings.outputPath).entryList(QDir::Files | QDir::Hidden, QDir::Unsorted);
  for (const QString& name : names)
    if (AppIdFileExtension(QFile::encodeName(name).toStdString(), runId) == kAppIdSummary.name)
      ++count;
  return count;
}

QString ProgressText(int finished, std::optional<ExpectedModelRuns> expected) {
  const QString done = QStringLiteral("Model runs finished: %1").arg(finished);
  if (!expected) return done;
  return done + (expected->exact ? QStringLiteral(" of %1") : QStringLiteral(" of at most %1"))
                    .arg(expected->count);
}

namespace {

// A duration as m:ss, or h:mm:ss from one hour on.
QString Duration(qint64 milliseconds) {
  const qint64 seconds = milliseconds / 1000;
  const auto twoDigits = [](qint64 n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
  };
  if (seconds < 3600) return QStringLiteral("%1:%2").arg(seconds / 60).arg(twoDigits(seconds % 60));
  return QStringLiteral("%1:%2:%3")
      .arg(seconds / 3600)
      .arg(twoDigits(seconds / 60 % 60), twoDigits(seconds % 60));
}

}  // namespace

QString TimeText(qint64 elapsed, int finished, std::optional<ExpectedModelRuns> expected) {
  const QString text = QStringLiteral("Elapsed %1").arg(Duration(elapsed));
  if (finished < 1 || !expected || finished >= expected->count) return text;
  const qint64 remaining = elapsed / finished * (expected->count - finished);
  return text + (expected->exact ? QStringLiteral(", about %1 remaining")
                                 : QStringLiteral(", at most about %1 remaining"))
                    .arg(Duration(remaining));
}

QString EndText(const RunOutcome& outcome, qint64 elapsed, int finished,
                std::optional<ExpectedModelRuns> expected) {
  switch (outcome.kind) {
    case RunOutcome::Kind::kSucceeded:
      return (finished == 1 ? QStringLiteral("Finished: %1 model run in %2")
                            : QStringLiteral("Finished: %1 model runs in %2"))
          .arg(finished)
          .arg(Duration(elapsed));
    case RunOutcome::Kind::kStopped:
      if (!expected) return QStringLiteral("Stopped after %1 model runs").arg(finished);
      return (expected->exact ? QStringLiteral("Stopped after %1 of %2 model runs")
                              : QStringLiteral("Stopped after %1 of at most %2 model runs"))
          .arg(finished)
          .arg(expected->count);
    case RunOutcome::Kind::kFailed:
      break;
  }
  const QStringList& lines = outcome.errorLines.isEmpty() ? outcome.message : outcome.errorLines;
  const QString first = lines.value(0).trimmed();
  static const QRegularExpression namedId(QStringLiteral("\\bapplication id\\s+([0-9]+)"),
                                          QRegularExpression::CaseInsensitiveOption);
  for (const QString& line : lines) {
    if (const QRegularExpressionMatch id = namedId.match(line); id.hasMatch())
      return QStringLiteral("Failed at application id %1: %2").arg(id.captured(1), first);
  }
  return QStringLiteral("Failed: %1").arg(first);
}

}  // namespace tarn::frontend
