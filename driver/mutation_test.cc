// The built driver, run with the stand-in model on mutated copies of the example's control file,
// model input, model summaries and per-application inputs. Whatever it is handed, every run must
// end within the time limit, with exit status 0 and no signal, in exactly one of its two ends: a
// normal end ("tolva.ok", a complete report, no error file) or an error end (the error file with
// at least one message line, no "tolva.ok").
//
// The cases are seeded and deterministic. TARN_MUTATION_CASES sets the number of cases of each
// test (by default 100, and 50 for the slower crashes of the model) and TARN_MUTATION_SEED the
// first case's number (default 0), so that many more cases can be run on demand. A failing case
// names its mutations and keeps its folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/testing.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;
using testing::SplitLines;

const std::string kRunId = "GW_Test";
const std::string kDriver = TARN_BIN_DIR "/TARN_DoduVovuv";
const fs::path kExamples = TARN_EXAMPLES_DIR;
constexpr auto kTimeLimit = std::chrono::seconds(60);
const std::string kHyphenLine = "* " + std::string(78, '-');
const char* const kReportEnd = "* End of TARN Doduvovuv Report: Leaching";
// The lines of the run files' header in the error file.
constexpr size_t kErrorFileHeaderLines = 11;

int EnvironmentNumber(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value && *value ? std::atoi(value) : fallback;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

// How a child process ended.
struct ChildEnd {
  bool overran = false;  // killed after the time limit
  int status = 0;        // as waitpid gives it
};

// Runs the driver on the model input of the run folder, its standard output and error going to
// `outPath` and `errPath`; kills it with its children when it overruns the time limit.
ChildEnd RunDriver(const fs::path& runFolder, const fs::path& outPath, const fs::path& errPath) {
  const std::string folder = runFolder.string(), out = outPath.string(), err = errPath.string();
  const std::string argument = kRunId + ".tol";
  const pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    const int input = open("/dev/null", O_RDONLY);
    const int output = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int error = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (input < 0 || output < 0 || error < 0 || dup2(input, 0) < 0 || dup2(output, 1) < 0 ||
        dup2(error, 2) < 0 || chdir(folder.c_str()) != 0) {
      _exit(126);
    }
    execl(kDriver.c_str(), kDriver.c_str(), argument.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  ChildEnd end;
  if (pid < 0) {
    end.status = -1;
    return end;
  }
  setpgid(pid, pid);  // also here, so that the group exists before any kill
  const auto deadline = std::chrono::steady_clock::now() + kTimeLimit;
  while (waitpid(pid, &end.status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(-pid, SIGKILL);
      waitpid(pid, &end.status, 0);
      end.overran = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return end;
}

// What breaks the rule of the two ends in a run that ended so; empty when the rule holds.
std::string BrokenRule(const fs::path& runFolder, const fs::path& errPath, const ChildEnd& end) {
  if (end.overran) return "no end within the time limit";
  if (WIFSIGNALED(end.status)) return "killed by signal " + std::to_string(WTERMSIG(end.status));
  if (!WIFEXITED(end.status) || WEXITSTATUS(end.status) != 0) {
    return "exit status " + std::to_string(WEXITSTATUS(end.status));
  }
  const bool normalEnd = fs::exists(runFolder / "tolva.ok");
  const bool errorEnd = fs::exists(runFolder / (kRunId + ".err"));
  if (normalEnd == errorEnd) return normalEnd ? "both ends" : "neither end";
  if (fs::exists(runFolder / (kRunId + ".bus"))) return "the busy marker left behind";
  // The driver's and the model's reports of a sanitizer build; their failures alone might pass for
  // a failed model run.
  const std::string stderrText = ReadFile(errPath);
  if (stderrText.find("Sanitizer") != std::string::npos ||
      stderrText.find("runtime error:") != std::string::npos) {
    return "a sanitizer report";
  }
  const std::vector<std::string> stderrLines = SplitLines(stderrText);
  const std::string lastLine = stderrLines.empty() ? "" : stderrLines.back();
  if (normalEnd) {
    const std::vector<std::string> report = SplitLines(ReadFile(runFolder / (kRunId + "_Tsb.sum")));
    if (report.size() < 2 || report[report.size() - 2] != kReportEnd ||
        report.back() != kHyphenLine) {
      return "a normal end with an incomplete report";
    }
    if (lastLine != "End of program") return "a normal end whose last line is " + lastLine;
  } else {
    // A fault in the compound list is found before the header is written.
    const std::vector<std::string> errorFile = SplitLines(ReadFile(runFolder / (kRunId + ".err")));
    const size_t header =
        !errorFile.empty() && errorFile[0] == kHyphenLine ? kErrorFileHeaderLines : 0;
    if (errorFile.size() <= header || errorFile[header].empty()) {
      return "an error end without a message line";
    }
    if (lastLine != "An error occurred - program stopped") {
      return "an error end whose last line is " + lastLine;
    }
  }
  return "";
}

// A deterministic source of choices.
class Choices {
 public:
  explicit Choices(uint64_t seed) : engine_(seed) {}
  size_t Below(size_t n) { return n == 0 ? 0 : engine_() % n; }
  bool OneIn(size_t n) { return Below(n) == 0; }
  template <typename T, size_t N>
  const T& Of(const T (&items)[N]) {
    return items[Below(N)];
  }

 private:
  std::mt19937_64 engine_;
};

// The lines of a text, each with its line end.
std::vector<std::string> LinesWithEnds(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    const size_t end = std::min(text.find('\n', start), text.size() - 1);
    lines.push_back(text.substr(start, end + 1 - start));
    start = end + 1;
  }
  return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line;
  return text;
}

// The positions and lengths of the words of a text that look like numbers.
std::vector<std::pair<size_t, size_t>> NumberWords(const std::string& text) {
  std::vector<std::pair<size_t, size_t>> words;
  for (size_t start = 0; (start = text.find_first_not_of(" \t\r\n", start)) != std::string::npos;) {
    const size_t end = std::min(text.find_first_of(" \t\r\n", start), text.size());
    const std::string word = text.substr(start, end - start);
    if (word.find_first_of("0123456789") != std::string::npos &&
        word.find_first_not_of("0123456789.+-eEdD") == std::string::npos) {
      words.emplace_back(start, end - start);
    }
    start = end;
  }
  return words;
}

// Puts `word` in place of a number word of the text, or at the start of a line without one.
void ReplaceNumber(std::string& text, const std::string& word, Choices& choose) {
  const auto numbers = NumberWords(text);
  if (numbers.empty()) {
    std::vector<std::string> lines = LinesWithEnds(text);
    if (lines.empty()) lines.push_back("");
    lines[choose.Below(lines.size())].insert(0, word + " ");
    text = Joined(lines);
    return;
  }
  const auto [position, length] = numbers[choose.Below(numbers.size())];
  text.replace(position, length, word);
}

void Truncate(std::string& text, Choices& choose) { text.resize(choose.Below(text.size() + 1)); }

void FlipBytes(std::string& text, Choices& choose) {
  for (size_t n = 1 + choose.Below(4); n > 0 && !text.empty(); --n) {
    text[choose.Below(text.size())] ^= static_cast<char>(1 << choose.Below(8));
  }
}

void DropLine(std::string& text, Choices& choose) {
  std::vector<std::string> lines = LinesWithEnds(text);
  if (lines.empty()) return;
  lines.erase(lines.begin() + choose.Below(lines.size()));
  text = Joined(lines);
}

void DuplicateLine(std::string& text, Choices& choose) {
  std::vector<std::string> lines = LinesWithEnds(text);
  if (lines.empty()) return;
  const size_t i = choose.Below(lines.size());
  const size_t copies = choose.OneIn(8) ? 1000 : 1 + choose.Below(3);
  lines.insert(lines.begin() + i, copies, lines[i]);
  text = Joined(lines);
}

void SwapLines(std::string& text, Choices& choose) {
  std::vector<std::string> lines = LinesWithEnds(text);
  if (lines.empty()) return;
  std::swap(lines[choose.Below(lines.size())], lines[choose.Below(lines.size())]);
  text = Joined(lines);
}

// Drops a table's end_table line, cuts the file inside a table, or drops one of its rows.
void CutTable(std::string& text, Choices& choose) {
  std::vector<std::string> lines = LinesWithEnds(text);
  std::vector<size_t> headers;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].find("table ") != std::string::npos) headers.push_back(i);
  }
  if (headers.empty()) return Truncate(text, choose);
  const size_t header = headers[choose.Below(headers.size())];
  size_t end = header + 1;
  while (end < lines.size() && lines[end].find("end_table") == std::string::npos) ++end;
  switch (choose.Below(3)) {
    case 0:
      if (end < lines.size()) lines.erase(lines.begin() + end);
      break;
    case 1:
      lines.resize(header + 1 + choose.Below(end - header));
      break;
    default:
      if (end > header + 1)
        lines.erase(lines.begin() + header + 1 + choose.Below(end - header - 1));
  }
  text = Joined(lines);
}

