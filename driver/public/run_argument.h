// The driver's one argument, <folder>\<RunId>[.tol][/<CPU id>], read into the run's identity or
// refused with the lines the driver prints. The driver starts a run by it; the front end asks it
// whether the driver takes a model input's name as the run's name.
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tarn {

// An argument the driver takes.
struct RunArgument {
  std::string runId;      // bare run name, at most 200 characters; empty or blank-led is refused
  std::string runFolder;  // native path of the run's folder
  std::string cpuId;
};

// An argument the driver refuses: the lines it prints on standard output, then the last line on
// standard error; `beep` when the console beeps first.
struct RunArgumentRefusal {
  std::vector<std::string> lines;
  std::string lastLine;
  bool beep = false;
};

// Reads `argument` as the driver does; `currentFolder` is the run folder of an argument without
// one (empty when it cannot be read, which refuses such an argument).
std::variant<RunArgument, RunArgumentRefusal> ParseRunArgument(std::string_view argument,
                                                               const std::string& currentFolder);

}  // namespace tarn
