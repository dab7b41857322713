// The platform layer on Windows: cmd.exe runs commands, the console API places lines.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <iostream>
#include <mutex>

#include "support/platform.h"
#include "support/text.h"

namespace tarn {

const char kPathSeparator = '\\';
const std::string_view kLineEnd = "\r\n";

namespace {

// Every command RunCommand started that has not ended, by its job object: a stop request ends
// them. The console control handler runs on a thread of its own, so the mutex guards the table.
constexpr int kJobSlots = 128;
std::mutex jobsLock;
HANDLE runningJobs[kJobSlots];
std::atomic<int> stopSignal{0};

// How long the handler of a closing console holds off the system's end of the driver, so that
// the main thread can write its error end (the system ends the driver anyway after 5 seconds).
constexpr DWORD kCloseGraceMs = 4000;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  int signal = 0;
  switch (event) {
    case CTRL_C_EVENT:
      signal = 2;
      break;
    case CTRL_BREAK_EVENT:
      signal = 21;
      break;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      signal = 1;
      break;
    default:
      return FALSE;
  }
  int none = 0;
  stopSignal.compare_exchange_strong(none, signal);
  {
    std::lock_guard<std::mutex> lock(jobsLock);
    for (HANDLE job : runningJobs) {
      if (job) TerminateJobObject(job, STATUS_CONTROL_C_EXIT);
    }
  }
  // The driver ends as soon as this handler returns from a close event; when the main thread
  // ends first, the process ends with it.
  if (signal == 1) Sleep(kCloseGraceMs);
  return TRUE;
}

// A job whose processes all end when its last handle closes, so a model never outlives the
// driver, even one that was killed. Null when it cannot be made.
HANDLE MakeJob() {
  HANDLE job = CreateJobObjectA(nullptr, nullptr);
  if (!job) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
  ZeroMemory(&limits, sizeof limits);
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
    CloseHandle(job);
    return nullptr;
  }
  return job;
}

// The C library's error number for a system error code, as its own functions map them, so that
// the numbers in messages are those the POSIX build shows.
int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_CANNOT_MAKE:
    case ERROR_DRIVE_LOCKED:
      return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_NOT_ENOUGH_QUOTA:
      return ENOMEM;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    default:
      return EIO;
  }
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The error number of a call on `path` that failed with `error`. A folder of that name is
// refused as on POSIX, not with the access denial Windows reports.
int ErrorFor(const std::string& path, DWORD error) {
  if (error == ERROR_ACCESS_DENIED && IsFolder(path)) return EISDIR;
  return ErrnoOf(error);
}

// Removes what bears the name `path`; a link (to a file or to a folder) is removed itself, never
// its target. Returns 0 when nothing bears the name any more, else the system's error code.
DWORD RemoveName(const std::string& path) {
  if (DeleteFileA(path.c_str())) return 0;
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return 0;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  const DWORD folderLink = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & folderLink) == folderLink &&
      RemoveDirectoryA(path.c_str())) {
    return 0;
  }
  return error;
}

// A stream in `mode` on `handle`, which it then owns; nullptr with `error` set when there is none
// (the handle is closed then).
std::FILE* StreamOn(HANDLE handle, const char* mode, int& error) {
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
  if (fd < 0) {
    error = errno ? errno : EMFILE;
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, mode);
  if (!file) {
    error = errno ? errno : ENOMEM;
    _close(fd);
  }
  return file;
}

}  // namespace

int RunCommand(const std::string& command, const std::string& workingFolder) {
  std::string commandLine = "cmd.exe /c " + std::string(TrimRight(command));
  const std::string folder(TrimRight(workingFolder));
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);

  HANDLE job = MakeJob();
  if (!job) return -1;
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  ZeroMemory(&process, sizeof process);
  int slot = -1;
  {
    // Held until the process is in its job and the job registered: a stop request then either
    // finds the job or has already been noted here, and nothing starts.
    std::lock_guard<std::mutex> lock(jobsLock);
    for (int i = 0; i < kJobSlots && slot < 0; ++i) {
      if (!runningJobs[i]) slot = i;
    }
    // Suspended until it is in its job, so that nothing it starts escapes the job.
    if (stopSignal.load() != 0 || slot < 0 ||
        !CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                        IDLE_PRIORITY_CLASS | CREATE_SUSPENDED, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
      CloseHandle(job);
      return -1;
    }
    if (!AssignProcessToJobObject(job, process.hProcess)) {
      TerminateProcess(process.hProcess, STATUS_CONTROL_C_EXIT);
      CloseHandle(process.hProcess);
      CloseHandle(process.hThread);
      CloseHandle(job);
      return -1;
    }
    runningJobs[slot] = job;
  }
  ResumeThread(process.hThread);
  DWORD exitCode = 0;
  WaitForSingleObject(process.hProcess, INFINITE);
  GetExitCodeProcess(process.hProcess, &exitCode);
  {
    std::lock_guard<std::mutex> lock(jobsLock);
    runningJobs[slot] = nullptr;
  }
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  // The interpreter may end before the processes of its job do (a stopped job's end takes a
  // moment, and a command may leave something running): all of them are ended and waited for,
  // so that nothing the command started outlives the call.
  TerminateJobObject(job, STATUS_CONTROL_C_EXIT);
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting;
  while (QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting,
                                   sizeof accounting, nullptr) &&
         accounting.ActiveProcesses > 0) {
    Sleep(10);
  }
  CloseHandle(job);
  return static_cast<int>(exitCode);
}

// cmd.exe cannot replace itself by the program; the job holds both.
std::string AsDirectChild(const std::string& command) { return command; }

void CatchStopRequests() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

int StopRequest() { return stopSignal.load(); }

