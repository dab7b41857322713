#include "support/run_identity.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "support/text.h"

namespace tarn {

namespace {

constexpr std::string_view kAllowedInRunId =
    "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_";
constexpr std::string_view kModelInputExtension = ".tol";
constexpr size_t kRunIdCapacity = 200;
constexpr size_t kArgumentCapacity = 512;

RunArgumentRefusal Refusal(std::vector<std::string> lines, std::string lastLine) {
  return {std::move(lines), std::move(lastLine)};
}

RunArgumentRefusal UsageRefusal() {
  return Refusal(
      {"* Error: Improper model call. Model should be called as follows:", "* ", "* arventa RunId",
       "* ", "* where RunId is the name of the arv file without extension.", "* "},
      "Please specify a RunID");
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

}  // namespace

std::variant<RunArgument, RunArgumentRefusal> ParseRunArgument(std::string_view argument,
                                                               const std::string& currentFolder) {
  RunArgument identity;
  const std::string_view trimmed = TrimRight(argument);
  if (trimmed.empty()) return UsageRefusal();
  // Cut, it would name another run.
  if (trimmed.size() > kArgumentCapacity) {
    return Refusal({" The argument is longer than 512 characters"}, "Argument too long");
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
    return Refusal({" Invalid character in CPU ID", " CPU ID must be numerical"},
                   "Invalid character in CPU ID");
  }

  runId = std::string(TrimRight(runId));
  if (const size_t backslash = runId.rfind('\\'); backslash != std::string::npos) {
    identity.runFolder = NativeFolder(runId.substr(0, backslash));
    runId.erase(0, backslash + 1);
    const size_t first = runId.find_first_not_of(' ');
    runId.erase(0, first == std::string::npos ? runId.size() : first);
  } else {
    identity.runFolder = currentFolder;
    // The run's files would otherwise be looked for, and written, elsewhere.
    if (identity.runFolder.empty()) {
      return Refusal({}, "Cannot read the current folder - no error file generated");
    }
  }

  if (const size_t dot = runId.find('.'); dot != std::string::npos) {
    if (TrimRight(runId.substr(dot)) != kModelInputExtension) {
      return Refusal({" Extension of input file should be " + std::string(kModelInputExtension)},
                     "Invalid extension");
    }
    runId.resize(dot);
  }

  const std::string_view name = TrimRight(runId);
  if (name.find_first_not_of(kAllowedInRunId) != std::string_view::npos) {
    return Refusal(
        {" Invalid character in run name", " Only alphanumeric characters and underscore allowed"},
        "Invalid character in run name");
  }
  identity.runId = Cut(name, kRunIdCapacity);
  if (identity.runId.empty() || identity.runId.front() == ' ') {
    RunArgumentRefusal usage = UsageRefusal();
    usage.beep = true;
    return usage;
  }
  return identity;
}

std::string CheckRunId(Runtime& rt) {
  if (!rt.identity.checked) {
    rt.identity.checked = true;
    const auto parsed =
        ParseRunArgument(rt.args.size() > 1 ? rt.args[1] : std::string(), GetCurrentFolder());
    if (const auto* refusal = std::get_if<RunArgumentRefusal>(&parsed)) {
      if (refusal->beep) rt.console.Beep();
      for (const std::string& line : refusal->lines) rt.out << line << '\n';
      rt.StopDirectly(refusal->lastLine);
    }
    const RunArgument& argument = std::get<RunArgument>(parsed);
    rt.identity.runId = argument.runId;
    rt.identity.runFolder = argument.runFolder;
    rt.identity.cpuId = argument.cpuId;
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
