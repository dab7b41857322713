#include "frontend/batch_mode.h"

#include <QEventLoop>
#include <QFileInfo>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "driver/public/control_file.h"
#include "frontend/audit_record.h"
#include "frontend/calculation.h"
#include "frontend/command_line.h"
#include "frontend/dossier_pdf.h"
#include "frontend/export_target.h"
#include "frontend/plan_runner.h"
#include "frontend/platform.h"
#include "frontend/report_data.h"
#include "frontend/run_conditions.h"
#include "frontend/run_console.h"
#include "frontend/run_log.h"
#include "frontend/run_preparation.h"
#include "frontend/run_progress.h"
#include "frontend/settings_lookup.h"
#include "frontend/tarn_registry.h"

namespace tarn::frontend {
namespace {

constexpr char kBatchSwitch[] = "--batch";

// Messages of the headless mode: errors on standard error; the one question, whether to empty
// an output folder that TARN never prepared, is answered by --empty-output.
class BatchMessages : public Messages {
 public:
  BatchMessages(std::ostream& err, bool emptyOutput) : err_(err), emptyOutput_(emptyOutput) {}

  void ShowError(const QString& text) override { WriteLine(err_, text); }

  bool Confirm(const QString& text, Default) override {
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
  settings.launcherFile = LookUpSetting(cRegModelLauncherPath, QString());
  return settings;
}

// The reasons the run cannot start, as the dialog's reason line names them.
QStringList InputProblems(const RunSettings& settings) {
  QStringList problems;
  for (const UnmetCondition& unmet : UnmetConditions(settings)) problems << ConditionLine(unmet);
  return problems;
}

// Runs the calculation of `settings` to its end, serving the event loop meanwhile; an
// interrupt stops the driver. Nothing when the run did not start.
std::optional<RunOutcome> RunToEnd(const RunSettings& settings, Messages& messages,
                                   RunConsole& console) {
  Calculation run(settings, messages);
  QEventLoop loop;
  std::optional<RunOutcome> outcome;
  QObject::connect(&run, &Calculation::LineRead,
                   [&console](const QString& line) { console.DriverLine(line); });
  QObject::connect(&run, &Calculation::Logged,
                   [&console](const QString& line) { console.Logged(line); });
  QObject::connect(&run, &Calculation::Looked, [&] {
    const QString running = RunningText(run.RunningAppIds());
    const QString progress =
        ProgressText(CountFinishedModelRuns(settings), ExpectModelRuns(settings));
    console.Progress(running.isEmpty() ? progress
                                       : QStringLiteral("%1 - %2").arg(progress, running));
  });
  QObject::connect(&run, &Calculation::Ended, [&](const RunOutcome& ended) {
    outcome = ended;
    loop.quit();
  });
  bool interrupted = false;
  const InterruptWatch watch([&] {
    interrupted = true;
    run.Stop();
  });
  if (!run.Start()) return std::nullopt;
  // An interrupt during the preparation stops the driver as soon as it runs.
  if (interrupted) run.Stop();
  if (!outcome) loop.exec();
  console.End();
  return outcome;
}

// Writes the results of the finished run as CSV to `path`.
int ExportCsv(const QString& path, const RunReportData& report, std::ostream& err) {
  if (!report.data) {
    WriteLine(err, QStringLiteral("The CSV file was not written: %1").arg(report.note));
    return kBatchExportNotWritten;
  }
  return WrittenOrSaid([&] { WriteReportCsv(path, *report.data); }, err) ? kBatchSucceeded
                                                                         : kBatchExportNotWritten;
}

// Writes the dossier of the finished run of `settings` to `path`.
int ExportPdf(const QString& path, const RunSettings& settings, const RunReportData& report,
              std::ostream& err) {
  if (!report.data) {
    WriteLine(err, QStringLiteral("The PDF file was not written: %1").arg(report.note));
    return kBatchExportNotWritten;
  }
  return WrittenOrSaid([&] { WriteDossierPdf(path, settings, *report.data); }, err)
             ? kBatchSucceeded
             : kBatchExportNotWritten;
}

}  // namespace

bool IsBatchCommandLine(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], kBatchSwitch) == 0) return true;
  return false;
}

bool BatchDrawsPdf(int argc, char** argv) {
  // As the command line takes it: one dash or two, the value after a blank or an equals sign.
  for (int i = 1; i < argc; ++i) {
    const QString argument = QString::fromLocal8Bit(argv[i]).section(QLatin1Char('='), 0, 0);
    if (argument == QLatin1String("--pdf") || argument == QLatin1String("-pdf")) return true;
  }
  return false;
}

