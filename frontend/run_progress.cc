#include "frontend/run_progress.h"

#include <QDir>
#include <QRegularExpression>

#include "frontend/calculation.h"

namespace tarn::frontend {

std::optional<ExpectedModelRuns> ExpectModelRuns(const RunSettings& settings) {
  if (settings.option == QLatin1String(kMonthly)) return ExpectedModelRuns{12, true};
  if (settings.option != QLatin1String(kUserDefined) || !DayFieldsAccepted(settings))
    return std::nullopt;
  const int first = *WholeNumberIn(settings.firstDay, 0, 365);
  const int last = *WholeNumberIn(settings.lastDay, 0, 365);
  const int interval = *WholeNumberIn(settings.interval, 1, 150);
  return ExpectedModelRuns{first > last ? 0 : (last - first) / interval + 1, false};
}

int CountFinishedModelRuns(const RunSettings& settings) {
  const QRegularExpression summary(
      QStringLiteral("^%1_[0-9]+\\.sum$")
          .arg(QRegularExpression::escape(RunBaseName(settings.tolvaFile))));
  int count = 0;
  const QStringList names =
      QDir(settings.outputPath).entryList(QDir::Files | QDir::Hidden, QDir::Unsorted);
  for (const QString& name : names)
    if (summary.match(name).hasMatch()) ++count;
  return count;
}

QString ProgressText(int finished, std::optional<ExpectedModelRuns> expected) {
  const QString done = QStringLiteral("Model runs finished: %1").arg(finished);
  if (!expected) return done;
  return done + (expected->exact ? QStringLiteral(" of %1") : QStringLiteral(" of at most %1"))
                    .arg(expected->count);
}

}  // namespace tarn::frontend
