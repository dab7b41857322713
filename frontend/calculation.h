// Calculation: one run from Calculate to its outcome, without the window, shared by the dialog
// and the headless mode. It holds the values captured when the run was asked for, prepares the
// output folder, starts TARN.bat beside the event loop, keeps the live run log while it runs and
// judges the run when it has ended. It keeps the run's audit record in the output folder from
// before the driver starts to the end.
#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <memory>
#include <optional>

#include "frontend/audit_record.h"
#include "frontend/driver_process.h"
#include "frontend/messages.h"
#include "frontend/run_log.h"
#include "frontend/run_outcome.h"
#include "frontend/run_preparation.h"

namespace tarn::frontend {

// How often a run's output folder is looked at for the live run log.
inline constexpr int cRunLogInterval = 500;

class Calculation : public QObject {
  Q_OBJECT

 public:
  // `stopGrace`: how many milliseconds a stopped driver may take before it is killed.
  Calculation(const RunSettings& settings, Messages& messages, int stopGrace = cStopGrace,
              QObject* parent = nullptr);

  // Prepares the output folder, writes TARN.bat and the audit record of the run's start and
  // starts TARN.bat; the output folder stays locked until the run has been judged and its record
  // completed. False, with nothing started and Ended never coming, when the preparation was
  // refused or the batch file could not be started. Throws std::runtime_error when a file
  // cannot be written.
  bool Start();
  // Asks the driver to stop (see DriverProcess::Stop); Ended follows once it has ended.
  void Stop();
  bool StopRequested() const { return FDriver.StopRequested(); }
  // The values the run was started with.
  const RunSettings& Settings() const { return FSettings; }
  // The application ids whose model run goes on (see RunLog::Running).
  QList<int> RunningAppIds() const;

 signals:
  // One console line of the driver.
  void LineRead(const QString& line);
  // One line of the live run log, as it happens; the last ones come before Ended.
  void Logged(const QString& line);
  // The output folder was looked at again while the driver runs.
  void Looked();
  // The driver has ended; what the run came to.
  void Ended(const RunOutcome& outcome);

 private:
  // Writes the audit record into the output folder, hidden. Throws std::runtime_error when it
  // cannot be written.
  void WriteRecord();
  // Completes the audit record with `outcome` and writes it; a record that cannot be written is
  // removed, so that none tells of the run as going on, and its message returned.
  std::optional<QString> EndRecord(const RunOutcome& outcome);

  const RunSettings FSettings;
  Messages& FMessages;
  DriverProcess FDriver;
  // The output folder's lock, from the preparation until the run has been judged.
  std::unique_ptr<OutputFolderLock> FFolderLock;
  // The driver's last console lines, for a failure without an error file.
  QStringList FLastLines;
  // The live run log while the driver runs, and what makes it look.
  std::unique_ptr<RunLog> FLog;
  QTimer FLogTimer;
  AuditRecord FRecord;
};

}  // namespace tarn::frontend
