#include "frontend/run_conditions.h"

#include <QFileInfo>
#include <QRegularExpression>

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

QList<UnmetCondition> UnmetConditions(const RunSettings& settings) {
  QList<UnmetCondition> unmet;
  if (!QFileInfo(settings.tolvaFile).isFile())
    unmet.append({QStringLiteral("The model input file does not exist"), settings.tolvaFile});
  if (!QFileInfo(settings.modelFile).isFile())
    unmet.append({QStringLiteral("The model executable does not exist"), settings.modelFile});
  if (!QFileInfo(settings.outputPath).isDir())
    unmet.append({QStringLiteral("The output folder does not exist"), settings.outputPath});
  if (!QFileInfo(settings.driverFile).isFile())
    unmet.append({QStringLiteral("The driver TARN_DoduVovuv does not exist"), settings.driverFile});
  if (!settings.launcherFile.isEmpty() && !QFileInfo(settings.launcherFile).isFile())
    unmet.append({QStringLiteral("The model launcher does not exist"), settings.launcherFile});
  if (settings.option != QLatin1String(kUserDefined)) return unmet;
  const struct {
    const QString& value;
    int minimum;
    int maximum;
    const char* text;
  } days[] = {
      {settings.interval, 1, 150, "Interval must be 1 to 150 days"},
      {settings.firstDay, 0, 365, "First day must be 0 to 365"},
      {settings.lastDay, 0, 365, "Last day must be 0 to 365"},
  };
  for (const auto& day : days)
    if (!WholeNumberIn(day.value, day.minimum, day.maximum))
      unmet.append({QLatin1String(day.text), QString()});
  return unmet;
}

}  // namespace tarn::frontend
