// The platform layer on Windows: cmd.exe runs commands, the console API places lines.
#include <direct.h>
#include <windows.h>

#include <cstdio>
#include <iostream>

#include "support/platform.h"
#include "support/text.h"

namespace tarn {

const char kPathSeparator = '\\';
const std::string_view kLineEnd = "\r\n";

int RunCommand(const std::string& command, const std::string& workingFolder) {
  std::string commandLine = "cmd.exe /c " + std::string(TrimRight(command));
  const std::string folder(TrimRight(workingFolder));
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);

  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  ZeroMemory(&process, sizeof process);
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, IDLE_PRIORITY_CLASS,
                      nullptr, folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
    return -1;
  }
  DWORD exitCode = 0;
  WaitForSingleObject(process.hProcess, INFINITE);
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return static_cast<int>(exitCode);
}

std::string QuoteForShell(const std::string& path) { return "\"" + path + "\""; }

std::string MakeFolderCommand(const std::string& folder) {
  const std::string quoted = QuoteForShell(std::string(TrimRight(folder)));
  return "cmd.exe /c if not exist " + quoted + " mkdir " + quoted;
}

std::string GetCurrentFolder() {
  char buffer[MAX_PATH * 4];
  if (!_getcwd(buffer, sizeof buffer)) return "";
  return buffer;
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
