// The live run log: what the output folder tells, while the driver runs, of each application id's
// model run. The driver writes nothing per model run, so the log reads the files it leaves: an id
// has started once its model input <RunId>_<AppId>.tol is written (with several runs at once,
// once its run's own folder exists), and has finished once its summary <RunId>_<AppId>.sum is
// complete, which the driver tells only by going on (writing the next id's input), by writing the
// results into its report (every model run has then ended) or by ending.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "driver/public/run_files.h"
#include "frontend/run_preparation.h"

namespace tarn::frontend {

class RunLog {
 public:
  // The log of the run of `settings`, its output folder prepared: the model input's copy there
  // gives the schedule's number of ids and the compounds.
  explicit RunLog(const RunSettings& settings);
  ~RunLog();
  RunLog(const RunLog&) = delete;
  RunLog& operator=(const RunLog&) = delete;

  // Looks at the output folder again: the lines of what happened since the last look, in order.
  // Once the driver has written the results into its report, this is the last look that gives
  // any: every model run has then finished.
  QStringList Look();
  // The last look, once the driver has ended or begun its error end (`stopped`: on the user's
  // request): every model run that started has then finished. Later looks give nothing.
  QStringList LookAtEnd(bool stopped);
  // The ids whose model run went on at the last look, lowest first.
  QList<int> Running() const { return running_; }

 private:
  struct Reader;

  QStringList LookAtFolder();
  // Whether the driver's report holds the results, read again only when its size has changed.
  bool ResultsReported();
  bool InputWritten(int appId) const;
  bool RunFolderExists(int appId) const;
  QString StartLine(int appId, bool settled);
  // The line of a finished id: its concentrations, else what became of it.
  QString FinishLine(int appId, bool stopped);
  // The path of an id's file in the output folder.
  QString PathOf(int appId, const RunFile& file) const;

  const QString folder_;
  const QString runId_;
  const bool parallel_;
  // The ids the schedule keeps: the driver writes the input of the next id as well and deletes
  // it at once, when the user-defined schedule has ended.
  const int keptAppIds_;
  std::unique_ptr<Reader> reader_;
  // One run at a time: the next id to start.
  int nextStart_ = 1;
  // Started, and not yet known to have finished (with several runs at once, until the end).
  QList<int> unfinished_;
  QList<int> running_;
  const QString report_;
  qint64 reportSize_ = -1;
  bool ended_ = false;
};

// The line of the run panel that names the ids whose model run goes on; empty for none.
QString RunningText(const QList<int>& appIds);

}  // namespace tarn::frontend
