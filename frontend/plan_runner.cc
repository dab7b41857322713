#include "frontend/plan_runner.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>
#include <algorithm>
#include <memory>
#include <stdexcept>

#include "frontend/audit_record.h"
#include "frontend/batch_mode.h"
#include "frontend/calculation.h"
#include "frontend/dossier_pdf.h"
#include "frontend/export_target.h"
#include "frontend/platform.h"
#include "frontend/run_conditions.h"
#include "frontend/run_console.h"
#include "frontend/run_progress.h"

namespace tarn::frontend {
namespace {

constexpr char kOk[] = "ok";

// Messages of one scenario: written to standard error under its name and kept, the first of
// them its outcome when it does not start; the question whether to empty a folder that TARN
// never prepared is answered by --empty-output.
class ScenarioMessages : public Messages {
 public:
  ScenarioMessages(std::ostream& err, const QString& name, bool emptyOutput)
      : err_(err), name_(name), emptyOutput_(emptyOutput) {}

  void ShowError(const QString& text) override {
    lines << text.split(QLatin1Char('\n'));
    WriteLine(err_, QStringLiteral("%1: %2").arg(name_, text));
  }

  bool Confirm(const QString& text, Default) override {
    if (emptyOutput_) return true;
    ShowError(text);
    ShowError(QStringLiteral("Not confirmed: give --empty-output to empty the folder."));
    return false;
  }

  QStringList lines;

 private:
  std::ostream& err_;
  const QString name_;
  const bool emptyOutput_;
};

// The first line of a message, trimmed: a failed scenario's outcome.
QString FirstLine(const QStringList& lines) { return lines.value(0).trimmed(); }

// A scenario's folder that holds files but was never prepared by TARN: without --empty-output
// the plan is refused before anything runs, rather than that scenario alone when its turn comes.
bool HoldsFilesOfOthers(const QString& folder) {
  const QDir dir(folder);
  return dir.exists() && !QFileInfo::exists(dir.filePath(QLatin1String(kOutputMarker))) &&
         !dir.entryList(QDir::Files | QDir::System).isEmpty();
}

// The scenarios of a plan while they run: up to the plan's limit of model runs at once, shared
// through a pool of tokens by as many drivers as keep the pool busy.
class PlanRun {
 public:
  PlanRun(const std::vector<PlanScenario>& scenarios, std::vector<ScenarioResult>& results,
          int jobs, bool emptyOutput, std::ostream& err, RunConsole& console)
      : scenarios_(scenarios),
        results_(results),
        jobs_(jobs),
        emptyOutput_(emptyOutput),
        err_(err),
        console_(console) {}

  // Runs the scenarios marked in `toRun` to their end; false when the plan was interrupted.
  bool Run(const std::vector<bool>& toRun) {
    tokens_ = ModelRunTokens::Create(jobs_);
    for (size_t i = 0; i < scenarios_.size(); ++i) {
      if (!toRun[i]) continue;
      waiting_.push_back(i);
      totalRuns_ += scenarios_[i].modelRuns;
    }
    slots_.resize(scenarios_.size());
    clock_.start();
    // An interrupt stops every driver and starts no other; the plan ends when they have.
    const InterruptWatch watch([this] {
      interrupted_ = true;
      for (Slot& slot : slots_)
        if (slot.run && !slot.ended) slot.run->Stop();
    });
    StartWhileRoom();
    if (running_ > 0) loop_.exec();
    for (size_t i : waiting_) results_[i].outcome = QStringLiteral("not run: the plan was stopped");
    console_.End();
    return !interrupted_;
  }

 private:
  struct Slot {
    std::unique_ptr<ScenarioMessages> messages;
    std::unique_ptr<Calculation> run;
    int parallelRuns = 0;
    int finishedRuns = 0;
    bool ended = false;
  };

  // The model runs at once of one driver: the plan's limit, as far as its schedule and the
  // control file allow.
  int ParallelRuns(const PlanScenario& scenario) const {
    return std::clamp(std::min(jobs_, scenario.modelRuns), kParallelRunsRange.minimum,
                      kParallelRunsRange.maximum);
  }

  // Whether another driver may start: with a pool, while the running drivers could not keep
  // twice the limit busy (so that the pool stays busy while a driver waits for its last run or
  // writes its report); without one, one driver at a time.
  bool Room() const {
    if (running_ == 0) return true;
    if (!tokens_) return false;
    int busy = 0;
    for (const Slot& slot : slots_)
      if (slot.run && !slot.ended) busy += slot.parallelRuns;
    return busy < 2 * jobs_;
  }

