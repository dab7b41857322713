#include "fuzz/fuzz_run.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/text.h"

namespace tarn::fuzz {

namespace {

namespace fs = std::filesystem;

// Created once per process and removed when the process ends normally.
class ProcessFolder {
 public:
  ProcessFolder() {
    std::string pattern = (fs::temp_directory_path() / "tarn-fuzz-XXXXXX").string();
    Require(mkdtemp(pattern.data()) != nullptr, "cannot create the run folder");
    path = pattern;
  }
  ~ProcessFolder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  fs::path path;
};

const fs::path& Folder() {
  static ProcessFolder folder;
  return folder.path;
}

}  // namespace

void ResetRunFolder() {
  for (const fs::directory_entry& entry : fs::directory_iterator(Folder())) {
    fs::remove_all(entry.path());
  }
}

void PutFile(const std::string& name, std::string_view bytes) {
  std::ofstream(Folder() / name, std::ios::binary).write(bytes.data(), bytes.size());
}

FuzzRun::FuzzRun() : console(consoleOut, false), rt({"TARN_DoduVovuv", kRunId}, out, err, console) {
  rt.identity.checked = true;
  rt.identity.runId = kRunId;
  rt.identity.runFolder = Folder().string();
}

bool FuzzRun::Run(const std::function<void()>& stages) {
  try {
    stages();
    return true;
  } catch (const ProgramStop& stop) {
    const std::string_view end = stop.what();
    Require(end == "End of program" || end == "An error occurred - program stopped",
            "a stop that is neither a normal nor an error end");
    if (end != "End of program") {
      Require(rt.error.status != 0, "an error end with status 0");
      Require(!IsBlank(rt.error.line1) || !IsBlank(rt.error.line2) || !IsBlank(rt.error.line3),
              "an error end without a message line");
    }
    Require(rt.units.OpenUnits().empty(), "a file left open after the end of the program");
    return false;
  }
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> pieces;
  for (size_t start = 0;;) {
    const size_t end = text.find(separator, start);
    pieces.emplace_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return pieces;
    start = end + 1;
  }
}

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "FINDING: %s\n", what);
  std::abort();
}

}  // namespace tarn::fuzz
