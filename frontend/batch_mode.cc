#include "frontend/batch_mode.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <stdexcept>

#include "frontend/calculation.h"
#include "frontend/platform.h"
#include "frontend/report_data.h"
#include "frontend/report_reader.h"
#include "frontend/run_preparation.h"
#include "frontend/settings_lookup.h"
#include "frontend/tarn_registry.h"

namespace tarn::frontend {
namespace {

constexpr char kBatchSwitch[] = "--batch";

void WriteLine(std::ostream& stream, const QString& line) {
  stream << line.toLocal8Bit().constData() << '\n';
}

// Messages of the headless mode: errors on standard error; the one question, whether to empty
// an output folder that TARN never prepared, is answered by --empty-output.
class BatchMessages : public Messages {
 public:
  BatchMessages(std::ostream& err, bool emptyOutput) : err_(err), emptyOutput_(emptyOutput) {}

  void ShowError(const QString& text) override { WriteLine(err_, text); }

  bool Confirm(const QString& text) override {
    if (emptyOutput_) return true;
    WriteLine(err_, text);
    WriteLine(err_, QStringLiteral("Not confirmed: give --empty-output to empty the folder."));
    return false;
  }

 private:
  std::ostream& err_;
  bool emptyOutput_;
};

// The stored paths, as the dialog would offer them.
RunSettings StoredSettings() {
  struct SingletonForLookup {
    SingletonForLookup() { TTARNRegistry::CreateSingleton(QLatin1String(cRegKeyTarn)); }
    ~SingletonForLookup() { TTARNRegistry::DestroySingleton(); }
  } registry;
  RunSettings settings;
  settings.tolvaFile = LookUpSetting(cRegTolvaFilePath, BuiltInTolvaFile());
  settings.modelFile = LookUpSetting(cRegTolvaModelPath, DefaultModelPath());
  settings.outputPath = LookUpSetting(cRegOutputPath, BuiltInOutputPath());
  return settings;
}

// The reasons the run cannot start, as the dialog's disabled Calculate button tells them.
QStringList InputProblems(const RunSettings& settings) {
  QStringList problems;
  if (settings.option != QLatin1String(kMonthly) && settings.option != QLatin1String(kUserDefined))
    problems << QStringLiteral("The option must be Monthly or UserDefined, not: %1")
                    .arg(settings.option);
  if (!QFileInfo(settings.tolvaFile).isFile())
    problems << QStringLiteral("Model input file not found: %1").arg(settings.tolvaFile);
  if (!QFileInfo(settings.modelFile).isFile())
    problems << QStringLiteral("Model executable not found: %1").arg(settings.modelFile);
  if (!QFileInfo(settings.outputPath).isDir())
    problems << QStringLiteral("Output folder not found: %1").arg(settings.outputPath);
  if (!DayFieldsAccepted(settings))
    problems << QStringLiteral(
        "With UserDefined the interval must be a whole number from 1 to 150, the first and the "
        "last day whole numbers from 0 to 365");
  return problems;
}

// Writes the lines of the file at `path`, when it exists, to `stream`.
void CopyLines(const QString& path, std::ostream& stream) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return;
  for (const QString& line : TextLines(file.readAll())) WriteLine(stream, line);
}

// Writes the results of the finished run in `outFolder` as CSV to `path`.
int ExportCsv(const QString& path, const QString& outFolder, const QString& baseName,
              std::ostream& err) {
  const RunReportData report = LoadReportData(outFolder, baseName);
  if (!report.data) {
    WriteLine(err, QStringLiteral("The CSV file was not written: %1").arg(report.note));
    return kBatchCsvNotWritten;
  }
  try {
    WriteReportCsv(path, *report.data);
  } catch (const std::runtime_error& error) {
    WriteLine(err, QString::fromUtf8(error.what()));
    return kBatchCsvNotWritten;
  }
  return kBatchSucceeded;
}

}  // namespace

bool IsBatchCommandLine(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], kBatchSwitch) == 0) return true;
  return false;
}

