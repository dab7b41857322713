// The platform layer on POSIX: /bin/sh -c runs commands, ANSI escape sequences drive a terminal.
#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
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
#include <ctime>
#include <iostream>

#include "support/platform.h"
#include "support/text.h"

namespace tarn {

const char kPathSeparator = '/';
const std::string_view kLineEnd = "\n";

namespace {

// Every run of a command RunCommand started that has not been reaped, by the process id of its
// supervisor: the stop handler asks each to end its run. A slot is cleared before its supervisor
// is reaped, so no id is ever reused.
constexpr int kChildSlots = 128;
std::atomic<pid_t> runningChildren[kChildSlots];
std::atomic<int> stopSignal{0};

// The signal that asks a supervisor to end its run: the driver's stop handler sends it, and the
// kernel sends it when the driver dies. SIGINT and SIGHUP, sent by hand, do the same.
constexpr int kEndRun = SIGTERM;
// How long the processes of a run that is ending have between SIGTERM and SIGKILL: srun cancels
// its Slurm step on SIGTERM, wineserver writes its registry.
constexpr int kGraceSeconds = 5;
// The most processes of one run that a supervisor ends; more would be very unlike a model.
constexpr int kMaxRunProcesses = 4096;

void OnStopSignal(int signal) {
  int none = 0;
  stopSignal.compare_exchange_strong(none, signal);
  for (std::atomic<pid_t>& child : runningChildren) {
    const pid_t pid = child.load();
    if (pid > 0) kill(pid, kEndRun);
  }
}

// Per slot, the error number with which a supervisor could not start its shell, 0 when it
// started it: memory the driver shares with the supervisors, which are copies of it. Null when
// it cannot be had.
int* StartErrors() {
  static void* const shared = mmap(nullptr, kChildSlots * sizeof(int), PROT_READ | PROT_WRITE,
                                   MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  return shared == MAP_FAILED ? nullptr : static_cast<int*>(shared);
}

// What a supervisor and the shell it starts need. Made before the supervisor is forked: a copy of
// a driver that may run several threads may only make async-signal-safe calls.
struct RunStart {
  const char* folder;
  char* const* argv;
  sigset_t mask;  // the caller's signal mask, which the shell gets
  pid_t parent;   // the driver, then the supervisor
  int error = 0;  // why the shell could not be started
};

int ShellMain(void* argument) {
  RunStart& start = *static_cast<RunStart*>(argument);
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  // A supervisor that died before the line above would never send the signal.
  if (getppid() != start.parent) _exit(127);
  // Idle priority: the model yields the processor to interactive work. The supervisor keeps the
  // driver's, so that it reaps the model at once on a busy machine.
  setpriority(PRIO_PROCESS, 0, 19);
  if (*start.folder == '\0' || chdir(start.folder) == 0) {
    sigprocmask(SIG_SETMASK, &start.mask, nullptr);
    execve("/bin/sh", start.argv, environ);
  }
  start.error = errno;
  _exit(127);
}

// The parent of the process named `name` in the open folder `proc` (/proc); 0 when it has ended.
pid_t ParentOf(int proc, const char* name) {
  char path[32];
  size_t length = 0;
  while (name[length] != '\0' && length < sizeof path - 6) {
    path[length] = name[length];
    ++length;
  }
  for (const char* c = "/stat"; *c != '\0'; ++c) path[length++] = *c;
  path[length] = '\0';
  const int fd = openat(proc, path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  char stat[512];
  const ssize_t size = read(fd, stat, sizeof stat);
  close(fd);
  // "pid (name) state ppid ...": the name may hold anything, the fields follow its last ')'.
  ssize_t at = size - 1;
  while (at > 0 && stat[at] != ')') --at;
  at += 4;
  pid_t parent = 0;
  for (; at < size && stat[at] >= '0' && stat[at] <= '9'; ++at) {
    parent = parent * 10 + stat[at] - '0';
  }
  return parent;
}

bool Holds(const pid_t* pids, int count, pid_t pid) {
  for (int i = 0; i < count; ++i) {
    if (pids[i] == pid) return true;
  }
  return false;
}

// Sends `signal` to every process below the calling one, whatever its process group or session.
// The tree is read from the parent ids in /proc, which name the parent process (not the thread)
// of each process.
void SignalDescendants(int signal) {
  pid_t run[kMaxRunProcesses];
  int count = 0;
  run[count++] = getpid();
  for (bool grew = true; grew;) {
    grew = false;
    const int proc = open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (proc < 0) break;
    alignas(dirent64) char entries[4096];
    for (ssize_t size; (size = getdents64(proc, entries, sizeof entries)) > 0;) {
      for (ssize_t at = 0; at < size;) {
        const dirent64* entry = reinterpret_cast<const dirent64*>(entries + at);
        at += entry->d_reclen;
        pid_t pid = 0;
        const char* c = entry->d_name;
        for (; *c >= '0' && *c <= '9'; ++c) pid = pid * 10 + *c - '0';
        if (*c != '\0' || pid == 0 || Holds(run, count, pid)) continue;
        if (count < kMaxRunProcesses && Holds(run, count, ParentOf(proc, entry->d_name))) {
          run[count++] = pid;
          grew = true;
        }
      }
    }
    close(proc);
  }
  for (int i = 1; i < count; ++i) {
    kill(run[i], signal);
    // A stopped process would handle SIGTERM only once it goes on.
    if (signal != SIGKILL) kill(run[i], SIGCONT);
  }
}

// Milliseconds of a clock that only goes forward.
long long NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// The supervisor of one model run, a copy of the driver forked by RunCommand, which never returns.
// It starts the shell and waits for it; when the shell has ended, or the run is to end (a stop
// request, the driver's death), it ends every process left below it (SIGTERM, SIGKILL after
// kGraceSeconds) and reaps them: as a subreaper it inherits every orphan of the run. It exits
// with the shell's exit status, 128 + the signal that ended it; `startError` tells the driver why
// the shell was not started.
[[noreturn]] void Supervise(RunStart& start, int& startError) {
  // Nothing of the driver's handlers; SIGCHLD must not be ignored, or children are not waited for.
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ, SIGCHLD}) {
    sigaction(signal, &standard, nullptr);
  }
  setpgid(0, 0);
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  prctl(PR_SET_PDEATHSIG, kEndRun);

  // Every signal stays blocked, as RunCommand blocked them for the fork: those that matter are
  // taken by sigtimedwait, so none is lost between a check and a wait.
  sigset_t ending;
  sigemptyset(&ending);
  for (int signal : {kEndRun, SIGINT, SIGHUP}) sigaddset(&ending, signal);
  sigset_t waited = ending;
  sigaddset(&waited, SIGCHLD);
  sigset_t pending;
  sigpending(&pending);
  bool end = getppid() != start.parent || sigismember(&pending, kEndRun) ||
             sigismember(&pending, SIGINT) || sigismember(&pending, SIGHUP);

  pid_t shell = -1;
  if (end) {
    startError = ECANCELED;
  } else {
    start.parent = getpid();
    // The shell borrows this process's memory until it execs; this process waits meanwhile. Its
    // stack is this process's copy of a static buffer: only the pages it uses are ever touched.
    static char shellStack[64 * 1024];
    shell =
        clone(ShellMain, shellStack + sizeof shellStack, CLONE_VM | CLONE_VFORK | SIGCHLD, &start);
    startError = shell < 0 ? errno : start.error;
  }

  int shellStatus = 0;
  long long killAt = 0;  // when SIGKILL follows SIGTERM; 0 while the run is not ending
  for (;;) {
    pid_t pid;
    int status = 0;
    while ((pid = waitpid(-1, &status, WNOHANG)) > 0) {
      if (pid == shell) {
        shellStatus = status;
        end = true;
      }
    }
    if (pid < 0) break;  // nothing left of the run
    if (end && killAt == 0) {
      SignalDescendants(SIGTERM);
      killAt = NowMs() + kGraceSeconds * 1000;
    }
    long long timeout = killAt == 0 ? -1 : killAt - NowMs();
    if (killAt != 0 && timeout <= 0) {
      SignalDescendants(SIGKILL);
      timeout = 50;  // the next round ends what was started meanwhile
    }
    siginfo_t info{};
    const timespec wait{static_cast<time_t>(timeout / 1000),
                        static_cast<long>(timeout % 1000) * 1000000};
    const int signal =
        timeout < 0 ? sigwaitinfo(&waited, &info) : sigtimedwait(&waited, &info, &wait);
    if (signal > 0 && sigismember(&ending, signal)) end = true;
  }
  if (WIFSIGNALED(shellStatus)) _exit(128 + WTERMSIG(shellStatus));
  _exit(WEXITSTATUS(shellStatus));
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
  // The supervisor and the shell inherit the output buffers: empty them first so nothing is
  // written twice.
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  int* const startErrors = StartErrors();
  if (stopSignal.load() != 0 || !startErrors) return -1;
  const int slot = TakeSlot();
  if (slot < 0) return -1;
  startErrors[slot] = 0;

  std::string shell = "sh", option = "-c";
  char* argv[] = {shell.data(), option.data(), text.data(), nullptr};
  RunStart start{folder.c_str(), argv, {}, getpid()};
  // No signal may run the driver's handler in the supervisor; the caller's mask comes back in the
  // shell.
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &start.mask);
  const pid_t pid = fork();
  if (pid == 0) Supervise(start, startErrors[slot]);
  if (pid > 0) {
    runningChildren[slot].store(pid);
    // A stop caught while the supervisor was forked found no supervisor to ask.
    if (stopSignal.load() != 0) kill(pid, kEndRun);
  }
  pthread_sigmask(SIG_SETMASK, &start.mask, nullptr);
  if (pid < 0) {
    runningChildren[slot].store(0);
    return -1;
  }

  siginfo_t info{};
  while (waitid(P_PID, pid, &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
  }
  const int startError = startErrors[slot];
  runningChildren[slot].store(0);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (startError != 0) return -1;
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
  std::FILE* file = std::fopen(path.c_str(), "rbe");
  if (!file) error = errno ? errno : EIO;
  return file;
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
