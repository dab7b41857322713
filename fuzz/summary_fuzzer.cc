// The summary reader on arbitrary model summaries, and the report built from what it read.
// Input: a first line with the compound names (one word each), then the parts of application
// ids 1, 2, ... separated by form feeds; each part is that id's summary and its model input copy.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <vector>

#include "driver/report.h"
#include "driver/results.h"
#include "fuzz/fuzz_run.h"
#include "reader/typed_readers.h"

using namespace tarn;
using namespace tarn::fuzz;

namespace {

constexpr size_t kMaxCompounds = 4;
constexpr int kMaxAppIds = 12;

const std::string kRankedHeader =
    "* Number  Identifier    Percentile   ApplicationId  Leaching concentration (ug/L)";
const std::string kFirstDayLine = "* The first day of application for this applicationId is: ";

bool SameValue(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

// Every compound's ranking orders the collected concentrations of every id.
void CheckRankings(Runtime& rt, const RunResults& results) {
  const int numResults = results.NumResults();
  for (size_t k = 0; k < results.rankings.size(); ++k) {
    const Ranking& ranking = results.rankings[k];
    Require(static_cast<int>(ranking.conc.size()) == numResults &&
                static_cast<int>(ranking.rankAppId.size()) == numResults,
            "a ranking that does not hold every id");
    std::vector<int> ids = ranking.rankAppId;
    std::sort(ids.begin(), ids.end());
    for (int i = 0; i < numResults; ++i) {
      Require(ids[i] == i + 1, "a ranking whose ids are not 1 to NumResults");
      const int id = ranking.rankAppId[i];
      Require(SameValue(ranking.conc[i], results.table[id - 1][k]),
              "a ranked concentration that is not its id's");
      Require(ranking.percentile[i] > 0 && ranking.percentile[i] < 100 &&
                  (i == 0 || ranking.percentile[i] > ranking.percentile[i - 1]),
              "percentiles that do not rise within 0 to 100");
      for (int j = 0; j < i; ++j) {
        Require(!(ranking.conc[j] > ranking.conc[i]), "a ranking out of order");
      }
    }
  }
  Require(results.rankings.size() == static_cast<size_t>(NumberOfCompounds(rt)),
          "a compound without a ranking");
}

// The report's sections keep their fixed columns and the report ends with its end marker.
void CheckReport(const std::vector<std::string>& lines, int numCompounds, int numResults) {
  Require(lines.size() >= 2 &&
              lines[lines.size() - 2] == "* End of TARN Doduvovuv Report: Leaching" &&
              lines.back() == "* " + std::string(78, '-'),
          "a report without its end");
  const auto ranked = std::find(lines.begin(), lines.end(), kRankedHeader);
  Require(lines.end() - ranked > 2 + numCompounds * numResults, "a report without its rankings");
  for (auto line = ranked + 2; line != ranked + 2 + numCompounds * numResults; ++line) {
    Require(line->size() == 65, "a ranked line out of its columns");
  }
  const size_t tableWidth = 18 + (numCompounds > 0 ? 14 * numCompounds - 2 : 0);
  const auto table = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.rfind("* ApplicationId ", 0) == 0;
  });
  Require(lines.end() - table > numResults, "a report without its table of results");
  for (auto line = table + 1; line != table + 1 + numResults; ++line) {
    Require(line->size() == tableWidth, "a line of the table of results out of its columns");
  }
  for (const std::string& line : lines) {
    if (line.rfind(kFirstDayLine, 0) == 0) {
      Require(line.size() == kFirstDayLine.size() + 6,
              "a first day of application not in 6 columns");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetRunFolder();
  const std::string_view text = AsText(data, size);
  const size_t firstLineEnd = std::min(text.find('\n'), text.size());
  FuzzRun run;
  std::istringstream names{std::string(text.substr(0, firstLineEnd))};
  for (std::string name; Compounds(run.rt).size() < kMaxCompounds && names >> name;) {
    Compounds(run.rt).push_back(name);
  }
  const std::vector<std::string> parts =
      Split(text.substr(std::min(firstLineEnd + 1, text.size())), '\f');
  const int numParts = std::min(static_cast<int>(parts.size()), kMaxAppIds);
  for (int appId = 1; appId <= numParts; ++appId) {
    const std::string base = std::string(kRunId) + "_" + std::to_string(appId);
    PutFile(base + ".sum", parts[appId - 1]);
    PutFile(base + ".tol", parts[appId - 1]);
  }

  const std::string report = run.rt.InRunFolder(std::string(kRunId) + "_Tsb.sum");
  Require(run.rt.units.OpenNew(kReportUnit, report) == 0, "cannot create the report");
  RunState state;
  state.runMode = RunMode::kPostProcessOnly;
  state.optApp = Schedule::kMonthly;
  RunResults results;
  if (!run.Run([&] {
        results = ReadRunResults(run.rt, state);
        WriteResultTables(run.rt, results);
        results.firstAppDates = FindFirstAppDates(run.rt, results.rankings);
        WriteLeachingSection(run.rt, results);
      })) {
    return 0;
  }
  run.rt.units.Close(kReportUnit);
  Require(results.NumResults() >= 1 && results.NumResults() <= numParts,
          "results for ids without a summary");
  for (const std::vector<double>& row : results.table) {
    Require(row.size() == Compounds(run.rt).size(), "an id without a value for every compound");
  }
  CheckRankings(run.rt, results);
  std::ifstream in(report, std::ios::binary);
  std::string written(std::istreambuf_iterator<char>(in), {});
  if (written.ends_with('\n')) written.pop_back();
  CheckReport(Split(written, '\n'), NumberOfCompounds(run.rt), results.NumResults());
  return 0;
}
