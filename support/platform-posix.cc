// The platform layer on POSIX: /bin/sh -c runs commands, ANSI escape sequences drive a terminal.
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <vector>

#include "support/platform.h"
#include "support/text.h"

namespace tarn {

const char kPathSeparator = '/';
const std::string_view kLineEnd = "\n";

namespace {

// Every command RunCommand started that has not been reaped, by its process group: the stop
// handler ends them. A slot is cleared before its child is reaped, so no id is ever reused.
constexpr int kChildSlots = 128;
std::atomic<pid_t> runningChildren[kChildSlots];
std::atomic<int> stopSignal{0};

void OnStopSignal(int signal) {
  int none = 0;
  stopSignal.compare_exchange_strong(none, signal);
  for (std::atomic<pid_t>& child : runningChildren) {
    const pid_t pid = child.load();
    if (pid > 0) kill(-pid, SIGKILL);
  }
}

// What the child needs between its start and exec. It shares the caller's memory and the caller
// waits meanwhile, so it may write `error` back.
struct ChildStart {
  const char* folder;
  char* const* argv;
  sigset_t mask;
  pid_t driver;
  int error = 0;
};

int ChildMain(void* argument) {
  ChildStart& start = *static_cast<ChildStart*>(argument);
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) std::signal(signal, SIG_DFL);
  setpgid(0, 0);
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  // A driver that died before the line above would never send the signal.
  if (getppid() != start.driver) _exit(127);
  // Idle priority: the model yields the processor to interactive work.
  setpriority(PRIO_PROCESS, 0, 19);
  if (*start.folder == '\0' || chdir(start.folder) == 0) {
    sigprocmask(SIG_SETMASK, &start.mask, nullptr);
    execve("/bin/sh", start.argv, environ);
  }
  start.error = errno;
  _exit(127);
}

// Takes a free slot of runningChildren; -1 when all are taken.
int TakeSlot() {
  for (int i = 0; i < kChildSlots; ++i) {
    pid_t free = 0;
    if (runningChildren[i].compare_exchange_strong(free, -1)) return i;
  }
  return -1;
}

}  // namespace

int RunCommand(const std::string& command, const std::string& workingFolder) {
  std::string text(TrimRight(command));
  const std::string folder(TrimRight(workingFolder));
  // The child inherits the output buffers: empty them first so nothing is written twice.
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  if (stopSignal.load() != 0) return -1;
  const int slot = TakeSlot();
  if (slot < 0) return -1;

  std::string shell = "sh", option = "-c";
  char* argv[] = {shell.data(), option.data(), text.data(), nullptr};
  ChildStart start{folder.c_str(), argv, {}, getpid()};
  // No signal may run the driver's handler in the child, which shares the driver's memory until
  // it execs; the caller's mask comes back in the child just before that.
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &start.mask);
  // The child borrows the caller's memory until it execs (no copy of the driver's pages); the
  // caller waits meanwhile.
  std::vector<char> stack(64 * 1024);
  const pid_t pid =
      clone(ChildMain, stack.data() + stack.size(), CLONE_VM | CLONE_VFORK | SIGCHLD, &start);
  if (pid > 0) {
    runningChildren[slot].store(pid);
    // A stop caught while the child started found no process group to end.
    if (stopSignal.load() != 0) kill(-pid, SIGKILL);
  }
  pthread_sigmask(SIG_SETMASK, &start.mask, nullptr);
  if (pid <= 0) {
    runningChildren[slot].store(0);
    return -1;
  }

  siginfo_t info{};
  while (waitid(P_PID, pid, &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
  }
  runningChildren[slot].store(0);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (start.error != 0) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

std::string AsDirectChild(const std::string& command) { return "exec " + command; }

void CatchStopRequests() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigfillset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    // A signal ignored at start stays ignored: a driver started under nohup runs on.
    struct sigaction previous {};
    if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
    sigaction(signal, &action, nullptr);
  }
  // A file that reaches the size limit must fail its write, not end the driver unannounced.
  std::signal(SIGXFSZ, SIG_IGN);
}