int RunBatch(const QStringList& arguments, std::ostream& out, std::ostream& err) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Runs TARN without its window: prepares the output folder, runs the driver and writes the "
      "header and leaching sections of its report to standard output."));
  const QCommandLineOption batch(QStringLiteral("batch"),
                                 QStringLiteral("Run without the window."));
  const QCommandLineOption help(QStringLiteral("help"), QStringLiteral("Show this help."));
  const QCommandLineOption input(QStringLiteral("input"),
                                 QStringLiteral("The model input file (*.tol)."),
                                 QStringLiteral("file"));
  const QCommandLineOption model(QStringLiteral("model"), QStringLiteral("The model executable."),
                                 QStringLiteral("file"));
  const QCommandLineOption output(QStringLiteral("output"), QStringLiteral("The output folder."),
                                  QStringLiteral("folder"));
  const QCommandLineOption option(QStringLiteral("option"),
                                  QStringLiteral("Monthly (the default) or UserDefined."),
                                  QStringLiteral("option"), QLatin1String(kMonthly));
  const QCommandLineOption interval(
      QStringLiteral("interval"),
      QStringLiteral("Days between the starting days of two application ids (default 20)."),
      QStringLiteral("days"), QStringLiteral("20"));
  const QCommandLineOption firstDay(
      QStringLiteral("first-day"),
      QStringLiteral("First possible day-in-year of application (default 80)."),
      QStringLiteral("day"), QStringLiteral("80"));
  const QCommandLineOption lastDay(
      QStringLiteral("last-day"),
      QStringLiteral("Last possible day-in-year of application (default 310)."),
      QStringLiteral("day"), QStringLiteral("310"));
  const QCommandLineOption emptyOutput(
      QStringLiteral("empty-output"),
      QStringLiteral("Empty an output folder that TARN never prepared."));
  const QCommandLineOption parallel(
      QStringLiteral("parallel"),
      QStringLiteral("Model runs at once, 1 to 64, each in its own folder (default 1)."),
      QStringLiteral("runs"), QStringLiteral("1"));
  parser.addOptions(
      {batch, help, input, model, output, option, interval, firstDay, lastDay, emptyOutput});
  parser.addOption(parallel);
  const QCommandLineOption csv(
      QStringLiteral("csv"),
      QStringLiteral("After a successful run, write its results as CSV to this file."),
      QStringLiteral("file"));
  parser.addOption(csv);

  if (!parser.parse(arguments)) {
    WriteLine(err, parser.errorText());
    return kBatchNotStarted;
  }
  if (parser.isSet(help)) {
    WriteLine(out, parser.helpText());
    return kBatchSucceeded;
  }
  if (!parser.positionalArguments().isEmpty()) {
    WriteLine(err,
              QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().front()));
    return kBatchNotStarted;
  }

  try {
    RunSettings settings = StoredSettings();
    // The driver runs in the output folder: paths relative to here would not hold there.
    const auto absolute = [](const QString& path) { return QFileInfo(path).absoluteFilePath(); };
    if (parser.isSet(input)) settings.tolvaFile = absolute(parser.value(input));
    if (parser.isSet(model)) settings.modelFile = absolute(parser.value(model));
    if (parser.isSet(output)) settings.outputPath = absolute(parser.value(output));
    settings.driverFile = DriverPath();
    settings.option = parser.value(option);
    settings.interval = parser.value(interval);
    settings.firstDay = parser.value(firstDay);
    settings.lastDay = parser.value(lastDay);
    const std::optional<int> parallelRuns =
        WholeNumberIn(parser.value(parallel), 1, kMaxParallelRuns);
    settings.parallelRuns = parallelRuns.value_or(1);

    QStringList problems = InputProblems(settings);
    if (!parallelRuns)
      problems << QStringLiteral("Parallel runs must be a whole number from 1 to %1, not: %2")
                      .arg(kMaxParallelRuns)
                      .arg(parser.value(parallel));
    for (const QString& problem : problems) WriteLine(err, problem);
    if (!problems.isEmpty()) return kBatchNotStarted;

    BatchMessages messages(err, parser.isSet(emptyOutput));
    const std::optional<int> result = RunCalculation(settings, messages);
    if (!result) return kBatchNotStarted;
    if (*result == 0) {
      if (const auto report = ReadReportSections(SummaryReportPath(settings)))
        for (const QString& line : *report) WriteLine(out, line);
    } else {
      WriteLine(err, QStringLiteral("The driver ended with exit code %1").arg(*result));
    }
    out.flush();
    const QString outFolder = WithSeparator(settings.outputPath);
    if (*result == 0 && QFileInfo::exists(outFolder + QStringLiteral("tolva.ok"))) {
      if (!parser.isSet(csv)) return kBatchSucceeded;
      return ExportCsv(parser.value(csv), outFolder, RunBaseName(settings.tolvaFile), err);
    }
    WriteLine(err, QStringLiteral("The run did not end with tolva.ok in %1").arg(outFolder));
    CopyLines(outFolder + RunBaseName(settings.tolvaFile) + QStringLiteral(".err"), err);
    return kBatchRunFailed;
  } catch (const std::exception& error) {
    WriteLine(err, QString::fromUtf8(error.what()));
    return kBatchNotStarted;
  }
}

}  // namespace tarn::frontend
