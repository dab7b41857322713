#include "frontend/run_conditions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <variant>

#include "driver/public/run_argument.h"
#include "driver/public/run_files.h"
#include "driver/public/schedule_plan.h"
#include "frontend/platform.h"
#include "frontend/report_reader.h"

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
// told when its value lies outside (%1 and %2 the ends of the range).
struct DayField {
  QString RunSettings::*value;
  ValueRange range;
  const char* text;
};
const DayField kDayFields[] = {
    {&RunSettings::interval, kIntervalRange, "Interval must be %1 to %2 days"},
    {&RunSettings::firstDay, kDayRange, "First day must be %1 to %2"},
    {&RunSettings::lastDay, kDayRange, "Last day must be %1 to %2"},
};

std::optional<int> FieldValue(const RunSettings& settings, const DayField& field) {
  return WholeNumberIn(settings.*field.value, field.range.minimum, field.range.maximum);
}

// What the user is told when the field's value lies outside its range.
QString OutOfRangeText(const DayField& field) {
  return QString::fromLatin1(field.text).arg(field.range.minimum).arg(field.range.maximum);
}

// The driver's own verdict on the model input's file name as its argument: nothing when it
// takes the name as the run's name, else the lines it would refuse it with.
std::optional<QString> RunNameRefusal(const QString& fileName) {
  const auto parsed = ParseRunArgument(fileName.toStdString(), QDir::currentPath().toStdString());
  if (const auto* refusal = std::get_if<RunArgumentRefusal>(&parsed)) {
    QStringList lines;
    for (const std::string& line : refusal->lines) {
      const QString trimmed = QString::fromStdString(line).trimmed();
      if (!trimmed.isEmpty() && trimmed != QLatin1String("*")) lines << trimmed;
    }
    return lines.join(QStringLiteral(". "));
  }
  const QString runId = QString::fromStdString(std::get<RunArgument>(parsed).runId);
  // The driver also takes a bare name, and would then look for a <name>.tol that is not there.
  const QString extension = QLatin1String(kModelInput.name);
  if (!fileName.endsWith(extension))
    return QStringLiteral("Its extension must be %1").arg(extension);
  if (runId != RunBaseName(fileName))
    return QStringLiteral("The driver would take %1 as the run's name").arg(runId);
  return std::nullopt;
}

// Whether the driver reads `text` back as one word: not empty, without blanks.
bool IsOneWord(const QString& text) {
  return !text.isEmpty() &&
         std::none_of(text.begin(), text.end(), [](QChar c) { return c.isSpace(); });
}

// The driver's plan of the user-defined schedule of `days` for the model input `tolvaFile`;
// nothing when the driver could not read its table (it then names the fault itself).
std::optional<ScenarioPlan> UserDefinedPlan(const QString& tolvaFile, const DayValues& days) {
  return ReadScenarioPlan(QFile::encodeName(tolvaFile).toStdString(), UserDefinedSchedule(days));
}

// The unmet condition of the user-defined schedule of the readable model input `tolvaFile`, if
// any: the first day after the last, or a schedule of no application id.
std::optional<UnmetCondition> ScheduleUnmet(const QString& tolvaFile, const DayValues& days) {
  if (days.firstDay > days.lastDay)
    return UnmetCondition{QStringLiteral("First day must not lie after the last day"), QString(),
                          &RunSettings::firstDay};
  const std::optional<ScenarioPlan> scenario = UserDefinedPlan(tolvaFile, days);
  if (!scenario || scenario->plan.KeptCount() > 0) return std::nullopt;
  return UnmetCondition{
      QStringLiteral("The schedule has no application id: the model input's applications span "
                     "%1 days, more than the %2 days from the first to the last day")
          .arg(scenario->scenarioSpan)
          .arg(days.lastDay - days.firstDay),
      tolvaFile};
}

}  // namespace

std::optional<int> ScheduledAppIds(const RunSettings& settings, const QString& tolvaFile) {
  if (settings.option == QLatin1String(kMonthly)) {
    ControlSettings monthly;
    monthly.optApp = Schedule::kMonthly;
    return PlanSchedule(monthly, {}).KeptCount();
  }
  const std::optional<DayValues> days = AcceptedDays(settings);
  if (settings.option != QLatin1String(kUserDefined) || !days) return std::nullopt;
  const std::optional<ScenarioPlan> scenario = UserDefinedPlan(tolvaFile, *days);
  if (!scenario) return std::nullopt;
  return scenario->plan.KeptCount();
}

std::optional<DayValues> AcceptedDays(const RunSettings& settings) {
  const std::optional<int> interval = FieldValue(settings, kDayFields[0]);
  const std::optional<int> firstDay = FieldValue(settings, kDayFields[1]);
  const std::optional<int> lastDay = FieldValue(settings, kDayFields[2]);
  if (!interval || !firstDay || !lastDay) return std::nullopt;
  return DayValues{*firstDay, *lastDay, *interval};
}

