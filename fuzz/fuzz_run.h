// What every fuzz target shares: a run folder of this process, emptied for each input, and a
// fresh Runtime per input whose stop (normal or error end) is an ordinary outcome. A crash, a
// sanitizer report, an uncaught exception, a hang or a broken invariant is a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "support/runtime.h"

namespace tarn::fuzz {

// The run identifier every fuzz run uses; its files are named <kRunId>.tsb, <kRunId>_1.sum, ...
constexpr const char* kRunId = "fuzz";

// Empties the process's run folder (creating it on first use), so that no file of an earlier
// input is seen by this one.
void ResetRunFolder();

// Writes `bytes` as the file `name` in the run folder.
void PutFile(const std::string& name, std::string_view bytes);

// One program run on the run "fuzz" in the run folder, with captured output streams.
class FuzzRun {
 public:
  FuzzRun();

  // Runs `stages` as the program would. Returns true when they returned, false when the program
  // stopped; a stop must be an end the driver knows, and an error end must carry a message.
  bool Run(const std::function<void()>& stages);

  std::ostringstream out, err, consoleOut;
  Console console;
  Runtime rt;
};

// Ends the process with `what` on standard error unless `condition` holds: a finding.
void Require(bool condition, const char* what);

// The pieces of `text` between the separators (one more than there are separators).
std::vector<std::string> Split(std::string_view text, char separator);

// The input as text.
inline std::string_view AsText(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace tarn::fuzz
