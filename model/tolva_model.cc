// TolvaModel.exe, the stand-in: a small program that takes the place of the Tolva leaching
// model so that TARN can be built, tested and demonstrated without the real model. It is NOT a
// leaching model: it simulates no water flow, no sorption and no crop, and its numbers must never
// be used for an assessment. It keeps the real model's contract with the driver (one argument,
// the input file; the summary `<base>.sum` beside it; exit code 0 for success) and adds test
// hooks for failures, scratch files and run time.
//
// The concentration of a compound follows one year's season on a daily step, from the first
// application to two years after the last one:
//   soil temperature  T(t) = 17 + 5 cos(2 pi (t - 196) / 365)  (degrees C, warmest mid-July)
//   degradation rate  k(t) = ln 2 / DegT50 * exp(-Ea/R (1/(T+273.15) - 1/293.15)),
//                     Ea = 65.4 kJ/mol, DegT50 at 20 degrees C
//   leaching rate     r(t) = 0.01 * max(0, cos(2 pi (t - 15) / 365))  (per day; winter only,
//                     mid-October to mid-April, highest mid-January)
//   each day          M += doses applied that day; M *= exp(-k); L += r M; M -= r M
//   concentration     C = LeachFac * L * 1.0E5 / 300  (ug/L: L kg/ha in 300 mm of water)
// t is the day in the year of each date (1 January = 1). An application made shortly before the
// winter leaching loses little to degradation, one made in spring degrades all summer: the
// concentration has a clear maximum for autumn applications and differs from day to day.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <numbers>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

constexpr std::string_view kUsage =
    R"(TolvaModel.exe: STAND-IN for tests and demonstrations, NOT a leaching model.
It takes the place of the Tolva leaching model so that TARN can be tested and
shown without it. Its concentrations come from a simple seasonal formula and
must never be used for an assessment.

Usage: TolvaModel.exe <base>.tol

Reads the model input <base>.tol and writes the summary <base>.sum beside it:
a few header lines, then one line per row of the table compounds:
  Result_<compound>  PEC80  <leaching concentration in ug/L, e.g. 1.234567E-02>
After a successful run (exit code 0) it also writes tolva.ok beside the input,
as the real model may.

Read from the input (records: value first, keyword second):
  table compounds ... end_table     one compound per row, its name the first word
  table Applications ... end_table  rows: date (dd-Mmm or dd-Mmm-yyyy), type, values:
                                      AppSolSur  dose (kg/ha)
                                      AppSolInj, AppSolTil, AppCrpUsr  dose (kg/ha)
                                      and a second value (depth or fraction, unused)
                                    a date earlier than the row before lies in the next year
  <d>     DegT50_<compound> (d)     half-life at 20 C (default 30)
  <->     LeachFac_<compound> (-)   fraction of the leached mass that reaches the
                                    groundwater (default 1.0E-03)
  <file>  BotFile, MetFile          companion files; they must exist beside the input

Test hooks (optional records):
  <ids>   StandInFailFor       comma-separated application ids (the number after the
                               last "_" of <base>): exit with code 3, write no summary
  <code>  StandInExitCode      exit with this code after writing the summary
  Yes     StandInLeaveScratch  leave evtfil.tmp and prnevtfil.tmp beside the input,
                               zund.log and meteodat.tmp in the current folder
  <s>     StandInRunTime       sleep this many seconds before finishing
  Yes     StandInSummaryOnly   read only the compound list and write 1.000000E-01
                               for every compound (no companions, no applications)

Formula, per compound, on a daily step from the first application to two years
after the last (t = day in the year):
  T = 17 + 5 cos(2 pi (t - 196) / 365)                      soil temperature (C)
  k = ln 2 / DegT50 * exp(-65400/8.314 (1/(T+273.15) - 1/293.15))   degradation (1/d)
  r = 0.01 max(0, cos(2 pi (t - 15) / 365))                 winter leaching (1/d)
  each day: M += doses; M *= exp(-k); L += r M; M -= r M    (kg/ha)
  concentration = LeachFac * L * 1.0E5 / 300                (ug/L in 300 mm water)

