#include "frontend/calculation.h"

#include <QRegularExpression>

#include "frontend/execute_external.h"
#include "frontend/platform.h"

namespace tarn::frontend {

std::optional<int> WholeNumberIn(const QString& text, int minimum, int maximum) {
  static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
  bool ok = false;
  const int value = text.toInt(&ok);
  if (!digits.match(text).hasMatch() || !ok || value < minimum || value > maximum)
    return std::nullopt;
  return value;
}

bool DayFieldsAccepted(const RunSettings& settings) {
  if (settings.option != QLatin1String(kUserDefined)) return true;
  return WholeNumberIn(settings.interval, 1, 150) && WholeNumberIn(settings.firstDay, 0, 365) &&
         WholeNumberIn(settings.lastDay, 0, 365);
}

std::optional<int> RunCalculation(const RunSettings& settings, Messages& messages) {
  if (!CreateInpFile(settings, messages)) return std::nullopt;
  WriteBatchFile(settings);
  return ExecuteAndWait(BatchCommandLine(BatchFilePath(settings)), settings.outputPath, 2);
}

}  // namespace tarn::frontend