  void StartWhileRoom() {
    while (!interrupted_ && !waiting_.empty() && Room()) {
      const size_t i = waiting_.front();
      waiting_.erase(waiting_.begin());
      Start(i);
    }
    if (running_ == 0) loop_.quit();
  }

  void Start(size_t i) {
    const PlanScenario& scenario = scenarios_[i];
    Slot& slot = slots_[i];
    slot.messages = std::make_unique<ScenarioMessages>(err_, scenario.name, emptyOutput_);
    RunSettings settings = scenario.settings;
    settings.parallelRuns = slot.parallelRuns = ParallelRuns(scenario);
    try {
      QDir().mkpath(settings.outputPath);
      if (tokens_)
        settings.controlLauncher = tokens_->Launcher(scenario.name, settings.launcherFile);
      slot.run = std::make_unique<Calculation>(settings, *slot.messages);
      Calculation& run = *slot.run;
      QObject::connect(&run, &Calculation::LineRead, [this, &scenario](const QString& line) {
        console_.DriverLine(QStringLiteral("%1: %2").arg(scenario.name, line));
      });
      QObject::connect(&run, &Calculation::Logged, [this, &scenario](const QString& line) {
        console_.Logged(QStringLiteral("%1: %2").arg(scenario.name, line));
      });
      QObject::connect(&run, &Calculation::Looked, [this, &slot, &settings = run.Settings()] {
        slot.finishedRuns = CountFinishedModelRuns(settings);
        ShowProgress();
      });
      QObject::connect(&run, &Calculation::Ended,
                       [this, i](const RunOutcome& outcome) { Ended(i, outcome); });
      // Ended comes from the event loop, and only for a run that started.
      if (run.Start()) {
        ++running_;
        return;
      }
      results_[i].outcome = FirstLine(slot.messages->lines);
    } catch (const std::runtime_error& error) {
      const QString message = QString::fromUtf8(error.what());
      slot.messages->ShowError(message);
      results_[i].outcome = FirstLine({message});
    }
    slot.ended = true;
    Finished(i);
  }

  void Ended(size_t i, const RunOutcome& outcome) {
    Slot& slot = slots_[i];
    slot.ended = true;
    --running_;
    slot.finishedRuns = CountFinishedModelRuns(slot.run->Settings());
    ScenarioResult& result = results_[i];
    if (outcome.kind == RunOutcome::Kind::kSucceeded && outcome.report.data.data) {
      result = {QLatin1String(kOk), outcome.report.data.data};
    } else if (outcome.kind == RunOutcome::Kind::kSucceeded) {
      result.outcome = outcome.report.data.note;
    } else {
      result.outcome =
          FirstLine(outcome.errorLines.isEmpty() ? outcome.message : outcome.errorLines);
      for (const QString& message : outcome.message) slot.messages->ShowError(message);
    }
    Finished(i);
    StartWhileRoom();
  }

  // Tells that scenario `i` has ended.
  void Finished(size_t i) {
    ++finished_;
    if (!console_.IsTerminal()) {
      console_.DriverLine(QStringLiteral("Scenario %1 (%2 of %3): %4")
                              .arg(scenarios_[i].name)
                              .arg(finished_)
                              .arg(Total())
                              .arg(results_[i].outcome));
    }
    ShowProgress();
  }

  int Total() const { return static_cast<int>(finished_ + running_ + waiting_.size()); }

  void ShowProgress() {
    int runs = 0;
    for (const Slot& slot : slots_) runs += slot.finishedRuns;
    const ExpectedModelRuns expected{totalRuns_, true};
    console_.Progress(QStringLiteral("Scenarios finished: %1 of %2 - %3 - %4")
                          .arg(finished_)
                          .arg(Total())
                          .arg(ProgressText(runs, expected))
                          .arg(TimeText(clock_.elapsed(), runs, expected)));
  }

