#include "support/testing.h"

#include <fstream>
#include <random>

namespace tarn::testing {

namespace {
std::filesystem::path MakeTempFolder() {
  std::random_device random;
  for (;;) {
    auto path = std::filesystem::temp_directory_path() /
                ("tarn-test-" + std::to_string(random()) + std::to_string(random()));
    if (std::filesystem::create_directory(path)) return path;
  }
}
}  // namespace

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

TempRun::TempRun(std::vector<std::string> args)
    : folder(MakeTempFolder()),
      previousFolder(std::filesystem::current_path()),
      console(consoleOut, false),
      rt(std::move(args), out, err, console) {
  rt.identity.checked = true;
  rt.identity.runId = "test";
  rt.identity.runFolder = folder.string();
  std::filesystem::current_path(folder);
}

TempRun::~TempRun() {
  std::error_code ignored;
  std::filesystem::current_path(previousFolder, ignored);
  std::filesystem::remove_all(folder, ignored);
}

void TempRun::WriteFile(const std::string& name, const std::string& content) const {
  std::ofstream(folder / name, std::ios::binary) << content;
}

std::string TempRun::ReadFile(const std::string& name) {
  // The run's open files buffer what they were given; a reader sees it as a model would.
  for (int unit : rt.units.OpenUnits()) rt.units.Flush(unit);
  std::ifstream in(folder / name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> TempRun::Lines(const std::string& name) {
  return SplitLines(ReadFile(name));
}

bool TempRun::Exists(const std::string& name) const {
  return std::filesystem::exists(folder / name);
}

std::vector<std::string> TempRun::ConsoleLines() const { return SplitLines(consoleOut.str()); }
std::vector<std::string> TempRun::OutLines() const { return SplitLines(out.str()); }
std::vector<std::string> TempRun::ErrLines() const { return SplitLines(err.str()); }

std::string TempRun::StopText(const std::function<void()>& action) {
  try {
    action();
  } catch (const ProgramStop& stop) {
    return stop.what();
  }
  return "";
}

}  // namespace tarn::testing
