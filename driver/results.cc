#include "driver/results.h"

#include <cmath>
#include <optional>
#include <utility>

#include "driver/public/app_id.h"
#include "driver/public/first_app_date.h"
#include "driver/public/number_format.h"
#include "reader/free_format.h"
#include "reader/records.h"
#include "reader/typed_readers.h"
#include "support/run_identity.h"
#include "support/text.h"

namespace tarn {
namespace {

constexpr int kMonthlyAppIds = 12;
constexpr size_t kSummaryLineLength = 500;

// A summary that cannot be read is reported against its own unit, so the console names it.
[[noreturn]] void FailReadingSummary(Runtime& rt, int unit, int lineNumber) {
  rt.Fail(-1, " Fatal while reading line in sum file",
          "The error occurred at line: " + fmt::I(lineNumber, 3), "", unit);
}

// The text that marks the first compound's line in a summary.
std::string ResultKey(Runtime& rt) {
  return "Result_" + (NumberOfCompounds(rt) > 0 ? CompoundName(rt, 1) : std::string());
}

// The concentrations of every compound in the summary open on `unit`: from the line holding
// `key` on, one line per compound, the third item of each.
std::vector<double> ReadSummary(Runtime& rt, int unit, const std::string& key) {
  int lineNumber = 0;  // of the line read last; a read that fails fails on the next one
  std::string line;
  do {
    ++lineNumber;
    if (!ReadUnitLine(rt, unit, line, kSummaryLineLength)) {
      FailReadingSummary(rt, unit, lineNumber);
    }
  } while (line.find(key) == std::string::npos);
  rt.units.BackOneLine(unit);
  --lineNumber;

  std::vector<double> concentrations;
  for (int k = 1; k <= NumberOfCompounds(rt); ++k) {
    // Each compound is one read: it starts on a fresh line and goes on to the next when short.
    FreeFormatReader reader(
        [&](std::string& next) {
          ++lineNumber;
          return rt.units.ReadLine(unit, next);
        },
        /*allowNonFinite=*/true);
    std::string unused;
    double concentration = 0;
    if (!reader.ReadText(unused, 5) || !reader.ReadText(unused, 12) ||
        !reader.ReadNumber(concentration)) {
      FailReadingSummary(rt, unit, lineNumber);
    }
    concentrations.push_back(concentration);
  }
  return concentrations;
}

// The date word of the first row of the Applications table in the copy of `appId`. A report
// must never name an empty first day: a copy that is missing or gives no date ends the run.
std::string FirstAppDate(Runtime& rt, int appId) {
  const std::string name = AppIdFileName(CheckRunId(rt), appId, kAppIdInput.name);
  const int unit = FreeFil(rt);
  const bool opened = rt.units.OpenExisting(unit, rt.InRunFolder(name)) == 0;
  const std::string date = opened ? ReadFirstAppDate(rt, unit) : std::string();
  if (IsBlank(date)) {
    rt.Fail(-1, " First application date missing for application id " + AppIdToText(appId),
            " File: " + name, "", opened ? unit : kInputUnit);
  }
  rt.units.Close(unit);
  return date;
}

}  // namespace

RunResults ReadRunResults(Runtime& rt, const RunState& state) {
  RunResults results;
  results.table = CollectResults(rt, state);
  results.rankings = RankResults(results.table);
  return results;
}

ResultTable CollectResults(Runtime& rt, const RunState& state) {
  const std::string key = ResultKey(rt);
  const bool afterModelRuns = state.runMode == RunMode::kNormal;
  ResultTable table;
  for (int appId = 1;; ++appId) {
    if (afterModelRuns ? appId > state.lastAppIdRun
                       : state.optApp == Schedule::kMonthly && appId > kMonthlyAppIds) {
      break;
    }
    const std::string name = AppIdFileName(CheckRunId(rt), appId, kAppIdSummary.name);
    const int unit = FreeFil(rt);
    if (rt.units.OpenExisting(unit, rt.InRunFolder(name)) != 0) {
      // Only when rebuilding the report does a missing summary end the sequence; after model
      // runs it would report a partial year as a whole one.
      if (!afterModelRuns) break;
      rt.Fail(-1, " Model results missing for application id " + AppIdToText(appId),
              " File not found: " + name);
    }
    table.push_back(ReadSummary(rt, unit, key));
    // A model that produced no number has failed: its value is never ranked.
    for (double concentration : table.back()) {
      if (!std::isfinite(concentration)) {
        rt.Fail(-1, " Model result is not a finite number for application id " + AppIdToText(appId),
                " File: " + name, "", unit);
      }
    }
    rt.units.Close(unit);
  }
  if (table.empty()) rt.Fail(-1, " No model results found for run " + CheckRunId(rt));
  return table;
}

Ranking RankConcentrations(const std::vector<double>& conc) {
  const int n = static_cast<int>(conc.size());
  Ranking ranking;
  ranking.conc = conc;
  for (int i = 0; i < n; ++i) {
    ranking.rankAppId.push_back(i + 1);
    ranking.percentile.push_back((i + 0.5) / n * 100);
  }
  for (int i = 0; i < n - 1; ++i) {
    for (int j = i + 1; j < n; ++j) {
      if (ranking.conc[i] > ranking.conc[j]) {
        std::swap(ranking.conc[i], ranking.conc[j]);
        std::swap(ranking.rankAppId[i], ranking.rankAppId[j]);
      }
    }
  }
  return ranking;
}

std::vector<Ranking> RankResults(const ResultTable& table) {
  std::vector<Ranking> rankings;
  const size_t numCompounds = table.empty() ? 0 : table.front().size();
  for (size_t k = 0; k < numCompounds; ++k) {
    std::vector<double> conc;
    for (const std::vector<double>& row : table) conc.push_back(row[k]);
    rankings.push_back(RankConcentrations(conc));
  }
  return rankings;
}

std::vector<std::string> FindFirstAppDates(Runtime& rt, const std::vector<Ranking>& rankings) {
  std::vector<std::string> dates;
  for (const Ranking& ranking : rankings)
    dates.push_back(FirstAppDate(rt, ranking.rankAppId.back()));
  return dates;
}

std::vector<double> ReadSummaryConcentrations(Runtime& rt, int unit) {
  return ReadSummary(rt, unit, ResultKey(rt));
}

std::string ReadFirstAppDate(Runtime& rt, int unit) {
  const std::optional<std::string> row =
      FirstApplicationRow([&](std::string& line) { return rt.units.ReadLine(unit, line); });
  if (!row) return "";
  // The row is one the driver reads: a word too long for it ends the run, as in any row.
  SplitWords(rt, *row);
  return FirstAppDateOf(*row);
}

}  // namespace tarn
