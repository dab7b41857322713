// Output folder lock: a front end's claim on its output folder from the preparation of a run to
// its judgement. A second front end on the same folder, or one that finds a driver still
// running there, refuses to prepare it instead of deleting a running run's files.
#pragma once

#include <QString>
#include <cstdio>
#include <memory>

#include "frontend/messages.h"

namespace tarn::frontend {

// The hidden lock file that a front end holds locked in its output folder during a run. It is
// never deleted: a lock file that went away while a front end held it would lock nothing.
inline constexpr char kFolderLockFile[] = ".tarn-lock";

class OutputFolderLock {
 public:
  // Locks the output folder `out` (with its trailing separator) for this front end and checks
  // that no driver holds the busy marker of any run there. Nothing, with its message shown, when
  // another front end or a driver is at work in it or the lock file cannot be had. The lock is
  // the system's: it goes with the process that holds it, however that ends, and the driver
  // does not inherit it.
  static std::unique_ptr<OutputFolderLock> Take(const QString& out, Messages& messages);
  ~OutputFolderLock();
  OutputFolderLock(const OutputFolderLock&) = delete;
  OutputFolderLock& operator=(const OutputFolderLock&) = delete;

 private:
  explicit OutputFolderLock(std::FILE* file) : file_(file) {}
  std::FILE* file_;
};

}  // namespace tarn::frontend