int RunBatch(const QStringList& arguments, std::ostream& out, std::ostream& err,
             std::ostream& console, bool consoleIsTerminal) {
  if (const std::optional<int> status = AnswerCommandLine(arguments, out, err))
    return *status == 0 ? kBatchSucceeded : kBatchNotStarted;
  CommandLine line;
  QCommandLineParser& parser = line.parser;
  parser.parse(arguments);

  try {
    RunSettings settings = StoredSettings();
    // The driver runs in the output folder: paths relative to here would not hold there.
    const auto absolute = [](const QString& path) { return QFileInfo(path).absoluteFilePath(); };
    if (parser.isSet(line.input)) settings.tolvaFile = absolute(parser.value(line.input));
    if (parser.isSet(line.model)) settings.modelFile = absolute(parser.value(line.model));
    if (parser.isSet(line.output)) settings.outputPath = absolute(parser.value(line.output));
    // An empty name sets aside a stored launcher.
    if (parser.isSet(line.launcher)) {
      const QString launcher = parser.value(line.launcher);
      settings.launcherFile = launcher.isEmpty() ? QString() : absolute(launcher);
    }
    settings.driverFile = DriverPath();
    settings.option = parser.value(line.option);
    settings.interval = parser.value(line.interval);
    settings.firstDay = parser.value(line.firstDay);
    settings.lastDay = parser.value(line.lastDay);
    const QString parallel = parser.value(line.parallel);
    const std::optional<int> parallelRuns =
        WholeNumberIn(parallel, kParallelRunsRange.minimum, kParallelRunsRange.maximum);
    settings.parallelRuns = parallelRuns.value_or(kDefaultParallelRuns);
    if (parser.isSet(line.plan))
      return RunPlanBatch(line, settings, out, err, console, consoleIsTerminal);

    QStringList problems = InputProblems(settings);
    if (!parallelRuns)
      problems << QStringLiteral("Parallel runs must be a whole number from %1 to %2, not: %3")
                      .arg(kParallelRunsRange.minimum)
                      .arg(kParallelRunsRange.maximum)
                      .arg(parallel);
    // The CSV file and the record's copy are checked before the run: they must not replace what
    // the run needs.
    if (parser.isSet(line.csv)) {
      if (const auto refusal = ExportRefusal(absolute(parser.value(line.csv)), settings))
        problems << *refusal;
    }
    if (parser.isSet(line.pdf)) {
      if (const auto refusal = ExportRefusal(absolute(parser.value(line.pdf)), settings,
                                             QStringLiteral("the dossier")))
        problems << *refusal;
    }
    if (parser.isSet(line.record)) {
      if (const auto refusal = ExportRefusal(absolute(parser.value(line.record)), settings,
                                             QStringLiteral("the audit record")))
        problems << *refusal;
    }
    for (const QString& problem : problems) WriteLine(err, problem);
    if (!problems.isEmpty()) return kBatchNotStarted;

    BatchMessages messages(err, parser.isSet(line.emptyOutput));
    RunConsole runConsole(console, consoleIsTerminal, !parser.isSet(line.quiet));
    const std::optional<RunOutcome> outcome = RunToEnd(settings, messages, runConsole);
    if (!outcome) return kBatchNotStarted;
    const bool recordCopied =
        !parser.isSet(line.record) ||
        WrittenOrSaid([&] { CopyAuditRecord(settings, parser.value(line.record)); }, err);
    if (outcome->kind != RunOutcome::Kind::kSucceeded) {
      for (const QString& message : outcome->message) WriteLine(err, message);
      return kBatchRunFailed;
    }
    for (const QString& reportLine : outcome->report.sections) WriteLine(out, reportLine);
    out.flush();
    const int csvStatus = parser.isSet(line.csv)
                              ? ExportCsv(parser.value(line.csv), outcome->report.data, err)
                              : kBatchSucceeded;
    const int pdfStatus = parser.isSet(line.pdf) ? ExportPdf(parser.value(line.pdf), settings,
                                                             outcome->report.data, err)
                                                 : kBatchSucceeded;
    return recordCopied && csvStatus == kBatchSucceeded ? pdfStatus : kBatchExportNotWritten;
  } catch (const std::exception& error) {
    WriteLine(err, QString::fromUtf8(error.what()));
    return kBatchNotStarted;
  }
}

}  // namespace tarn::frontend
