// Reading, locking and telling apart the files of a run folder as the driver does, for both
// programs: a regular file opened without waiting, the exclusive lock of a file, the identity of
// a file and the reason for a system error number. The support layer defines them
// (support/platform_posix.cc, platform_win32.cc, units.cc).
#pragma once

#include <cstdio>
#include <string>

namespace tarn {

// Opens an existing regular file for reading (through a link, too), not inherited by child
// processes. Anything else (a folder, a FIFO, a device) is refused with kNotARegularFile without
// being read: reading it could wait for ever. Never waits itself.
std::FILE* OpenForReading(const std::string& path, int& error);
// The error number of OpenForReading for what is not a regular file; no system error number.
constexpr int kNotARegularFile = -1;

// The system's reason for an error number that a file call returned, as a user reads it.
std::string ReasonFor(int error);

// What tells one file from another: two names of one file (hard links) have the same identity,
// a new file under an old name has another.
struct FileIdentity {
  unsigned long long device = 0;
  unsigned long long file = 0;
  bool operator==(const FileIdentity&) const = default;
};
// Whether IdentityOf tells a link's own identity or that of the file it leads to.
enum class Links { kOwn, kFollowed };
// The identity of what bears the name `path` (with Links::kOwn a link's own, not its target's);
// false when nothing does or it cannot be told.
bool IdentityOf(const std::string& path, FileIdentity& identity, Links links = Links::kOwn);

// The outcome of LockFile.
enum class LockResult { kLocked, kHeldByAnother, kFailed };
// Opens `path` for writing (creating it when missing, never truncating it, never through a link)
// and takes an exclusive lock on it without waiting; the lock holds while the stream is open.
// kHeldByAnother when a live process holds it; kFailed with `error` set when it cannot be opened.
LockResult LockFile(const std::string& path, std::FILE*& file, int& error);

}  // namespace tarn