void HugeNumber(std::string& text, Choices& choose) {
  const char* const kHuge[] = {
      "1e308",          "-1.0D308",   "1e400",       "9999999999999999999999999", "4.9e-324",
      "1e-400",         "2147483648", "-2147483649", "1.7976931348623157E308",    "-0.0",
      "1.0E99999999999"};
  ReplaceNumber(text, choose.Of(kHuge), choose);
}

void NotANumber(std::string& text, Choices& choose) {
  const char* const kNonFinite[] = {"NaN", "nan", "-Inf", "Infinity", "+inf", "NaN(1)"};
  ReplaceNumber(text, choose.Of(kNonFinite), choose);
}

// A word of 200 characters and more, some of them beginning with a key of the files.
void LongWord(std::string& text, Choices& choose) {
  const size_t kLengths[] = {200, 201, 511, 512, 513, 5000, 100000};
  const char* const kStarts[] = {"", "Result_Tarnazine", "table", "15-Jan", "1.0"};
  std::string word = choose.Of(kStarts);
  word.resize(std::max(word.size(), choose.Of(kLengths)), choose.OneIn(2) ? 'x' : '9');
  std::vector<std::string> lines = LinesWithEnds(text);
  if (lines.empty()) lines.push_back("\n");
  std::string& line = lines[choose.Below(lines.size())];
  const size_t blank = line.find(' ');
  line.insert(blank == std::string::npos || choose.OneIn(2) ? 0 : blank + 1, word + " ");
  text = Joined(lines);
}

