#include "frontend/batch_mode.h"

#include <QEventLoop>
#include <QFileInfo>
#include <algorithm>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>

#include "driver/public/control_file.h"
#include "frontend/audit_record.h"
#include "frontend/calculation.h"
#include "frontend/command_line.h"
#include "frontend/export_target.h"
#include "frontend/platform.h"
#include "frontend/report_data.h"
#include "frontend/run_conditions.h"
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

// The console stream of a run: the driver's lines, and the live run log (unless left out), one
// line each as it happens; on a terminal the log is one progress line that rewrites itself
// instead, cleared before a line of the driver and drawn again after it.
class RunConsole {
 public:
  RunConsole(std::ostream& console, bool isTerminal, bool withLog)
      : console_(console), terminal_(isTerminal), withLog_(withLog) {}

  void DriverLine(const QString& line) {
    const QString progress = progress_;
    Draw(QString());
    WriteLine(console_, line);
    Draw(progress);
  }

  void Logged(const QString& line) {
    if (!withLog_ || terminal_) return;
    WriteLine(console_, line);
    console_.flush();
  }

  void Progress(const QString& text) {
    if (withLog_ && terminal_) Draw(text);
  }

  // Leaves the line of the progress empty for what follows the run.
  void End() { Draw(QString()); }

 private:
  // Replaces the progress line shown by `text`, cut to the width of a narrow terminal.
  void Draw(const QString& text) {
    if (progress_.isEmpty() && text.isEmpty()) return;
    const QString shown = text.left(kTerminalWidth - 1);
    const qsizetype blanks = std::max<qsizetype>(0, progress_.size() - shown.size());
    console_ << '\r' << shown.toLocal8Bit().constData() << std::string(blanks, ' ')
             << (shown.isEmpty() ? "\r" : "") << std::flush;
    progress_ = shown;
  }

  static constexpr qsizetype kTerminalWidth = 80;
  std::ostream& console_;
  const bool terminal_;
  const bool withLog_;
  QString progress_;  // the progress line shown now
};

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
  try {
    WriteReportCsv(path, *report.data);
  } catch (const std::runtime_error& error) {
    WriteLine(err, QString::fromUtf8(error.what()));
    return kBatchExportNotWritten;
  }
  return kBatchSucceeded;
}

// Copies the audit record of the run of `settings` to `path`. False, with the reason on `err`,
// when it cannot be read or written.
bool CopyRecord(const RunSettings& settings, const QString& path, std::ostream& err) {
  try {
    CopyAuditRecord(settings, path);
  } catch (const std::runtime_error& error) {
    WriteLine(err, QString::fromUtf8(error.what()));
    return false;
  }
  return true;
}

}  // namespace

bool IsBatchCommandLine(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], kBatchSwitch) == 0) return true;
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
        !parser.isSet(line.record) || CopyRecord(settings, parser.value(line.record), err);
    if (outcome->kind != RunOutcome::Kind::kSucceeded) {
      for (const QString& message : outcome->message) WriteLine(err, message);
      return kBatchRunFailed;
    }
    for (const QString& reportLine : outcome->report.sections) WriteLine(out, reportLine);
    out.flush();
    const int csvStatus = parser.isSet(line.csv)
                              ? ExportCsv(parser.value(line.csv), outcome->report.data, err)
                              : kBatchSucceeded;
    return recordCopied ? csvStatus : kBatchExportNotWritten;
  } catch (const std::exception& error) {
    WriteLine(err, QString::fromUtf8(error.what()));
    return kBatchNotStarted;
  }
}

}  // namespace tarn::frontend
