#include "frontend/driver_process.h"

#include <limits>

#include "frontend/platform.h"

namespace tarn::frontend {

int ExitCodeResult(std::uint32_t exitCode) {
  constexpr std::uint32_t kLargest = std::numeric_limits<std::int32_t>::max();
  return static_cast<int>(exitCode > kLargest ? kLargest : exitCode);
}

DriverProcess::DriverProcess(int stopGrace, QObject* parent) : QObject(parent) {
  FProcess.setProcessChannelMode(QProcess::MergedChannels);
  StartInOwnProcessGroup(FProcess);
  FKillTimer.setSingleShot(true);
  FKillTimer.setInterval(stopGrace);
  connect(&FKillTimer, &QTimer::timeout, this, [this] { KillProcessGroup(FPid); });
  connect(&FProcess, &QProcess::readyReadStandardOutput, this, [this] { ReadLines(false); });
  connect(&FProcess, &QProcess::finished, this, &DriverProcess::OnFinished);
}

DriverProcess::~DriverProcess() {
  // A run must not outlive its owner unseen.
  if (Running()) {
    KillProcessGroup(FPid);
    FProcess.waitForFinished(-1);
  }
}

bool DriverProcess::Start(const QString& batchPath, const QString& workingFolder) {
  const Command command = BatchCommand(batchPath);
  FStopRequested = false;
  FPending.clear();
  FProcess.setWorkingDirectory(workingFolder);
  FProcess.start(command.program, command.arguments);
  if (!FProcess.waitForStarted(-1)) return false;
  FPid = FProcess.processId();
  FProcess.closeWriteChannel();
  return true;
}

void DriverProcess::Stop() {
  if (!Running() || FStopRequested) return;
  FStopRequested = true;
  AskProcessGroupToStop(FPid);
  FKillTimer.start();
}

bool DriverProcess::Running() const { return FProcess.state() != QProcess::NotRunning; }

void DriverProcess::ReadLines(bool atEnd) {
  FPending += FProcess.readAllStandardOutput();
  qsizetype end;
  while ((end = FPending.indexOf('\n')) >= 0) {
    QByteArray line = FPending.left(end);
    FPending.remove(0, end + 1);
    if (line.endsWith('\r')) line.chop(1);
    emit LineRead(QString::fromLocal8Bit(line));
  }
  if (atEnd && !FPending.isEmpty()) {
    emit LineRead(QString::fromLocal8Bit(FPending));
    FPending.clear();
  }
}

void DriverProcess::OnFinished(int exitCode, QProcess::ExitStatus status) {
  FKillTimer.stop();
  ReadLines(true);
  // A child ended by a signal reports 128 + the signal number, as the shell does.
  const std::uint32_t code = status == QProcess::CrashExit
                                 ? 128u + static_cast<std::uint32_t>(exitCode)
                                 : static_cast<std::uint32_t>(exitCode);
  emit Ended(ExitCodeResult(code));
}

}  // namespace tarn::frontend