ControlSettings UserDefinedSchedule(const DayValues& days) {
  ControlSettings settings;
  settings.optApp = Schedule::kUserDefined;
  settings.delTimAppId = days.interval;
  settings.dayInYeaAppFirst = days.firstDay;
  settings.dayInYeaAppLast = days.lastDay;
  return settings;
}

bool DayFieldsAccepted(const RunSettings& settings) {
  return settings.option != QLatin1String(kUserDefined) || AcceptedDays(settings);
}

QList<UnmetCondition> UnmetConditions(const RunSettings& settings) {
  QList<UnmetCondition> unmet;
  const QFileInfo input(settings.tolvaFile);
  QString unreadable;
  const bool inputReadable = ReadRegularFile(settings.tolvaFile, unreadable).has_value();
  if (!input.exists() && !input.isSymLink()) {
    unmet.append({QStringLiteral("The model input file does not exist"), settings.tolvaFile});
  } else if (!inputReadable) {
    unmet.append({QStringLiteral("The model input file cannot be read (%1)").arg(unreadable),
                  settings.tolvaFile});
  }
  if (const auto refusal = RunNameRefusal(input.fileName())) {
    unmet.append(
        {QStringLiteral("The model input file's name cannot be the run's name: %1").arg(*refusal),
         settings.tolvaFile});
  }
  if (!QFileInfo(settings.modelFile).isFile())
    unmet.append({QStringLiteral("The model executable does not exist"), settings.modelFile});
  const bool outputExists = QFileInfo(settings.outputPath).isDir();
  if (!outputExists)
    unmet.append({QStringLiteral("The output folder does not exist"), settings.outputPath});
  if (!QFileInfo(settings.driverFile).isFile())
    unmet.append({QStringLiteral("The driver TARN_DoduVovuv does not exist"), settings.driverFile});
  if (!settings.launcherFile.isEmpty() && !QFileInfo(settings.launcherFile).isFile())
    unmet.append({QStringLiteral("The model launcher does not exist"), settings.launcherFile});
  if (settings.option != QLatin1String(kMonthly) && settings.option != QLatin1String(kUserDefined))
    unmet.append(
        {QStringLiteral("The option must be Monthly or UserDefined, not: %1").arg(settings.option),
         QString(), &RunSettings::option});
  if (settings.option == QLatin1String(kUserDefined)) {
    for (const DayField& field : kDayFields)
      if (!FieldValue(settings, field))
        unmet.append({OutOfRangeText(field), QString(), field.value});
    const std::optional<DayValues> days = AcceptedDays(settings);
    if (days && inputReadable) {
      if (const auto schedule = ScheduleUnmet(settings.tolvaFile, *days)) unmet.append(*schedule);
    }
  }
  if (!IsOneWord(ModelFolderText(settings.modelFile))) {
    unmet.append({QStringLiteral("The folder of the model executable must be one word, without "
                                 "blanks"),
                  settings.modelFile});
  }
  if (!settings.launcherFile.isEmpty() && !IsOneWord(ProgramPathText(settings.launcherFile))) {
    unmet.append({QStringLiteral("The model launcher must be one word, without blanks"),
                  settings.launcherFile});
  }
  if (!outputExists) return unmet;
  // A preparation deletes the files of the output folder: never the input's or a program's.
  const QString outFolder = QFileInfo(WithSeparator(settings.outputPath)).canonicalFilePath();
  const QString inputFolder = input.absoluteDir().canonicalPath();
  if (!inputFolder.isEmpty() && inputFolder == outFolder) {
    unmet.append({QStringLiteral("The output folder is the model input file's folder, whose "
                                 "files would be deleted"),
                  settings.outputPath});
  }
  const std::pair<QString, const char*> programs[] = {
      {settings.modelFile, "The output folder holds the model executable"},
      {settings.driverFile, "The output folder holds the driver"},
      {settings.launcherFile, "The output folder holds the model launcher"}};
  for (const auto& [program, text] : programs)
    if (!program.isEmpty() && LiesIn(program, outFolder))
      unmet.append({QLatin1String(text), program});
  return unmet;
}

QString ConditionLine(const UnmetCondition& unmet) {
  if (unmet.path.isEmpty()) return unmet.text;
  return QStringLiteral("%1: %2").arg(unmet.text, QDir::toNativeSeparators(unmet.path));
}

QString RefusalMessage(const UnmetCondition& unmet) {
  return QStringLiteral("Unable to start the run: %1").arg(ConditionLine(unmet));
}

}  // namespace tarn::frontend
