#include "frontend/execute_external.h"

#include <QCoreApplication>
#include <QDir>
#include <limits>

#include "frontend/platform.h"

namespace tarn::frontend {

int ExitCodeResult(std::uint32_t exitCode) {
  constexpr std::uint32_t kLargest = std::numeric_limits<std::int32_t>::max();
  return static_cast<int>(exitCode > kLargest ? kLargest : exitCode);
}

int ExecuteAndWait(const QString& aCommandLine, const QString& aDefaultDir, int aWindowMode) {
  const QString folder = aDefaultDir.isEmpty() ? QDir::currentPath() : aDefaultDir;
  const int windowMode = aWindowMode >= 0 && aWindowMode <= 2 ? aWindowMode : 0;
  ChildProcess child;
  if (!child.Start(aCommandLine, folder, windowMode)) return -1;
  bool ended;
  do {
    ended = child.WaitFor(cWaitInterval);
    QCoreApplication::processEvents();
  } while (!ended);
  return ExitCodeResult(child.ExitCode());
}

}  // namespace tarn::frontend