std::string QuoteForShell(const std::string& path) { return "\"" + path + "\""; }

std::string MakeFolderCommand(const std::string& folder) {
  const std::string quoted = QuoteForShell(std::string(TrimRight(folder)));
  return "cmd.exe /c if not exist " + quoted + " mkdir " + quoted;
}

std::string GetCurrentFolder() {
  std::string folder(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(folder.size()), folder.data());
    if (length == 0) return "";
    // A buffer too small gives the size needed, its terminating NUL included.
    if (length < folder.size()) {
      folder.resize(length);
      return folder;
    }
    folder.resize(length);
  }
}

std::FILE* CreateNewFile(const std::string& path, int& error) {
  if (const DWORD removeError = RemoveName(path)) {
    error = ErrorFor(path, removeError);
    return nullptr;
  }
  // The model reads a per-application copy while the driver still holds it open. A link that
  // appears after the delete makes CREATE_NEW fail; it is never followed.
  const HANDLE handle =
      CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = ErrorFor(path, GetLastError());
    return nullptr;
  }
  return StreamOn(handle, "wb", error);
}

std::FILE* OpenForReading(const std::string& path, int& error) {
  // A folder cannot be opened this way; a device or a pipe (CON, a named pipe) is refused before
  // anything is read from it.
  const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = ErrorFor(path, GetLastError());
    if (error == EISDIR) error = kNotARegularFile;
    return nullptr;
  }
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    error = kNotARegularFile;
    return nullptr;
  }
  return StreamOn(handle, "rb", error);
}

bool IdentityOf(const std::string& path, FileIdentity& identity, Links links) {
  const DWORD flags =
      FILE_FLAG_BACKUP_SEMANTICS | (links == Links::kOwn ? FILE_FLAG_OPEN_REPARSE_POINT : DWORD{0});
  const HANDLE handle =
      CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  const bool known = GetFileInformationByHandle(handle, &info) != 0;
  CloseHandle(handle);
  if (known) {
    identity = {info.dwVolumeSerialNumber,
                (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  }
  return known;
}

LockResult LockFile(const std::string& path, std::FILE*& file, int& error) {
  for (;;) {
    // Others may read the marker, nobody may open it for writing: a second driver's open fails
    // with a sharing violation.
    const HANDLE handle =
        CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      const DWORD openError = GetLastError();
      if (openError == ERROR_SHARING_VIOLATION) return LockResult::kHeldByAnother;
      error = ErrorFor(path, openError);
      return LockResult::kFailed;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info)) {
      error = ErrnoOf(GetLastError());
      CloseHandle(handle);
      return LockResult::kFailed;
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      // A link is nobody's lock: remove it and create the file itself.
      CloseHandle(handle);
      if (const DWORD removeError = RemoveName(path)) {
        error = ErrorFor(path, removeError);
        return LockResult::kFailed;
      }
      continue;
    }
    // One byte far beyond the marker's text: the lock keeps out a driver that opened the marker
    // with sharing, and readers of the text are not blocked.
    OVERLAPPED at;
    ZeroMemory(&at, sizeof at);
    at.OffsetHigh = 0x7FFFFFFF;
    if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
      const DWORD lockError = GetLastError();
      CloseHandle(handle);
      if (lockError == ERROR_LOCK_VIOLATION) return LockResult::kHeldByAnother;
      error = ErrnoOf(lockError);
      return LockResult::kFailed;
    }
    file = StreamOn(handle, "wb", error);
    return file ? LockResult::kLocked : LockResult::kFailed;
  }
}

int EmptyFile(std::FILE* file) {
  errno = 0;
  if (std::fflush(file) != 0 || _chsize(_fileno(file), 0) != 0) return errno ? errno : EIO;
  std::rewind(file);
  return 0;
}

namespace {

// The console's output handle, obtained once.
HANDLE ConsoleOutput() {
  static const HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
  return handle;
}

}  // namespace

Console::Console(std::ostream& out, bool isTerminal) : out_(out), isTerminal_(isTerminal) {}

Console& Console::Standard() {
  DWORD mode = 0;
  static Console console(std::cout, GetConsoleMode(ConsoleOutput(), &mode) != 0);
  return console;
}

void Console::SetUp() {
  if (setUpDone_) return;
  setUpDone_ = true;
  if (!isTerminal_) return;
  const HANDLE handle = ConsoleOutput();
  const SMALL_RECT window = {0, 0, 81, 40};
  SetConsoleWindowInfo(handle, TRUE, &window);
  SetConsoleScreenBufferSize(handle, COORD{140, 41});
  SetConsoleCursorPosition(handle, COORD{0, 0});
  const std::string blankRow(140, ' ');
  for (int row = 0; row < 41; ++row) out_ << blankRow << '\n';
  out_ << std::flush;
}

void Console::GoToRow(int row) {
  SetUp();
  if (isTerminal_) {
    SetConsoleCursorPosition(ConsoleOutput(), COORD{0, static_cast<SHORT>(row)});
  }
}

void Console::ShowLine(std::string_view text, int row) {
  SetUp();
  const std::string_view line = TrimRight(text);
  if (!isTerminal_) {
    out_ << line << '\n' << std::flush;
    return;
  }
  const HANDLE handle = ConsoleOutput();
  const COORD at{0, static_cast<SHORT>(row)};
  DWORD written = 0;
  const std::string blanks(80, ' ');
  WriteConsoleOutputCharacterA(handle, blanks.data(), 80, at, &written);
  WriteConsoleOutputCharacterA(handle, line.data(), static_cast<DWORD>(line.size()), at, &written);
}

// The tone sounds through the system's speaker whatever standard output is.
void Console::Beep() { ::Beep(800, 1000); }

}  // namespace tarn
