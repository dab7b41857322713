#include "support/run_identity.h"

#include <algorithm>
#include <string_view>

#include "support/text.h"

namespace tarn {

namespace {

constexpr std::string_view kAllowedInRunId =
    "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_";
constexpr std::string_view kModelInputExtension = ".tol";
constexpr size_t kRunIdCapacity = 200;
constexpr size_t kArgumentCapacity = 512;

[[noreturn]] void RefuseWithUsage(Runtime& rt) {
  for (const char* line :
       {"* Error: Improper model call. Model should be called as follows:", "* ", "* arventa RunId",
        "* ", "* where RunId is the name of the arv file without extension.", "* "}) {
    rt.out << line << '\n';
  }
  rt.StopDirectly("Please specify a RunID");
}

bool AllDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The run folder as a native path: the argument separates folders with backslashes everywhere;
// a folder left blank is the root folder.
std::string NativeFolder(std::string folder) {
  std::replace(folder.begin(), folder.end(), '\\', kPathSeparator);
  return folder.empty() ? std::string(1, kPathSeparator) : folder;
}

void ParseArgument(Runtime& rt) {
  RunIdentity& identity = rt.identity;
  identity.checked = true;
  const std::string argument = rt.args.size() > 1 ? rt.args[1] : std::string();
  const std::string_view trimmed = TrimRight(argument);
  if (trimmed.empty()) RefuseWithUsage(rt);
  // Cut, it would name another run.
  if (trimmed.size() > kArgumentCapacity) {
    rt.out << " The argument is longer than 512 characters\n";
    rt.StopDirectly("Argument too long");
  }

  std::string runId(trimmed);
  if (trimmed.front() == '"' && trimmed.back() == '"') {
    runId = trimmed.size() > 2 ? std::string(trimmed.substr(1, trimmed.size() - 2)) : "";
  }
  runId = std::string(TrimRight(runId));

  if (const size_t slash = runId.find('/'); slash != std::string::npos) {
    identity.cpuId = std::string(TrimRight(runId.substr(slash + 1)));
    runId.resize(slash);
  }
  if (!AllDigits(identity.cpuId)) {
    rt.out << " Invalid character in CPU ID\n CPU ID must be numerical\n";
    rt.StopDirectly("Invalid character in CPU ID");
  }

  runId = std::string(TrimRight(runId));
  if (const size_t backslash = runId.rfind('\\'); backslash != std::string::npos) {
    identity.runFolder = NativeFolder(runId.substr(0, backslash));
    runId.erase(0, backslash + 1);
    const size_t first = runId.find_first_not_of(' ');
    runId.erase(0, first == std::string::npos ? runId.size() : first);
  } else {
    identity.runFolder = GetCurrentFolder();
    // The run's files would otherwise be looked for, and written, elsewhere.
    if (identity.runFolder.empty()) {
      rt.StopDirectly("Cannot read the current folder - no error file generated");
    }
  }

  if (const size_t dot = runId.find('.'); dot != std::string::npos) {
    if (TrimRight(runId.substr(dot)) != kModelInputExtension) {
      rt.out << " Extension of input file should be " << kModelInputExtension << '\n';
      rt.StopDirectly("Invalid extension");
    }
    runId.resize(dot);
  }

  const std::string_view name = TrimRight(runId);
  if (name.find_first_not_of(kAllowedInRunId) != std::string_view::npos) {
    rt.out << " Invalid character in run name\n"
              " Only alphanumeric characters and underscore allowed\n";
    rt.StopDirectly("Invalid character in run name");
  }
  identity.runId = Cut(name, kRunIdCapacity);
}

}  // namespace

std::string CheckRunId(Runtime& rt) {
  if (!rt.identity.checked) ParseArgument(rt);
  if (rt.identity.runId.empty() || rt.identity.runId.front() == ' ') {
    rt.console.Beep();
    RefuseWithUsage(rt);
  }
  return rt.identity.runId;
}

char CheckCallingProgram(Runtime& rt) {
  if (rt.identity.callingProgramCode == 0) {
    // The identity this driver is built for; the first identifier found in it gives the code.
    const std::string_view callingProgram = "FELDRIN";
    const std::pair<std::string_view, char> kIdentifiers[] = {
        {"ARVENTA", 'A'}, {"BELMORA", 'B'}, {"CASTRIL", 'C'}, {"KAV", 'C'},
        {"DUNVELA", 'D'}, {"ESKARO", 'E'},  {"FELDRIN", 'F'}};
    for (const auto& [identifier, code] : kIdentifiers) {
      if (callingProgram.find(identifier) != std::string_view::npos) {
        rt.identity.callingProgramCode = code;
        break;
      }
    }
    if (rt.identity.callingProgramCode == 0) {
      rt.Fail(-1, "CallingProgram must be one of the following:",
              "ARVENTA, BELMORA, CASTRIL, DUNVELA or ESKARO");
    }
  }
  return rt.identity.callingProgramCode;
}

}  // namespace tarn