// A line of 511 characters and more: blanks, or words, at its end.
void LongLine(std::string& text, Choices& choose) {
  const size_t kLengths[] = {511, 512, 513, 4096, 1 << 20};
  const char* const kFills[] = {" ", "ab ", "1.0 ", "\t"};
  std::vector<std::string> lines = LinesWithEnds(text);
  if (lines.empty()) lines.push_back("\n");
  std::string& line = lines[choose.Below(lines.size())];
  const bool ended = !line.empty() && line.back() == '\n';
  if (ended) line.pop_back();
  const std::string fill = choose.Of(kFills);
  for (size_t length = choose.Of(kLengths); line.size() < length;) line += fill;
  if (ended) line += '\n';
  text = Joined(lines);
}

// Line ends turned into LF, CR LF, CR CR LF or a lone CR, all alike or line by line.
void MixLineEnds(std::string& text, Choices& choose) {
  const char* const kEnds[] = {"\n", "\r\n", "\r\r\n", "\r"};
  const bool alike = choose.OneIn(2);
  const std::string common = choose.Of(kEnds);
  std::vector<std::string> lines = LinesWithEnds(text);
  for (std::string& line : lines) {
    if (line.empty() || line.back() != '\n') continue;
    line.pop_back();
    if (!line.empty() && line.back() == '\r') line.pop_back();
    line += alike ? common : std::string(choose.Of(kEnds));
  }
  text = Joined(lines);
  // Now and then the last line loses its end.
  while (choose.OneIn(4) && !text.empty() && (text.back() == '\n' || text.back() == '\r')) {
    text.pop_back();
  }
}

