#include "frontend/calculation.h"

#include <QDir>
#include <QFile>
#include <stdexcept>

#include "frontend/platform.h"
#include "driver/public/error_end.h"

namespace tarn::frontend {

Calculation::Calculation(const RunSettings& settings, Messages& messages, int stopGrace,
                         QObject* parent)
    : QObject(parent), FSettings(settings), FMessages(messages), FDriver(stopGrace) {
  connect(&FDriver, &DriverProcess::LineRead, this, [this](const QString& line) {
    // The driver's closing lines come once its model runs have ended, with the results in its
    // report or with its error end: the log's last lines go before them.
    const QStringList logged = line.startsWith(QLatin1String(kErrorFoundLine))
                                   ? FLog->LookAtEnd(FDriver.StopRequested())
                                   : FLog->Look();
    for (const QString& text : logged) emit Logged(text);
    FLastLines << line;
    if (FLastLines.size() > cConsoleLinesShown) FLastLines.removeFirst();
    emit LineRead(line);
  });
  FLogTimer.setInterval(cRunLogInterval);
  connect(&FLogTimer, &QTimer::timeout, this, [this] {
    for (const QString& line : FLog->Look()) emit Logged(line);
    emit Looked();
  });
  connect(&FDriver, &DriverProcess::Ended, this, [this](int exitCode) {
    FLogTimer.stop();
    for (const QString& line : FLog->LookAtEnd(FDriver.StopRequested())) emit Logged(line);
    // Judged, its report read, while no other front end can have touched the folder.
    const RunOutcome outcome =
        JudgeOutcome(FSettings, exitCode, FDriver.StopRequested(), FLastLines);
    const std::optional<QString> recordProblem = EndRecord(outcome);
    FFolderLock.reset();
    if (recordProblem) FMessages.ShowError(*recordProblem);
    emit Ended(outcome);
  });
}

bool Calculation::Start() {
  FFolderLock = CreateInpFile(FSettings, FMessages);
  if (!FFolderLock) return false;
  WriteBatchFile(FSettings);
  FRecord = StartAuditRecord(FSettings);
  WriteRecord();
  FLog = std::make_unique<RunLog>(FSettings);
  if (FDriver.Start(BatchFilePath(FSettings), FSettings.outputPath)) {
    FLogTimer.start();
    return true;
  }
  const QString notStarted = QStringLiteral("Unable to start the batch file %1")
                                 .arg(QDir::toNativeSeparators(BatchFilePath(FSettings)));
  const std::optional<QString> recordProblem = EndRecord({RunOutcome::Kind::kFailed, {notStarted}});
  FFolderLock.reset();
  FMessages.ShowError(notStarted);
  if (recordProblem) FMessages.ShowError(*recordProblem);
  return false;
}

void Calculation::WriteRecord() {
  const QString path = AuditRecordPath(FSettings.outputPath);
  WriteAuditRecord(path, FRecord);
  MarkHidden(path);
}

std::optional<QString> Calculation::EndRecord(const RunOutcome& outcome) {
  EndAuditRecord(FRecord, outcome);
  try {
    WriteRecord();
  } catch (const std::runtime_error& error) {
    QFile::remove(AuditRecordPath(FSettings.outputPath));
    return QString::fromUtf8(error.what());
  }
  return std::nullopt;
}

void Calculation::Stop() { FDriver.Stop(); }

QList<int> Calculation::RunningAppIds() const { return FLog ? FLog->Running() : QList<int>(); }

}  // namespace tarn::frontend
