// The driver's only contact with the operating system: running a command through the command
// interpreter, the console, paths and the current folder. platform-posix.cc and
// platform-win32.cc implement it; nothing else in the tree asks which system it runs on.
#pragma once

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
// POSIX), or -1 when the interpreter cannot be started.
int RunCommand(const std::string& command, const std::string& workingFolder = "");

// `path` quoted for the command interpreter so that none of its characters is interpreted:
// double quotes for cmd.exe, single quotes (with '\'' inside) for the POSIX shell.
std::string QuoteForShell(const std::string& path);

// The command that creates `folder` (its parents included) when it does not exist, as handed to
// RunCommand.
std::string MakeFolderCommand(const std::string& folder);

// The full path of the current folder; empty when it cannot be read.
std::string GetCurrentFolder();

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
