// The platform layer on POSIX: /bin/sh -c runs commands, ANSI escape sequences drive a terminal.
#include <dirent.h>
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
#include <ctime>
#include <iostream>
#include <thread>

#include "support/platform.h"
#include "support/text.h"

namespace tarn {

const char kPathSeparator = '/';
const std::string_view kLineEnd = "\n";

namespace {

// Per slot, one run of a command RunCommand started: the process id of the run's supervisor while
// it runs (the stop handler asks each to end its run; -1 while the slot is taken but no supervisor
// runs, so a supervisor that has ended is never signalled and its id, not yet reaped, never reused)
// and the stack the supervisor and its shell run on.
constexpr int kChildSlots = 128;
std::atomic<pid_t> runningChildren[kChildSlots];
constexpr size_t kRunStackSize = 128 * 1024;
constexpr size_t kShellStackSize = 32 * 1024;  // the lowest part of the slot's stack
alignas(64) char runStacks[kChildSlots][kRunStackSize];
std::atomic<int> stopSignal{0};

// The signal that asks a supervisor to end its run: the driver's stop handler sends it, and the
// kernel sends it when the driver dies. SIGINT and SIGHUP, sent by hand, do the same.
constexpr int kEndRun = SIGTERM;
// How long the processes of a run that is ending have between SIGTERM and SIGKILL: srun cancels
// its Slurm step on SIGTERM, wineserver writes its registry.
constexpr int kGraceSeconds = 5;
// The most processes of one run that a supervisor ends; more would be very unlike a model.
constexpr int kMaxRunProcesses = 4096;

// How many stop handlers run at the moment: a supervisor is reaped only when none does, so none
// can hold an id that is already free for reuse.
std::atomic<int> stopHandlers{0};

void OnStopSignal(int signal) {
  stopHandlers.fetch_add(1);
  int none = 0;
  stopSignal.compare_exchange_strong(none, signal);
  for (std::atomic<pid_t>& child : runningChildren) {
    const pid_t pid = child.load();
    if (pid > 0) kill(pid, kEndRun);
  }
  stopHandlers.fetch_sub(1);
}

// What a supervisor and the shell it starts need. The supervisor shares the memory of the driver,
// and so may only make async-signal-safe calls, on its own stack; the thread that started it waits
// meanwhile with every signal blocked, so this, on that thread's stack, is the supervisor's too.
struct RunStart {
  const char* folder;
  char* const* argv;
  sigset_t mask;  // the caller's signal mask, which the shell gets
  pid_t parent;   // the driver, then the supervisor
  int slot;
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

// The supervisor of one run, started by RunCommand with the driver's memory, which never execs.
// It starts the shell and waits for it; when the shell has ended, or the run is to end (a stop
// request, the driver's death), it ends every process left below it (SIGTERM, SIGKILL after
// kGraceSeconds) and reaps them: as a subreaper it inherits every orphan of the run. It exits
// with the shell's exit status, 128 + the signal that ended it.
int Supervise(void* argument) {
  RunStart& start = *static_cast<RunStart*>(argument);
  runningChildren[start.slot].store(getpid());
  // Nothing of the driver's handlers; SIGCHLD must not be ignored, or children are not waited for.
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ, SIGCHLD}) {
    sigaction(signal, &standard, nullptr);
  }
  setpgid(0, 0);
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  prctl(PR_SET_PDEATHSIG, kEndRun);

  // Every signal stays blocked, as RunCommand blocked them for the start: those that matter are
  // taken by sigtimedwait, so none is lost between a check and a wait.
  sigset_t ending;
  sigemptyset(&ending);
  for (int signal : {kEndRun, SIGINT, SIGHUP}) sigaddset(&ending, signal);
  sigset_t waited = ending;
  sigaddset(&waited, SIGCHLD);
  // Nothing is started once a stop was requested (the stop handler notes the request before it
  // looks for supervisors) or the driver has died.
  bool end = stopSignal.load() != 0 || getppid() != start.parent;

  pid_t shell = -1;
  if (end) {
    start.error = ECANCELED;
  } else {
    start.parent = getpid();
    // The shell borrows this memory too until it execs; this process waits meanwhile.
    shell = clone(ShellMain, runStacks[start.slot] + kShellStackSize,
                  CLONE_VM | CLONE_VFORK | SIGCHLD, &start);
    if (shell < 0) start.error = errno;
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
  runningChildren[start.slot].store(-1);
  return WIFSIGNALED(shellStatus) ? 128 + WTERMSIG(shellStatus) : WEXITSTATUS(shellStatus);
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
  if (stopSignal.load() != 0) return -1;
  const int slot = TakeSlot();
  if (slot < 0) return -1;

  std::string shell = "sh", option = "-c";
  char* argv[] = {shell.data(), option.data(), text.data(), nullptr};
  RunStart start{folder.c_str(), argv, {}, getpid(), slot};
  // No signal may run the driver's handler on this thread while the supervisor shares its memory;
  // other threads take them (CatchStopRequests starts one). The caller's mask comes back in the
  // shell.
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &start.mask);
  // Borrowing the driver's memory spares a copy of it for every run; this thread waits until the
  // supervisor has ended.
  const pid_t pid =
      clone(Supervise, runStacks[slot] + kRunStackSize, CLONE_VM | CLONE_VFORK | SIGCHLD, &start);
  while (stopHandlers.load() != 0) sched_yield();
  pthread_sigmask(SIG_SETMASK, &start.mask, nullptr);
  int status = 0;
  while (pid > 0 && waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  runningChildren[slot].store(0);
  if (pid < 0 || start.error != 0) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

std::string AsDirectChild(const std::string& command) { return "exec " + command; }

void CatchStopRequests() {
  // A thread that takes the stop signals while every other thread waits for a run of a command.
  std::thread([] {
    for (;;) pause();
  }).detach();
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

bool IdentityOf(const std::string& path, FileIdentity& identity, Links links) {
  struct stat named {};
  if ((links == Links::kOwn ? lstat(path.c_str(), &named) : stat(path.c_str(), &named)) != 0) {
    return false;
  }
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