  const std::vector<PlanScenario>& scenarios_;
  std::vector<ScenarioResult>& results_;
  const int jobs_;
  const bool emptyOutput_;
  std::ostream& err_;
  RunConsole& console_;
  std::unique_ptr<ModelRunTokens> tokens_;
  std::vector<Slot> slots_;
  std::vector<size_t> waiting_;
  int running_ = 0;
  int finished_ = 0;
  int totalRuns_ = 0;
  bool interrupted_ = false;
  QElapsedTimer clock_;
  QEventLoop loop_;
};

// The summary table as plain text: its columns padded with blanks, two between two columns.
QStringList SummaryTable(const std::vector<QStringList>& rows) {
  std::vector<qsizetype> widths;
  for (const QStringList& row : rows) {
    widths.resize(std::max<size_t>(widths.size(), row.size()));
    for (qsizetype c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
  }
  QStringList lines;
  for (const QStringList& row : rows) {
    QString line;
    for (qsizetype c = 0; c < row.size(); ++c)
      line += c + 1 < row.size() ? row[c].leftJustified(widths[c] + 2) : row[c];
    lines << line.trimmed();
  }
  return lines;
}

// The refusals of a file the plan writes (`exported` names it: the summary, the dossier): an
// input or program of a scenario, a path in a scenario's folder, the plan itself or the file
// `other` that the plan writes too.
QStringList ExportRefusals(const QString& path, const QString& exported, const QString& plan,
                           const QString& other, const std::vector<PlanScenario>& scenarios) {
  QStringList refusals;
  for (const PlanScenario& scenario : scenarios) {
    if (const auto refusal = ExportRefusal(path, scenario.settings, exported)) {
      refusals << *refusal;
      return refusals;
    }
  }
  const auto refuse = [&](const QString& what) {
    refusals << QStringLiteral("Unable to export %1 to %2: it is %3")
                    .arg(exported, QDir::toNativeSeparators(path), what);
  };
  if (QFileInfo(path).canonicalFilePath() == QFileInfo(plan).canonicalFilePath())
    refuse(QStringLiteral("the run plan"));
  else if (QDir::cleanPath(path) == QDir::cleanPath(other))
    refuse(QStringLiteral("the file of the summary"));
  return refusals;
}

// Writes the plan's dossier to `path`; false, with the reason on `err`, when it cannot.
bool WritePlanPdf(const QString& path, PlanDossier plan, const std::vector<PlanScenario>& scenarios,
                  const std::vector<ScenarioResult>& results, std::ostream& err) {
  for (size_t i = 0; i < scenarios.size(); ++i) {
    if (results[i].data)
      plan.runs.push_back({scenarios[i].name, scenarios[i].settings, *results[i].data});
  }
  return WrittenOrSaid([&] { WritePlanDossierPdf(path, plan); }, err);
}

}  // namespace

std::vector<QStringList> PlanSummaryRows(const std::vector<PlanScenario>& scenarios,
                                         const std::vector<ScenarioResult>& results) {
  std::vector<QStringList> rows = {{QStringLiteral("Scenario"), QStringLiteral("Compound"),
                                    QStringLiteral("Concentration (ug/L)"),
                                    QStringLiteral("ApplicationId"),
                                    QStringLiteral("FirstApplicationDate"),
                                    QStringLiteral("DayOfYear"), QStringLiteral("Outcome")}};
  for (size_t i = 0; i < scenarios.size(); ++i) {
    const ScenarioResult& result = results[i];
    if (!result.data) {
      rows.push_back({scenarios[i].name, {}, {}, {}, {}, {}, result.outcome});
      continue;
    }
    for (const CompoundResults& compound : result.data->compounds) {
      const ApplicationResult& worst = compound.WorstCase();
      rows.push_back({scenarios[i].name, compound.name, PlainDecimal(worst.concText),
                      QString::number(worst.appId), worst.firstDate,
                      QString::number(worst.dayOfYear), result.outcome});
    }
  }
  return rows;
}

QByteArray PlanSummaryCsv(const std::vector<QStringList>& rows) {
  QByteArray csv;
  for (const QStringList& row : rows) {
    QStringList fields;
    for (const QString& field : row) fields << CsvField(field);
    csv += (fields.join(QLatin1Char(',')) + QStringLiteral("\r\n")).toUtf8();
  }
  return csv;
}

int RunPlanBatch(const CommandLine& line, const RunSettings& defaults, std::ostream& out,
                 std::ostream& err, std::ostream& console, bool consoleIsTerminal) {
  const QCommandLineParser& parser = line.parser;
  const auto absolute = [](const QString& path) { return QFileInfo(path).absoluteFilePath(); };
  const QString planPath = absolute(parser.value(line.plan));
  const bool emptyOutput = parser.isSet(line.emptyOutput);
  QStringList problems;
  const std::vector<PlanScenario> scenarios =
      ReadRunPlan(planPath, defaults.outputPath, defaults, problems);
  const int processors = std::max(1, QThread::idealThreadCount());
  const QString jobsText =
      parser.isSet(line.jobs) ? parser.value(line.jobs) : QString::number(processors);
  const std::optional<int> jobs = WholeNumberIn(jobsText, kJobsRange.minimum, kJobsRange.maximum);
  if (!jobs) {
    problems << QStringLiteral(
                    "Model runs at once (--jobs) must be a whole number from %1 to %2, "
                    "not: %3")
                    .arg(kJobsRange.minimum)
                    .arg(kJobsRange.maximum)
                    .arg(jobsText);
  }
  const QString summaryPath =
      parser.isSet(line.summary) ? absolute(parser.value(line.summary)) : QString();
  const QString pdfPath = parser.isSet(line.pdf) ? absolute(parser.value(line.pdf)) : QString();
  if (!summaryPath.isEmpty()) {
    problems << ExportRefusals(summaryPath, QStringLiteral("the summary"), planPath, QString(),
                               scenarios);
  }
  if (!pdfPath.isEmpty()) {
    problems << ExportRefusals(pdfPath, QStringLiteral("the dossier"), planPath, summaryPath,
                               scenarios);
  }
  for (const PlanScenario& scenario : scenarios) {
    if (!emptyOutput && HoldsFilesOfOthers(scenario.settings.outputPath)) {
      problems << QStringLiteral(
                      "%1, row %2, column name: The output folder %3 was not prepared "
                      "by TARN and holds files; give --empty-output to empty it")
                      .arg(QDir::toNativeSeparators(planPath))
                      .arg(scenario.row)
                      .arg(QDir::toNativeSeparators(scenario.settings.outputPath));
    }
  }
  for (const QString& problem : problems) WriteLine(err, problem);
  if (!problems.isEmpty()) return kBatchNotStarted;

  RunConsole runConsole(console, consoleIsTerminal, !parser.isSet(line.quiet));
  std::vector<ScenarioResult> results(scenarios.size());
  // A scenario whose folder still holds its successful run is kept with --resume.
  std::vector<bool> toRun(scenarios.size(), true);
  if (parser.isSet(line.resume)) {
    for (size_t i = 0; i < scenarios.size(); ++i) {
      const RunSettings& settings = scenarios[i].settings;
      std::optional<QString> mismatch = RecordMismatch(settings);
      RunReportData kept;
      if (!mismatch) {
        kept = LoadReportData(settings.outputPath, RunBaseName(settings.tolvaFile));
        if (!kept.data) mismatch = kept.note;
      }
      toRun[i] = mismatch.has_value();
      if (!toRun[i]) results[i] = {QLatin1String(kOk), kept.data};
      runConsole.DriverLine(
          toRun[i]
              ? QStringLiteral("Scenario %1 is run: %2").arg(scenarios[i].name, *mismatch)
              : QStringLiteral("Scenario %1 is kept from its earlier run").arg(scenarios[i].name));
    }
  }

  bool completed = true;
  try {
    PlanRun run(scenarios, results, *jobs, emptyOutput, err, runConsole);
    completed = run.Run(toRun);
  } catch (const std::runtime_error& error) {
    WriteLine(err, QString::fromUtf8(error.what()));
    return kBatchNotStarted;
  }

  const std::vector<QStringList> rows = PlanSummaryRows(scenarios, results);
  for (const QString& tableLine : SummaryTable(rows)) WriteLine(out, tableLine);
  out.flush();
  int failed = 0;
  for (size_t i = 0; i < scenarios.size(); ++i) {
    if (results[i].data) continue;
    ++failed;
    WriteLine(err, QStringLiteral("Scenario %1 (row %2) did not succeed: %3")
                       .arg(scenarios[i].name)
                       .arg(scenarios[i].row)
                       .arg(results[i].outcome));
  }
  int status = failed == 0 && completed ? kBatchSucceeded : kBatchRunFailed;
  if (!summaryPath.isEmpty()) {
    QSaveFile file(summaryPath);
    const QByteArray csv = PlanSummaryCsv(rows);
    if (!file.open(QIODevice::WriteOnly) || file.write(csv) != csv.size() || !file.commit()) {
      WriteLine(err, QStringLiteral("Unable to write the summary %1: %2")
                         .arg(QDir::toNativeSeparators(summaryPath), file.errorString()));
      if (status == kBatchSucceeded) status = kBatchExportNotWritten;
    }
  }
  if (!pdfPath.isEmpty() &&
      !WritePlanPdf(
          pdfPath,
          {planPath, defaults.outputPath, {rows.begin() + 1, rows.end()}, PlanSummaryCsv(rows), {}},
          scenarios, results, err) &&
      status == kBatchSucceeded)
    status = kBatchExportNotWritten;
  return status;
}

}  // namespace tarn::frontend