void Empty(std::string& text, Choices&) { text.clear(); }

// Bytes the files never hold: NUL, control characters, bytes above 127, quotes and separators.
void OddBytes(std::string& text, Choices& choose) {
  const char kOdd[] = {'\0', '\t', '\x7f', '\xff', '\xc3', '\f', '\v',
                       ',',  '*',  '!',    '"',    '\'',   '\\', '$'};
  for (size_t n = 1 + choose.Below(8); n > 0; --n) {
    text.insert(text.begin() + choose.Below(text.size() + 1), choose.Of(kOdd));
  }
}

struct Mutation {
  const char* name;
  void (*apply)(std::string& text, Choices& choose);
  int weight;
};
const Mutation kMutations[] = {
    {"flip bytes", FlipBytes, 3},
    {"drop a line", DropLine, 3},
    {"duplicate a line", DuplicateLine, 3},
    {"swap two lines", SwapLines, 2},
    {"cut a table", CutTable, 3},
    {"huge number", HugeNumber, 3},
    {"not a number", NotANumber, 3},
    {"long word", LongWord, 2},
    {"long line", LongLine, 2},
    {"mixed line ends", MixLineEnds, 2},
    {"truncate", Truncate, 2},
    {"odd bytes", OddBytes, 2},
    {"empty", Empty, 1},
};

const Mutation& ChooseMutation(Choices& choose) {
  int total = 0;
  for (const Mutation& mutation : kMutations) total += mutation.weight;
  int pick = static_cast<int>(choose.Below(total));
  for (const Mutation& mutation : kMutations) {
    if ((pick -= mutation.weight) < 0) return mutation;
  }
  return kMutations[0];
}

// How the driver is run: its schedule, whether it only rebuilds the report from the model outputs
// present, and how many model runs it starts at once.
struct Mode {
  const char* option;
  bool postProcessOnly;
  int parallelRuns;
};
const Mode kNormalModes[] = {
    {"Monthly", false, 1}, {"UserDefined", false, 1}, {"Monthly", false, 2}};
const Mode kPostProcessingModes[] = {{"Monthly", true, 1}, {"UserDefined", true, 1}};

const std::string kStandInFolder = TARN_BIN_DIR "/model";

// The example's control file as the front end writes it, with the model folder `binDir`.
std::string ControlFile(const Mode& mode, const std::string& binDir) {
  std::string text = binDir + "    BinDir   ! Path to executable of TOLVA\r\n";
  const std::vector<std::string> example =
      LinesWithEnds(ReadFile(kExamples / (kRunId + "_" + mode.option + ".tsb")));
  for (size_t i = 1; i < example.size(); ++i) text += example[i];
  if (mode.parallelRuns > 1) {
    text +=
        std::to_string(mode.parallelRuns) + "        NumParallelRuns   ! model runs at once\r\n";
  }
  if (mode.postProcessOnly) text += "PostProcessOnly\r\n";
  return text;
}

// True for the model outputs of an application id: <RunId>_<AppId>.sum and .tol.
bool IsModelOutput(const fs::path& path) {
  const std::string name = path.filename().string();
  const std::string prefix = kRunId + "_";
  const size_t dot = name.find('.');
  return name.rfind(prefix, 0) == 0 && dot > prefix.size() && dot != std::string::npos &&
         name.find_first_not_of("0123456789", prefix.size()) == dot &&
         (path.extension() == ".sum" || path.extension() == ".tol");
}

