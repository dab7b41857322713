// The stand-in model run as the driver runs it: through the command interpreter, in a folder of
// its own, on a per-application input file.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/platform.h"

namespace {

namespace fs = std::filesystem;

const std::string kCompounds = "table compounds\nCompA\nCompB\nend_table\n";
const std::string kStandIn =
    "* TolvaModel stand-in for tests and demonstrations: NOT a leaching model";

std::string Applications(const std::string& rows) {
  return "table Applications\n" + rows + "end_table\n";
}
const std::string kTwoApplications =
    Applications("15-Mar     AppSolSur         1.000\n29-Mar     AppSolSur         0.500\n");

class TolvaModelTest : public ::testing::Test {
 protected:
  TolvaModelTest() {
    // A folder of its own: two suites may run at once.
    std::string pattern = (fs::temp_directory_path() / "tolva_model_test_XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
    folder_ = pattern;
  }
  ~TolvaModelTest() override { fs::remove_all(folder_); }

  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(folder_ / name, std::ios::binary) << text;
  }
  std::vector<std::string> Lines(const std::string& name) const {
    std::ifstream in(folder_ / name);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  // Runs the model on `file`; its standard output and error go to out.txt and err.txt.
  int Run(const std::string& file) const {
    return tarn::RunCommand(tarn::QuoteForShell(TARN_BIN_DIR "/model/TolvaModel.exe") + " " + file +
                                " >out.txt 2>err.txt",
                            folder_.string());
  }
  // The concentrations in the summary of a run on `input`.
  std::vector<double> Concentrations(const std::string& input) const {
    Write("run_1.tol", input);
    EXPECT_EQ(Run("run_1.tol"), 0);
    std::vector<double> values;
    for (const auto& line : Lines("run_1.sum")) {
      std::istringstream items(line);
      std::string key, name;
      double value;
      if (line.starts_with("Result_") && items >> key >> name >> value) values.push_back(value);
    }
    return values;
  }

  fs::path folder_;
};

TEST_F(TolvaModelTest, SummaryLayout) {
  Write("run_1.tol", kCompounds + kTwoApplications);
  ASSERT_EQ(Run("run_1.tol"), 0);
  const auto lines = Lines("run_1.sum");
  ASSERT_EQ(lines.size(), 6u);
  const std::vector<std::string> header = {kStandIn, "* Input file: run_1.tol", "* Applications: 2",
                                           "* Column 3: leaching concentration (ug/L)"};
  EXPECT_EQ(std::vector(lines.begin(), lines.begin() + 4), header);
  EXPECT_TRUE(std::regex_match(lines[4], std::regex(R"(Result_CompA  PEC80  \d\.\d{6}E-\d\d)")));
  EXPECT_TRUE(std::regex_match(lines[5], std::regex(R"(Result_CompB  PEC80  \d\.\d{6}E-\d\d)")));
  EXPECT_FALSE(fs::exists(folder_ / "evtfil.tmp"));
  // Lines ended by CR LF give the same summary; the scratch files are left when asked for.
  Write("run_1.tol", std::regex_replace(kCompounds + kTwoApplications + "Yes StandInLeaveScratch\n",
                                        std::regex("\n"), "\r\n"));
  ASSERT_EQ(Run("run_1.tol"), 0);
  EXPECT_EQ(Lines("run_1.sum"), lines);
  for (const char* scratch : {"evtfil.tmp", "prnevtfil.tmp", "zund.log", "meteodat.tmp"}) {
    EXPECT_TRUE(fs::exists(folder_ / scratch)) << scratch;
  }
}

// The 15th of each month, as the monthly schedule places it: every month gives its own value,
// autumn the highest and spring the lowest.
TEST_F(TolvaModelTest, SeasonalMaximum) {
  const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::vector<double> values;
  for (const std::string month : months) {
    values.push_back(
        Concentrations(kCompounds + Applications("15-" + month + " AppSolSur 1\n"))[0]);
  }
  const auto [low, high] = std::minmax_element(values.begin(), values.end());
  EXPECT_EQ(std::set(values.begin(), values.end()).size(), 12u);
  EXPECT_GE(high - values.begin(), 9) << "maximum in " << months[high - values.begin()];
  EXPECT_TRUE(low - values.begin() >= 2 && low - values.begin() <= 5)
      << "minimum in " << months[low - values.begin()];
  EXPECT_GT(*high, 10 * *low);
}

// Inputs that must give the same concentrations as the plain one: dates written otherwise, the
// unused second value, parameter records holding their defaults.
TEST_F(TolvaModelTest, EquivalentInputs) {
  const struct {
    std::string plain, equivalent, records;
  } kCases[] = {
      {"15-Oct AppSolSur 1.0\n", "15-Oct-2005 AppSolSur 1.0\n", ""},
      {"31-Dec AppSolSur 1.0\n", "00-Jan AppSolSur 1.0\n", ""},
      {"15-Jun AppSolSur 1.0\n", "15-Jun\tAppSolInj   1.0E0  0.3\n", ""},
      {"15-Jun AppSolSur 1.0\n", "15-Jun AppSolSur 1.0\n", "1.0D-3 LeachFac_CompB (-)\n"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Concentrations(kCompounds + Applications(c.plain)),
              Concentrations(kCompounds + Applications(c.equivalent) + c.records))
        << c.equivalent << c.records;
  }
}

TEST_F(TolvaModelTest, SummaryOnlyWritesFixedValues) {
  Write("run_1.tol", kCompounds + Applications("bad row\n") + "Yes StandInSummaryOnly\n" +
                         "absent.bot BotFile\n");
  ASSERT_EQ(Run("run_1.tol"), 0);
  const std::vector<std::string> expected = {kStandIn,
                                             "* Input file: run_1.tol",
                                             "* Fixed values (StandInSummaryOnly)",
                                             "* Column 3: leaching concentration (ug/L)",
                                             "Result_CompA  PEC80  1.000000E-01",
                                             "Result_CompB  PEC80  1.000000E-01"};
  EXPECT_EQ(Lines("run_1.sum"), expected);
}

// Hooks and faults of the input: the exit code, whether a summary exists, standard error.
TEST_F(TolvaModelTest, ExitCodes) {
  const std::string hooked = kCompounds + kTwoApplications;
  const struct {
    std::string input, file;
    int exitCode;
    std::string error;
  } kCases[] = {
      {hooked + "2,5 StandInFailFor", "run_5", 3,
       "failing on purpose (StandInFailFor) for run_5.tol"},
      {hooked + "2,5 StandInFailFor", "run_4", 0, ""},
      {hooked + "7 StandInExitCode", "run_1", 7, ""},
      {hooked + "0.01 StandInRunTime (s)", "run_1", 0, ""},
      {hooked + "present.met MetFile", "run_1", 0, ""},
      {hooked + "absent.bot BotFile", "run_1", 2,
       "BotFile absent.bot not found beside the input file"},
      {kCompounds + Applications("29-Feb AppSolSur 1.0\n"), "run_1", 1,
       "unreadable row of table Applications: 29-Feb AppSolSur 1.0"},
      {kCompounds + Applications("15-Mar AppSolAir 1.0\n"), "run_1", 1,
       "unreadable row of table Applications: 15-Mar AppSolAir 1.0"},
      {kCompounds, "run_1", 1, "no table Applications in the input"},
      {kTwoApplications, "run_1", 1, "no table compounds in the input"},
  };
  Write("present.met", "");
  for (const auto& c : kCases) {
    fs::remove(folder_ / (c.file + ".sum"));
    Write(c.file + ".tol", c.input + "\n");
    EXPECT_EQ(Run(c.file + ".tol"), c.exitCode) << c.input;
    EXPECT_EQ(fs::exists(folder_ / (c.file + ".sum")), c.exitCode == 0 || c.exitCode > 3);
    const std::vector<std::string> error = {"TolvaModel stand-in: " + c.error};
    EXPECT_EQ(Lines("err.txt"), c.error.empty() ? std::vector<std::string>{} : error) << c.input;
  }
}

}  // namespace