Exit codes: 0 success; 1 unusable command line or input; 2 companion file
missing; 3 failure asked for by StandInFailFor; any other from StandInExitCode.
)";

constexpr double kDefaultDegT50 = 30.0;
constexpr double kDefaultLeachFac = 1.0e-3;
constexpr int kDaysAfterLastApplication = 730;
constexpr double kDaysInYear = 365.0;
constexpr double kFixedConcentration = 0.1;

// Ends the program with `message` on standard error and no summary.
[[noreturn]] void Stop(int exitCode, const std::string& message) {
  std::cerr << "TolvaModel stand-in: " << message << '\n';
  std::exit(exitCode);
}

std::vector<std::string> SplitWords(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  for (char c : line) {
    if (c == ' ' || c == '\t') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

// The model input as lines of words, with the family's record and table lookups.
class ModelInput {
 public:
  explicit ModelInput(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Stop(1, "cannot read the input file " + path.string());
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines_.push_back(SplitWords(line));
    }
  }

  // The value (first word) of the first line whose second word is `keyword`.
  std::optional<std::string> Record(std::string_view keyword) const {
    for (const auto& words : lines_) {
      if (words.size() >= 2 && words[1] == keyword) return words[0];
    }
    return std::nullopt;
  }

  // The rows of the first table whose header's second word is `name`, up to the line holding
  // "end_table"; nothing when there is no such table.
  std::optional<std::vector<std::vector<std::string>>> Table(std::string_view name) const {
    auto header = std::find_if(lines_.begin(), lines_.end(), [&](const auto& words) {
      return words.size() >= 2 && words[1] == name;
    });
    if (header == lines_.end()) return std::nullopt;
    std::vector<std::vector<std::string>> rows;
    for (auto it = header + 1; it != lines_.end(); ++it) {
      if (std::any_of(it->begin(), it->end(),
                      [](const std::string& w) { return w.find("end_table") != w.npos; })) {
        return rows;
      }
      rows.push_back(*it);
    }
    Stop(1, "no end_table after table " + std::string(name));
  }

 private:
  std::vector<std::vector<std::string>> lines_;
};

// `word` read as a number (the family's exponent letter D included); nothing when it is none.
std::optional<double> ToNumber(std::string word) {
  std::replace_if(
      word.begin(), word.end(), [](char c) { return c == 'D' || c == 'd'; }, 'E');
  char* end = nullptr;
  const double value = std::strtod(word.c_str(), &end);
  if (word.empty() || *end != '\0' || !std::isfinite(value)) return std::nullopt;
  return value;
}

// The number of record `keyword`, `fallback` when absent; stops unless it lies in [min, max].
double NumberRecord(const ModelInput& input, const std::string& keyword, double fallback,
                    double min, double max) {
  const auto word = input.Record(keyword);
  if (!word) return fallback;
  const auto value = ToNumber(*word);
  if (!value || *value < min || *value > max) {
    std::ostringstream range;
    range << min << " to " << max;
    Stop(1, "record " + keyword + ": value " + *word + " is not a number from " + range.str());
  }
  return *value;
}

bool YesRecord(const ModelInput& input, const std::string& keyword) {
  const auto word = input.Record(keyword);
  if (word && *word != "Yes" && *word != "No") {
    Stop(1, "record " + keyword + ": value " + *word + " should be Yes or No");
  }
  return word == "Yes";
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// The day in the year (1 January = 1; day 00 is the last day of the month before) of a date
// dd-Mmm or dd-Mmm-yyyy; nothing when the text is no such date.
std::optional<int> DayInYear(const std::string& text) {
  static constexpr std::string_view kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  int monthLength[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool withYear = text.size() == 11;
  if ((text.size() != 6 && !withYear) || text[2] != '-' || (withYear && text[6] != '-')) {
    return std::nullopt;
  }
  const auto digits = [&](size_t from, size_t count) -> std::optional<int> {
    int value = 0;
    for (size_t i = from; i < from + count; ++i) {
      if (text[i] < '0' || text[i] > '9') return std::nullopt;
      value = value * 10 + (text[i] - '0');
    }
    return value;
  };
  const auto day = digits(0, 2);
  const auto year = withYear ? digits(7, 4) : std::optional<int>(1900);
  const auto month = std::find(std::begin(kMonths), std::end(kMonths), text.substr(3, 3));
  if (!day || !year || month == std::end(kMonths)) return std::nullopt;
  if (IsLeapYear(*year)) monthLength[1] = 29;
  const auto m = month - std::begin(kMonths);
  if (*day > monthLength[m]) return std::nullopt;
  int before = 0;
  for (int i = 0; i < m; ++i) before += monthLength[i];
  return before + *day;
}

// One application: its day counted from 1 January of the first application's year, its dose.
struct Application {
  int day;
  double dose;
};

// The rows of the table Applications; a date earlier than the row before lies a year later.
std::vector<Application> ReadApplications(const ModelInput& input) {
  static const std::map<std::string, size_t, std::less<>> kValueCounts = {
      {"AppSolSur", 1}, {"AppSolInj", 2}, {"AppSolTil", 2}, {"AppCrpUsr", 2}};
  const auto rows = input.Table("Applications");
  if (!rows) Stop(1, "no table Applications in the input");
  std::vector<Application> applications;
  int yearOffset = 0;
  for (const auto& row : *rows) {
    const auto day = row.size() >= 2 ? DayInYear(row[0]) : std::nullopt;
    const auto type = row.size() >= 2 ? kValueCounts.find(row[1]) : kValueCounts.end();
    bool readable = day && type != kValueCounts.end() && row.size() >= 2 + type->second;
    std::vector<double> values;
    for (size_t i = 2; readable && i < 2 + type->second; ++i) {
      const auto value = ToNumber(row[i]);
      readable = value && *value >= 0;
      if (readable) values.push_back(*value);
    }
    if (!readable) {
      std::string text;
      for (const auto& word : row) text += " " + word;
      Stop(1, "unreadable row of table Applications:" + text);
    }
    if (!applications.empty() && *day + yearOffset < applications.back().day) yearOffset += 365;
    applications.push_back({*day + yearOffset, values[0]});
  }
  return applications;
}

// The leaching concentration (ug/L) of a compound after `applications` (see the file's header).
double Concentration(const std::vector<Application>& applications, double degT50, double leachFac) {
  if (applications.empty()) return 0.0;
  constexpr double kActivationEnergy = 65400.0;  // J/mol
  constexpr double kGasConstant = 8.314;         // J/(mol K)
  constexpr double kMaxLeachingRate = 0.01;      // 1/d
  constexpr double kPercolation = 300.0;         // mm
  constexpr double kKgPerHaPerMmToUgPerL = 1.0e5;
  const auto season = [](int day, int peakDay) {
    return std::cos(2.0 * std::numbers::pi * (day - peakDay) / kDaysInYear);
  };
  double mass = 0.0;
  double leached = 0.0;
  size_t next = 0;
  for (int day = applications.front().day;
       day <= applications.back().day + kDaysAfterLastApplication; ++day) {
    for (; next < applications.size() && applications[next].day == day; ++next) {
      mass += applications[next].dose;
    }
    const double kelvin = 17.0 + 5.0 * season(day, 196) + 273.15;
    const double arrhenius =
        std::exp(-kActivationEnergy / kGasConstant * (1.0 / kelvin - 1.0 / 293.15));
    mass *= std::exp(-std::numbers::ln2 / degT50 * arrhenius);
    const double moved = kMaxLeachingRate * std::max(0.0, season(day, 15)) * mass;
    leached += moved;
    mass -= moved;
  }
  return leachFac * leached * kKgPerHaPerMmToUgPerL / kPercolation;
}

// The application id: the number after the last "_" of the input's base name.
std::optional<int> ApplicationId(const std::string& base) {
  const auto underscore = base.rfind('_');
  if (underscore == base.npos || underscore + 1 == base.size()) return std::nullopt;
  const std::string digits = base.substr(underscore + 1);
  if (digits.size() > 9 ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  return std::atoi(digits.c_str());
}

bool InFailList(const std::string& list, std::optional<int> id) {
  std::istringstream items(list);
  std::string item;
  bool listed = false;
  while (std::getline(items, item, ',')) {
    const auto value = ToNumber(item);
    if (!value || *value != std::floor(*value)) {
      Stop(1, "record StandInFailFor: " + list + " is no comma-separated list of ids");
    }
    listed = listed || (id && *value == *id);
  }
  return listed;
}

void WriteScratchFile(const std::filesystem::path& path) {
  std::ofstream(path) << "Scratch file of the TolvaModel stand-in\n";
}

}  // namespace

int main(int argc, char** argv) {
  const std::string argument = argc == 2 ? argv[1] : "";
  if (argument == "--help" || argument == "-h") {
    std::cout << kUsage;
    return 0;
  }
  if (argc != 2 || argument.empty()) {
    std::cerr << kUsage;
    return 1;
  }
  const std::filesystem::path inputPath(argument);
  const std::filesystem::path folder = inputPath.parent_path();
  std::string base = inputPath.filename().string();
  if (base.ends_with(".tol")) base.resize(base.size() - 4);
  const ModelInput input(inputPath);

  const auto compoundRows = input.Table("compounds");
  if (!compoundRows) Stop(1, "no table compounds in the input");
  std::vector<std::string> compounds;
  for (const auto& row : *compoundRows) {
    if (row.empty()) Stop(1, "blank row in table compounds");
    compounds.push_back(row[0]);
  }

  const auto failFor = input.Record("StandInFailFor");
  if (failFor && InFailList(*failFor, ApplicationId(base))) {
    Stop(3, "failing on purpose (StandInFailFor) for " + argument);
  }
  const int exitCode = static_cast<int>(NumberRecord(input, "StandInExitCode", 0, 0, 255));
  const double runTime = NumberRecord(input, "StandInRunTime", 0, 0, 86400);
  const bool leaveScratch = YesRecord(input, "StandInLeaveScratch");
  const bool summaryOnly = YesRecord(input, "StandInSummaryOnly");

  std::vector<std::string> header = {
      "* TolvaModel stand-in for tests and demonstrations: NOT a leaching model",
      "* Input file: " + inputPath.filename().string()};
  std::vector<double> concentrations(compounds.size(), kFixedConcentration);
  if (summaryOnly) {
    header.push_back("* Fixed values (StandInSummaryOnly)");
  } else {
    for (const char* keyword : {"BotFile", "MetFile"}) {
      const auto name = input.Record(keyword);
      if (name && !std::filesystem::is_regular_file(folder / *name)) {
        Stop(2, std::string(keyword) + " " + *name + " not found beside the input file");
      }
    }
    const auto applications = ReadApplications(input);
    header.push_back("* Applications: " + std::to_string(applications.size()));
    for (size_t k = 0; k < compounds.size(); ++k) {
      const double degT50 =
          NumberRecord(input, "DegT50_" + compounds[k], kDefaultDegT50, 1e-3, 1e6);
      const double leachFac =
          NumberRecord(input, "LeachFac_" + compounds[k], kDefaultLeachFac, 0, 1);
      concentrations[k] = Concentration(applications, degT50, leachFac);
    }
  }
  header.push_back("* Column 3: leaching concentration (ug/L)");

  if (leaveScratch) {
    for (const char* name : {"evtfil.tmp", "prnevtfil.tmp"}) WriteScratchFile(folder / name);
    for (const char* name : {"zund.log", "meteodat.tmp"}) WriteScratchFile(name);
  }
  std::this_thread::sleep_for(std::chrono::duration<double>(runTime));

  std::ofstream summary(folder / (base + ".sum"));
  for (const auto& line : header) summary << line << '\n';
  for (size_t k = 0; k < compounds.size(); ++k) {
    char value[32];
    std::snprintf(value, sizeof value, "%.6E", concentrations[k]);
    summary << "Result_" << compounds[k] << "  PEC80  " << value << '\n';
  }
  summary.close();
  if (!summary) Stop(1, "cannot write the summary " + base + ".sum");
  // The real model may leave a success marker of its own; the stand-in does so too, so that
  // every run shows that the driver never takes it for its own.
  if (exitCode == 0) {
    std::ofstream(folder / "tolva.ok") << "TolvaModel stand-in: " << argument << " done\n";
  }
  return exitCode;
}
