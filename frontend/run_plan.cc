#include "frontend/run_plan.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <iterator>

#include "frontend/report_reader.h"
#include "frontend/run_conditions.h"

namespace tarn::frontend {
namespace {

// A column of the plan and the setting it gives; a path is read relative to the plan's folder.
struct PlanColumn {
  const char* name;
  QString RunSettings::*setting;
  bool path;
};
const PlanColumn kColumns[] = {
    {"name", nullptr, false},
    {"input", &RunSettings::tolvaFile, true},
    {"option", &RunSettings::option, false},
    {"interval", &RunSettings::interval, false},
    {"first_day", &RunSettings::firstDay, false},
    {"last_day", &RunSettings::lastDay, false},
    {"model", &RunSettings::modelFile, true},
    {"launcher", &RunSettings::launcherFile, true},
};
// The columns every plan has: the scenario's name and its model input.
constexpr int kRequiredColumns = 2;

// The records of a CSV text: fields split at commas outside double quotes, a doubled quote
// inside quotes one quote, records ended by LF or CR LF (also inside quotes, where they belong
// to the field). Unquoted fields lose their surrounding blanks.
std::vector<QStringList> CsvRecords(QString text) {
  if (text.startsWith(QChar(0xfeff))) text.remove(0, 1);
  std::vector<QStringList> records;
  QStringList record;
  QString field;
  bool quoted = false, wasQuoted = false;
  const auto endField = [&] {
    record << (wasQuoted ? field : field.trimmed());
    field.clear();
    wasQuoted = false;
  };
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (quoted) {
      if (c != QLatin1Char('"'))
        field += c;
      else if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"'))
        field += text[++i];
      else
        quoted = false;
    } else if (c == QLatin1Char('"')) {
      quoted = wasQuoted = true;
    } else if (c == QLatin1Char(',')) {
      endField();
    } else if (c == QLatin1Char('\n')) {
      if (field.endsWith(QLatin1Char('\r'))) field.chop(1);
      endField();
      records.push_back(record);
      record.clear();
    } else {
      field += c;
    }
  }
  if (!field.isEmpty() || !record.isEmpty()) {
    endField();
    records.push_back(record);
  }
  return records;
}

// The plan column that a condition of Calculate is about; nothing for one about the whole plan
// (the driver).
const char* ColumnOf(const UnmetCondition& unmet, const RunSettings& settings) {
  if (unmet.path.isEmpty()) {
    const auto column =
        std::find_if(std::begin(kColumns), std::end(kColumns),
                     [&](const PlanColumn& c) { return c.setting == unmet.setting; });
    return column == std::end(kColumns) ? nullptr : column->name;
  }
  if (unmet.path == settings.outputPath) return "name";
  for (const PlanColumn& column : kColumns)
    if (column.setting && unmet.path == settings.*column.setting) return column.name;
  return nullptr;
}

}  // namespace

std::vector<PlanScenario> ReadRunPlan(const QString& path, const QString& outputFolder,
                                      const RunSettings& defaults, QStringList& problems) {
  const QString planName = QDir::toNativeSeparators(path);
  const auto problem = [&](int row, const char* column, const QString& text) {
    problems << QStringLiteral("%1, row %2, column %3: %4")
                    .arg(planName)
                    .arg(row)
                    .arg(QLatin1String(column), text);
  };
  QString reason;
  const std::optional<QByteArray> bytes = ReadRegularFile(path, reason);
  if (!bytes) {
    problems << QStringLiteral("Unable to read the run plan %1: %2").arg(planName, reason);
    return {};
  }
  if (!QFileInfo(outputFolder).isDir()) {
    problems << QStringLiteral("The output folder does not exist: %1")
                    .arg(QDir::toNativeSeparators(outputFolder));
  }
  const std::vector<QStringList> records = CsvRecords(QString::fromUtf8(*bytes));
  const QStringList header = records.empty() ? QStringList() : records.front();
  // The place of each column in a record; -1 for one the plan leaves out.
  std::vector<qsizetype> at;
  for (const PlanColumn& column : kColumns)
    at.push_back(header.indexOf(QLatin1String(column.name)));
  for (int c = 0; c < kRequiredColumns; ++c)
    if (at[c] < 0) problem(1, kColumns[c].name, QStringLiteral("the column is missing"));
  for (const QString& name : header) {
    if (std::none_of(std::begin(kColumns), std::end(kColumns),
                     [&](const PlanColumn& c) { return name == QLatin1String(c.name); }))
      problems << QStringLiteral("%1, row 1: unknown column \"%2\"").arg(planName, name);
  }
  if (!problems.isEmpty()) return {};

  const QDir planFolder = QFileInfo(path).absoluteDir();
  static const QRegularExpression plainName(QStringLiteral("^[A-Za-z0-9_]+$"));
  std::vector<PlanScenario> scenarios;
  QSet<QString> planWide;
  QHash<QString, int> rowOfName;
  for (size_t r = 1; r < records.size(); ++r) {
    const QStringList& record = records[r];
    const int row = static_cast<int>(r) + 1;
    if (record.join(QString()).isEmpty()) continue;  // a blank line
    if (record.size() > header.size()) {
      problems << QStringLiteral("%1, row %2: more cells than the header has columns")
                      .arg(planName)
                      .arg(row);
      continue;
    }
    PlanScenario scenario;
    scenario.row = row;
    scenario.name = record.value(at[0]);
    scenario.settings = defaults;
    for (size_t c = 1; c < std::size(kColumns); ++c) {
      const QString cell = at[c] < 0 ? QString() : record.value(at[c]);
      if (cell.isEmpty()) continue;
      scenario.settings.*kColumns[c].setting =
          kColumns[c].path ? planFolder.absoluteFilePath(cell) : cell;
    }
    if (!plainName.match(scenario.name).hasMatch()) {
      problem(
          row, "name",
          QStringLiteral("the name must be letters, digits and _, not: \"%1\"").arg(scenario.name));
      continue;
    }
    if (const auto other = rowOfName.constFind(scenario.name.toLower());
        other != rowOfName.constEnd()) {
      problem(row, "name",
              QStringLiteral("the name %1 is already the name of row %2")
                  .arg(scenario.name)
                  .arg(*other));
      continue;
    }
    rowOfName.insert(scenario.name.toLower(), row);
    scenario.settings.outputPath = QDir(outputFolder).absoluteFilePath(scenario.name);
    if (scenario.settings.tolvaFile.isEmpty()) {
      problem(row, "input", QStringLiteral("the model input is missing"));
      continue;
    }
    // A scenario's folder that does not exist yet is made when the scenario runs.
    const bool folderExists = QFileInfo::exists(scenario.settings.outputPath);
    for (const UnmetCondition& unmet : UnmetConditions(scenario.settings)) {
      if (!folderExists && unmet.path == scenario.settings.outputPath) continue;
      if (const char* column = ColumnOf(unmet, scenario.settings)) {
        problem(row, column, ConditionLine(unmet));
      } else if (!planWide.contains(unmet.text)) {
        planWide.insert(unmet.text);
        problems << ConditionLine(unmet);
      }
    }
    scenario.modelRuns =
        ScheduledAppIds(scenario.settings, scenario.settings.tolvaFile).value_or(0);
    scenarios.push_back(scenario);
  }
  if (scenarios.empty() && problems.isEmpty())
    problems << QStringLiteral("%1: the plan holds no scenario").arg(planName);
  return scenarios;
}

}  // namespace tarn::frontend
