// DriverProcess: the batch file, and with it the driver, running beside the event loop. It
// hands on the driver's console lines as they come, tells when the batch file has ended, and
// can ask the driver and everything it started to stop.
#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QTimer>
#include <cstdint>

namespace tarn::frontend {

// How long a driver asked to stop may take to end before it is killed.
inline constexpr int cStopGrace = 10000;

// The exit code as the front end reports it: read as an unsigned 32-bit number, values above
// 2147483647 (such as those of a crashed process) become 2147483647.
int ExitCodeResult(std::uint32_t exitCode);

class DriverProcess : public QObject {
  Q_OBJECT

 public:
  // `stopGrace` is how many milliseconds Stop waits before it kills.
  explicit DriverProcess(int stopGrace = cStopGrace, QObject* parent = nullptr);
  ~DriverProcess() override;

  // Starts the batch file `batchPath` with `workingFolder` as its working folder, in a process
  // group of its own. False when it cannot be started; Ended then never comes.
  bool Start(const QString& batchPath, const QString& workingFolder);
  // Asks the batch file's process group to stop, and kills it when it has not ended within the
  // grace time. Nothing when no run is under way.
  void Stop();
  bool Running() const;
  // Whether Stop was called during the run.
  bool StopRequested() const { return FStopRequested; }

 signals:
  // One line the driver (or the shell running the batch file) wrote, without its line end.
  void LineRead(const QString& line);
  // The batch file has ended with `exitCode` (a child ended by a signal: 128 + its number).
  void Ended(int exitCode);

 private:
  void ReadLines(bool atEnd);
  void OnFinished(int exitCode, QProcess::ExitStatus status);

  QProcess FProcess;
  QTimer FKillTimer;
  QByteArray FPending;
  qint64 FPid = 0;
  bool FStopRequested = false;
};

}  // namespace tarn::frontend
