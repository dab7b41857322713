#include "frontend/output_folder_lock.h"

#include <QDir>
#include <cstring>

#include "driver/public/files.h"
#include "driver/public/run_files.h"
#include "frontend/platform.h"

namespace tarn::frontend {
namespace {

// Whether a driver holds the busy marker of a run in `out`.
bool DriverRunsIn(const QString& out) {
  const QStringList markers =
      QDir(out).entryList({QString::fromStdString(RunFileName(kBusyMarker, "*"))},
                          QDir::Files | QDir::System | QDir::Hidden);
  for (const QString& marker : markers)
    if (BusyMarkerLocked(out + marker)) return true;
  return false;
}

}  // namespace

std::unique_ptr<OutputFolderLock> OutputFolderLock::Take(const QString& out, Messages& messages) {
  const QString path = out + QLatin1String(kFolderLockFile);
  std::FILE* file = nullptr;
  int error = 0;
  // The driver's own kind of lock: exclusive, never waited for, not inherited by children.
  const LockResult result = LockFile(QFile::encodeName(path).toStdString(), file, error);
  if (result == LockResult::kFailed) {
    messages.ShowError(QStringLiteral("Unable to prepare the output folder %1: its lock file %2 "
                                      "cannot be opened (%3)")
                           .arg(QDir::toNativeSeparators(out), QLatin1String(kFolderLockFile),
                                QString::fromLocal8Bit(std::strerror(error))));
    return nullptr;
  }
  std::unique_ptr<OutputFolderLock> lock(result == LockResult::kLocked ? new OutputFolderLock(file)
                                                                       : nullptr);
  if (lock) MarkHidden(path);
  if (!lock || DriverRunsIn(out)) {
    messages.ShowError(
        QStringLiteral("Unable to prepare the output folder: a run is still going on in it"));
    return nullptr;
  }
  return lock;
}

OutputFolderLock::~OutputFolderLock() { std::fclose(file_); }

}  // namespace tarn::frontend
