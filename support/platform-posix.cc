// The platform layer on POSIX: /bin/sh -c runs commands, ANSI escape sequences drive a terminal.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <iostream>

#include "support/platform.h"
#include "support/text.h"

namespace tarn {

const char kPathSeparator = '/';
const std::string_view kLineEnd = "\n";

int RunCommand(const std::string& command, const std::string& workingFolder) {
  const std::string text(TrimRight(command));
  const std::string folder(TrimRight(workingFolder));
  // The child inherits the output buffers: empty them first so nothing is written twice.
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);

  // The child reports a failed chdir or exec through this pipe; a successful exec closes it.
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return -1;
  const pid_t pid = fork();
  if (pid < 0) {
    close(report[0]);
    close(report[1]);
    return -1;
  }
  if (pid == 0) {
    close(report[0]);
    if (folder.empty() || chdir(folder.c_str()) == 0) {
      // Idle priority: the model yields the processor to interactive work.
      setpriority(PRIO_PROCESS, 0, 19);
      execl("/bin/sh", "sh", "-c", text.c_str(), static_cast<char*>(nullptr));
    }
    const int error = errno;
    ssize_t ignored = write(report[1], &error, sizeof error);
    (void)ignored;
    _exit(127);
  }
  close(report[1]);
  int childError = 0;
  ssize_t got;
  do {
    got = read(report[0], &childError, sizeof childError);
  } while (got < 0 && errno == EINTR);
  close(report[0]);

  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (got == static_cast<ssize_t>(sizeof childError)) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

std::string QuoteForShell(const std::string& path) {
  std::string quoted = "'";
  for (char c : path) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

std::string MakeFolderCommand(const std::string& folder) {
  return "mkdir -p -- " + QuoteForShell(std::string(TrimRight(folder)));
}

std::string GetCurrentFolder() {
  std::string buffer(4096, '\0');
  if (!getcwd(buffer.data(), buffer.size())) return "";
  buffer.resize(buffer.find('\0'));
  return buffer;
}

Console::Console(std::ostream& out, bool isTerminal) : out_(out), isTerminal_(isTerminal) {}

Console& Console::Standard() {
  static Console console(std::cout, isatty(STDOUT_FILENO) != 0);
  return console;
}

void Console::SetUp() {
  if (setUpDone_) return;
  setUpDone_ = true;
  if (!isTerminal_) return;
  // Window of 82 columns by 41 rows, blanked, cursor home. A terminal has no separate buffer
  // width, so the 140-column buffer has no equivalent here.
  out_ << "\x1b[8;41;82t\x1b[H\x1b[2J\x1b[H" << std::flush;
}

void Console::GoToRow(int row) {
  SetUp();
  if (isTerminal_) out_ << "\x1b[" << row + 1 << ";1H" << std::flush;
}

void Console::ShowLine(std::string_view text, int row) {
  SetUp();
  if (!isTerminal_) {
    out_ << TrimRight(text) << '\n' << std::flush;
    return;
  }
  // Save the cursor, blank 80 columns of the row, write the text there, restore the cursor:
  // the model's output row is not disturbed.
  const std::string rowStart = "\x1b[" + std::to_string(row + 1) + ";1H";
  out_ << "\x1b"
          "7"
       << rowStart << std::string(80, ' ') << rowStart << TrimRight(text)
       << "\x1b"
          "8"
       << std::flush;
}

void Console::Beep() {
  if (isTerminal_) out_ << '\a' << std::flush;
}

}  // namespace tarn
