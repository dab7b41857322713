#include "frontend/run_log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "driver/public/app_id.h"
#include "driver/public/calendar.h"
#include "driver/public/model_run_names.h"
#include "driver/public/number_format.h"
#include "driver/public/report_layout.h"
#include "driver/public/run_file_reader.h"
#include "frontend/run_conditions.h"

namespace tarn::frontend {

// The driver's reading of the run's files, and what the log takes of it.
struct RunLog::Reader {
  explicit Reader(const QString& modelInput) : files(Native(modelInput)) {}

  static std::string Native(const QString& path) { return QFile::encodeName(path).toStdString(); }

  // The first application date of the model input `path` when it is there in full, as the
  // driver writes its rows (a date cut short by a write still going on is none).
  std::optional<QString> FirstDate(const QString& path) {
    const std::optional<std::string> date = files.FirstAppDate(Native(path));
    if (!date || !DayInYear(*date)) return std::nullopt;
    return QString::fromStdString(*date);
  }

  // The concentrations of the summary `path` when the driver would take them for a result.
  std::optional<std::vector<double>> Concentrations(const QString& path) {
    std::optional<std::vector<double>> concentrations = files.Concentrations(Native(path));
    if (!concentrations) return std::nullopt;
    // A model that produced no number has failed.
    for (const double concentration : *concentrations)
      if (!std::isfinite(concentration)) return std::nullopt;
    return concentrations;
  }

  RunFileReader files;
};

RunLog::RunLog(const RunSettings& settings)
    : folder_(WithSeparator(settings.outputPath)),
      runId_(RunBaseName(settings.tolvaFile)),
      parallel_(settings.parallelRuns > 1),
      keptAppIds_(ScheduledAppIds(settings, folder_ + QFileInfo(settings.tolvaFile).fileName())
                      .value_or(0)),
      reader_(std::make_unique<Reader>(folder_ + QFileInfo(settings.tolvaFile).fileName())),
      report_(SummaryReportPath(settings)) {}

RunLog::~RunLog() = default;

QString RunLog::PathOf(int appId, const RunFile& file) const {
  return folder_ + QString::fromStdString(AppIdFileName(runId_.toStdString(), appId, file.name));
}

bool RunLog::InputWritten(int appId) const { return QFileInfo::exists(PathOf(appId, kAppIdInput)); }

bool RunLog::RunFolderExists(int appId) const {
  return QFileInfo(folder_ + QString::fromStdString(RunFolderName(runId_.toStdString(), appId)))
      .isDir();
}

QString RunLog::StartLine(int appId, bool settled) {
  const std::optional<QString> date = reader_->FirstDate(PathOf(appId, kAppIdInput));
  // Only a model input that the driver has finished writing gives no date.
  if (!date && !settled) return QString();
  unfinished_.append(appId);
  if (!date) return QStringLiteral("Application id %1 started").arg(appId);
  return QStringLiteral("Application id %1 started, first application on %2").arg(appId).arg(*date);
}

QString RunLog::FinishLine(int appId, bool stopped) {
  unfinished_.removeOne(appId);
  const auto concentrations = reader_->Concentrations(PathOf(appId, kAppIdSummary));
  // The driver deletes the summary of a model run that failed or was stopped.
  if (!concentrations) {
    return (stopped ? QStringLiteral("Application id %1 stopped")
                    : QStringLiteral("Application id %1 failed"))
        .arg(appId);
  }
  QStringList values;
  for (size_t k = 0; k < concentrations->size(); ++k) {
    // As the report's table of collected results shows the value.
    values << QStringLiteral("%1 %2 ug/L")
                  .arg(QString::fromStdString(ShownCompoundName(reader_->files.Compounds()->at(k))),
                       QString::fromStdString(fmt::G((*concentrations)[k], 12, 4)).trimmed());
  }
  return QStringLiteral("Application id %1 finished: %2")
      .arg(appId)
      .arg(values.join(QStringLiteral(", ")));
}

QStringList RunLog::Look() {
  if (ended_) return {};
  if (ResultsReported()) return LookAtEnd(/*stopped=*/false);
  return LookAtFolder();
}

bool RunLog::ResultsReported() {
  const QFileInfo info(report_);
  if (!info.isFile() || info.size() == reportSize_) return false;
  reportSize_ = info.size();
  QFile file(report_);
  if (!file.open(QIODevice::ReadOnly)) return false;
  while (!file.atEnd())
    if (StartsAsResultTableHeading(file.readLine().toStdString())) return true;
  return false;
}

QStringList RunLog::LookAtFolder() {
  QStringList lines;
  if (parallel_) {
    // The whole schedule is written before the first run: an id has started once its run's own
    // folder exists, or it has already left its summary. Whether a run failed the driver judges
    // only once all have ended, so their results wait for the end.
    running_.clear();
    for (int appId = 1; appId <= keptAppIds_; ++appId) {
      const bool inItsFolder = RunFolderExists(appId);
      if (inItsFolder) running_.append(appId);
      if (unfinished_.contains(appId) ||
          !(inItsFolder || QFileInfo::exists(PathOf(appId, kAppIdSummary)))) {
        continue;
      }
      lines << StartLine(appId, /*settled=*/true);
    }
    return lines;
  }
  // One run at a time: the driver writes the next id's input only once the previous run has
  // ended and a failed run's summary is deleted.
  for (const int appId : QList<int>(unfinished_))
    if (InputWritten(appId + 1)) lines << FinishLine(appId, /*stopped=*/false);
  for (; nextStart_ <= keptAppIds_ && InputWritten(nextStart_); ++nextStart_) {
    const bool settled = InputWritten(nextStart_ + 1);
    const QString line = StartLine(nextStart_, settled);
    if (line.isEmpty()) break;
    lines << line;
    if (settled) lines << FinishLine(nextStart_, /*stopped=*/false);
  }
  running_ = unfinished_;
  return lines;
}

QStringList RunLog::LookAtEnd(bool stopped) {
  if (ended_) return {};
  ended_ = true;
  QStringList lines = LookAtFolder();
  // A model input that is there now is there in full.
  for (; !parallel_ && nextStart_ <= keptAppIds_ && InputWritten(nextStart_); ++nextStart_)
    lines << StartLine(nextStart_, /*settled=*/true);
  QList<int> unfinished = unfinished_;
  std::sort(unfinished.begin(), unfinished.end());
  for (const int appId : unfinished) lines << FinishLine(appId, stopped);
  running_.clear();
  return lines;
}

QString RunningText(const QList<int>& appIds) {
  if (appIds.isEmpty()) return QString();
  if (appIds.size() == 1) return QStringLiteral("Running application id %1").arg(appIds.front());
  QStringList ids;
  for (const int appId : appIds) ids << QString::number(appId);
  return QStringLiteral("Running application ids %1").arg(ids.join(QStringLiteral(", ")));
}

}  // namespace tarn::frontend