// A model that crashes half-way for some application ids: the stand-in writes the summary, which
// is then cut after the given number of bytes, and the model dies by a signal. Each crash is noted
// in `crashLog`.
std::string CrashingModel(const std::vector<std::pair<int, int>>& idsAndCuts,
                          const fs::path& crashLog) {
  std::string script = "#!/bin/sh\n'" + kStandInFolder +
                       "/TolvaModel.exe' \"$1\" || exit $?\n"
                       "base=\"${1%.tol}\"\n"
                       "case \"${base##*_}\" in\n";
  for (const auto& [id, cut] : idsAndCuts) {
    script += "  " + std::to_string(id) + ") cut=" + std::to_string(cut) + " ;;\n";
  }
  return script +
         "  *) exit 0 ;;\n"
         "esac\n"
         "head -c \"$cut\" \"$base.sum\" > \"$base.cut\"\n"
         "mv \"$base.cut\" \"$base.sum\"\n"
         "echo \"$base\" >> '" +
         crashLog.string() +
         "'\n"
         "kill -KILL $$\n";
}

// What a case changes: one of the files of a run, or the model, which then crashes half-way.
enum class Mutated { kControlFile, kModelInput, kModelOutputs, kModelCrashes };

class DriverMutation : public ::testing::Test {
 protected:
  // Runs the example once per schedule, for the model outputs that post-processing runs rebuild
  // their reports from.
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tarn-mutation-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    for (const Mode& mode : kPostProcessingModes) {
      const fs::path folder = Outputs(mode);
      PrepareRunFolder(folder, {mode.option, false, 1}, kStandInFolder);
      const ChildEnd end = RunDriver(folder, root_ / "stdout.txt", root_ / "stderr.txt");
      ASSERT_EQ(BrokenRule(folder, root_ / "stderr.txt", end), "") << mode.option;
      ASSERT_TRUE(fs::exists(folder / "tolva.ok")) << mode.option;
    }
  }

  void TearDown() override {
    if (!keepRoot_) fs::remove_all(root_);
  }

  fs::path Outputs(const Mode& mode) const {
    return root_ / ("outputs-" + std::string(mode.option));
  }

  void PrepareRunFolder(const fs::path& folder, const Mode& mode, const std::string& binDir) const {
    fs::create_directories(folder);
    for (const char* extension : {".tol", ".bot", ".met"}) {
      fs::copy_file(kExamples / (kRunId + extension), folder / (kRunId + extension));
    }
    WriteFile(folder / (kRunId + ".tsb"), ControlFile(mode, binDir));
    if (!mode.postProcessOnly) return;
    for (const fs::directory_entry& entry : fs::directory_iterator(Outputs(mode))) {
      if (IsModelOutput(entry.path()))
        fs::copy_file(entry.path(), folder / entry.path().filename());
    }
  }

  // Runs the cases of `mutated`, numbered from TARN_MUTATION_SEED on.
  void RunCases(Mutated mutated, int defaultCases) {
    const int first = EnvironmentNumber("TARN_MUTATION_SEED", 0);
    const int cases = EnvironmentNumber("TARN_MUTATION_CASES", defaultCases);
    int normalEnds = 0, errorEnds = 0;
    for (int number = first; number < first + cases; ++number) {
      (RunCase(mutated, number) ? normalEnds : errorEnds)++;
    }
    std::printf("%d cases: %d normal ends, %d error ends\n", cases, normalEnds, errorEnds);
  }

  // Runs one case and checks its end; true for a normal end.
  bool RunCase(Mutated mutated, int number) {
    Choices choose((static_cast<uint64_t>(number) << 2) | static_cast<uint64_t>(mutated));
    const bool postProcessing =
        mutated == Mutated::kModelOutputs || (mutated != Mutated::kModelCrashes && choose.OneIn(3));
    const Mode& mode = postProcessing ? choose.Of(kPostProcessingModes) : choose.Of(kNormalModes);
    const fs::path caseFolder = root_ / ("case-" + std::to_string(static_cast<int>(mutated)) + "-" +
                                         std::to_string(number));
    const fs::path runFolder = caseFolder / "run";
    std::string description = "case " + std::to_string(number) + ": " + mode.option +
                              (mode.postProcessOnly ? ", post-processing" : "") +
                              (mode.parallelRuns > 1 ? ", parallel runs" : "");

    std::string binDir = kStandInFolder;
    const fs::path crashLog = caseFolder / "crashes.txt";
    if (mutated == Mutated::kModelCrashes) {
      std::vector<std::pair<int, int>> idsAndCuts;
      for (size_t n = 1 + choose.Below(2); n > 0; --n) {
        // The stand-in's summaries are about 250 bytes long: cut in the header, inside a compound
        // line or not at all.
        idsAndCuts.emplace_back(1 + choose.Below(12), 100 + choose.Below(170));
        description += "; the model crashes for id " + std::to_string(idsAndCuts.back().first) +
                       " after " + std::to_string(idsAndCuts.back().second) + " bytes";
      }
      binDir = (caseFolder / "model").string();
      fs::create_directories(binDir);
      WriteFile(binDir + "/TolvaModel.exe", CrashingModel(idsAndCuts, crashLog));
      fs::permissions(binDir + "/TolvaModel.exe", fs::perms::owner_all);
    }
    PrepareRunFolder(runFolder, mode, binDir);

    std::vector<fs::path> files;
    if (mutated == Mutated::kControlFile) files = {runFolder / (kRunId + ".tsb")};
    if (mutated == Mutated::kModelInput) files = {runFolder / (kRunId + ".tol")};
    if (mutated == Mutated::kModelOutputs) {
      std::vector<fs::path> outputs;
      for (const fs::directory_entry& entry : fs::directory_iterator(runFolder)) {
        if (IsModelOutput(entry.path())) outputs.push_back(entry.path());
      }
      std::sort(outputs.begin(), outputs.end());
      for (size_t n = 1 + choose.Below(3); n > 0; --n) {
        files.push_back(outputs[choose.Below(outputs.size())]);
      }
    }
    for (const fs::path& file : files) {
      std::string text = ReadFile(file);
      description += "; " + file.filename().string() + ":";
      for (size_t n = 1 + choose.Below(3); n > 0; --n) {
        const Mutation& mutation = ChooseMutation(choose);
        mutation.apply(text, choose);
        description += std::string(" ") + mutation.name;
      }
      WriteFile(file, text);
    }

    const fs::path errPath = caseFolder / "stderr.txt";
    const ChildEnd end = RunDriver(runFolder, caseFolder / "stdout.txt", errPath);
    const bool normalEnd = fs::exists(runFolder / "tolva.ok");
    std::string broken = BrokenRule(runFolder, errPath, end);
    if (broken.empty() && normalEnd && fs::exists(crashLog)) {
      broken = "a normal end with the results of a crashed model run";
    }
    EXPECT_EQ(broken, "") << description << "; its folder is kept: " << caseFolder;
    if (!broken.empty()) {
      keepRoot_ = true;
    } else {
      fs::remove_all(caseFolder);
    }
    return normalEnd;
  }

  fs::path root_;
  bool keepRoot_ = false;
};

TEST_F(DriverMutation, ControlFile) { RunCases(Mutated::kControlFile, 100); }
TEST_F(DriverMutation, ModelInput) { RunCases(Mutated::kModelInput, 100); }
TEST_F(DriverMutation, ModelOutputs) { RunCases(Mutated::kModelOutputs, 100); }
// A run is never reported as a success on the results of a model run that crashed.
TEST_F(DriverMutation, ModelCrashes) { RunCases(Mutated::kModelCrashes, 50); }

}  // namespace
}  // namespace tarn
