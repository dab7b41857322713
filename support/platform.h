// The driver's only contact with the operating system: running a command through the command
// interpreter, the console, paths and the current folder. platform_posix.cc and
// platform_win32.cc implement it; nothing else in the tree asks which system it runs on.
#pragma once

#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>

namespace tarn {

// The native separator of path parts.
extern const char kPathSeparator;
// The line end of the text files the driver writes.
extern const std::string_view kLineEnd;

// Runs `command` through the command interpreter ("cmd.exe /c " or "/bin/sh -c ") at idle
// priority, in `workingFolder` (the current folder when empty), and waits for it without a time
// limit. Returns the interpreter's exit code (128 + signal for a child killed by a signal on
// POSIX), or -1 when the interpreter cannot be started. The child inherits none of the driver's
// files. Every process the command starts belongs to the run, whatever its process group or
// session, and none outlives it: what is left when the interpreter ends is ended before this
// returns, and so is the whole run on a stop request or when the driver dies. On POSIX a
// supervisor process of the run does this (SIGTERM, then SIGKILL after a few seconds); it also
// keeps the driver's open files, and so the lock of the busy marker, until the run has ended. On
// Windows a job object holds the run. Safe to call from several threads at once. Once a stop
// request was caught, nothing is started and -1 returned.
int RunCommand(const std::string& command, const std::string& workingFolder = "");

// `command` in the form in which the interpreter replaces itself by the program it names, so
// that the program is the run's first process, whose end ends the run ("exec " before it on
// POSIX; cmd.exe has no such form and the job object holds both).
std::string AsDirectChild(const std::string& command);

// From now on SIGINT, SIGTERM and SIGHUP (Windows: Ctrl-C, Ctrl-Break, closing the console) no
// longer end the driver: they end every run of a command RunCommand started, as its interpreter's
// end would, and are noted for StopRequest (on POSIX a thread of its own takes them, as the
// thread that waits for a run has every signal blocked). A signal that was ignored at start
// (nohup) stays ignored. A write beyond the file size limit then fails instead of ending the
// driver.
void CatchStopRequests();
// The number of the first stop signal caught (Windows: 2 Ctrl-C, 21 Ctrl-Break, 1 closing the
// console), 0 while none was.
int StopRequest();

// `path` quoted for the command interpreter so that none of its characters is interpreted:
// double quotes for cmd.exe, single quotes (with '\'' inside) for the POSIX shell.
std::string QuoteForShell(const std::string& path);

// The command that creates `folder` (its parents included) when it does not exist, as handed to
// RunCommand.
std::string MakeFolderCommand(const std::string& folder);

// The full path of the current folder; empty when it cannot be read.
std::string GetCurrentFolder();

// Creates `path` as a new, empty file for writing after removing what bears its name, so that a
// link is removed and never written through. Other processes may read the file while it is
// open; child processes do not inherit it. Returns the stream, or nullptr with `error` set to
// the system's error number.
std::FILE* CreateNewFile(const std::string& path, int& error);
// Opens an existing regular file for reading (through a link, too), not inherited by child
// processes. Anything else (a folder, a FIFO, a device) is refused with kNotARegularFile without
// being read: reading it could wait for ever. Never waits itself.
std::FILE* OpenForReading(const std::string& path, int& error);
// The error number of OpenForReading for what is not a regular file; no system error number.
constexpr int kNotARegularFile = -1;

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
// Empties a file opened by LockFile; returns 0 or the system's error number.
int EmptyFile(std::FILE* file);

// The driver's console: row-addressed lines for fatal errors and a fixed row for model output.
// On a terminal it sets up the window once and writes at fixed rows; otherwise (a pipe, a file)
// set-up and cursor moves write nothing and every shown line is a plain line.
class Console {
 public:
  // Writes to `out`; `isTerminal` says whether `out` is an interactive console.
  Console(std::ostream& out, bool isTerminal);
  // A console on standard output, a terminal when standard output is one.
  static Console& Standard();

  void GoToRow(int row);
  void ShowLine(std::string_view text, int row);
  void Beep();

 private:
  void SetUp();

  std::ostream& out_;
  bool isTerminal_;
  bool setUpDone_ = false;
};

}  // namespace tarn
