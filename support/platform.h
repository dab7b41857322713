// The driver's only contact with the operating system: running a command through the command
// interpreter, the console, paths and the current folder. platform_posix.cc and
// platform_win32.cc implement it and the file calls of driver/public/files.h; nothing else in the
// tree asks which system it runs on.
#pragma once

#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>

#include "driver/public/files.h"

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
