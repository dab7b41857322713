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

namespace {

// A day field of the user-defined schedule, the range the driver accepts and what the user is
// told when its value lies outside.
struct DayField {
  QString RunSettings::*value;
  int minimum;
  int maximum;
  const char* text;
};
const DayField kDayFields[] = {
    {&RunSettings::interval, 1, 150, "Interval must be 1 to 150 days"},
    {&RunSettings::firstDay, 0, 365, "First day must be 0 to 365"},
    {&RunSettings::lastDay, 0, 365, "Last day must be 0 to 365"},
};

std::optional<int> FieldValue(const RunSettings& settings, const DayField& field) {
  return WholeNumberIn(settings.*field.value, field.minimum, field.maximum);
}

}  // namespace

std::optional<DayValues> AcceptedDays(const RunSettings& settings) {
  const std::optional<int> interval = FieldValue(settings, kDayFields[0]);
  const std::optional<int> firstDay = FieldValue(settings, kDayFields[1]);
  const std::optional<int> lastDay = FieldValue(settings, kDayFields[2]);
  if (!interval || !firstDay || !lastDay) return std::nullopt;
  return DayValues{*firstDay, *lastDay, *interval};
}

bool DayFieldsAccepted(const RunSettings& settings) {
  return settings.option != QLatin1String(kUserDefined) || AcceptedDays(settings);
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
  for (const DayField& field : kDayFields)
    if (!FieldValue(settings, field)) unmet.append({QLatin1String(field.text), QString()});
  return unmet;
}

}  // namespace tarn::frontend