int StopRequest() { return stopSignal.load(); }

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
  // A longer path could be read, but no file in it could be opened by its full name.
  std::string buffer(PATH_MAX, '\0');
  if (!getcwd(buffer.data(), buffer.size())) return "";
  buffer.resize(buffer.find('\0'));
  return buffer;
}

std::FILE* CreateNewFile(const std::string& path, int& error) {
  if (unlink(path.c_str()) != 0 && errno != ENOENT) {
    error = errno;
    return nullptr;
  }
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) {
    error = errno;
    return nullptr;
  }
  std::FILE* file = fdopen(fd, "wb");
  if (!file) {
    error = errno;
    close(fd);
  }
  return file;
}

std::FILE* OpenForReading(const std::string& path, int& error) {
  // A device is refused before it is opened (opening one may act on it); what is opened without
  // waiting (O_NONBLOCK: a FIFO would wait for a writer) is checked again, since the name may
  // have changed meanwhile. A regular file ignores O_NONBLOCK.
  struct stat named {};
  if (stat(path.c_str(), &named) != 0) {
    error = errno;
    return nullptr;
  }
  if (!S_ISREG(named.st_mode)) {
    error = kNotARegularFile;
    return nullptr;
  }
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    return nullptr;
  }
  struct stat opened {};
  const bool known = fstat(fd, &opened) == 0;
  if (!known || !S_ISREG(opened.st_mode)) {
    error = known ? kNotARegularFile : errno;
    close(fd);
    return nullptr;
  }
  std::FILE* file = fdopen(fd, "rb");
  if (!file) {
    error = errno ? errno : ENOMEM;
    close(fd);
  }
  return file;
}

bool IdentityOf(const std::string& path, FileIdentity& identity) {
  struct stat named {};
  if (lstat(path.c_str(), &named) != 0) return false;
  identity = {static_cast<unsigned long long>(named.st_dev),
              static_cast<unsigned long long>(named.st_ino)};
  return true;
}

LockResult LockFile(const std::string& path, std::FILE*& file, int& error) {
  for (;;) {
    // O_NONBLOCK: a fifo of that name must not hang the driver.
    int fd = open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0 && errno == ENOENT) {
      fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
      if (fd < 0 && errno == EEXIST) continue;
    } else if (fd < 0 && errno == ELOOP) {
      // A link is nobody's lock: remove it and create the file itself.
      if (unlink(path.c_str()) != 0 && errno != ENOENT) {
        error = errno;
        return LockResult::kFailed;
      }
      continue;
    }
    if (fd < 0) {
      error = errno;
      return LockResult::kFailed;
    }
    struct stat opened {};
    const bool known = fstat(fd, &opened) == 0;
    if (!known || !S_ISREG(opened.st_mode)) {
      error = !known ? errno : S_ISDIR(opened.st_mode) ? EISDIR : EINVAL;
      close(fd);
      return LockResult::kFailed;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int lockError = errno;
      close(fd);
      if (lockError == EWOULDBLOCK) return LockResult::kHeldByAnother;
      error = lockError;
      return LockResult::kFailed;
    }
    // The holder may have removed the file between our open and our lock: then the lock is on a
    // file that no longer bears the name, and the name must be opened again.
    struct stat named {};
    if (lstat(path.c_str(), &named) != 0 || named.st_ino != opened.st_ino ||
        named.st_dev != opened.st_dev) {
      close(fd);
      continue;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file = fdopen(fd, "wb");
    if (file) return LockResult::kLocked;
    error = errno;
    close(fd);
    return LockResult::kFailed;
  }
}

int EmptyFile(std::FILE* file) {
  if (std::fflush(file) != 0 || ftruncate(fileno(file), 0) != 0) return errno;
  std::rewind(file);
  return 0;
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
