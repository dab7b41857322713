// A fresh run for tests: a Runtime in a temporary folder of its own, with captured standard
// output, standard error and a plain console, its identity set to the run "test" in that folder.
// The folder is the current folder while the run exists, as it is for the driver, so that what a
// run deletes in its current folder is never the test runner's.
#pragma once

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "support/runtime.h"

namespace tarn::testing {

class TempRun {
 public:
  explicit TempRun(std::vector<std::string> args = {"TARN_DoduVovuv", "test"});
  ~TempRun();

  // Writes `content` as the file `name` in the run folder.
  void WriteFile(const std::string& name, const std::string& content) const;
  // The bytes of the file `name` in the run folder.
  std::string ReadFile(const std::string& name);
  // The lines of the file `name` in the run folder, without line ends.
  std::vector<std::string> Lines(const std::string& name);
  bool Exists(const std::string& name) const;
  // The lines written to the console, to standard output and to standard error.
  std::vector<std::string> ConsoleLines() const;
  std::vector<std::string> OutLines() const;
  std::vector<std::string> ErrLines() const;

  // Runs `action`, which must stop the program; returns the stop's last line ("" when the
  // action returned instead).
  std::string StopText(const std::function<void()>& action);

  std::filesystem::path folder;
  std::filesystem::path previousFolder;
  std::ostringstream out, err, consoleOut;
  Console console;
  Runtime rt;
};

// The lines of a text.
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace tarn::testing
