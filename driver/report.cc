#include "driver/report.h"

#include <ctime>
#include <string>
#include <vector>

#include "driver/results.h"
#include "driver/version.h"
#include "reader/typed_readers.h"
#include "support/number_format.h"
#include "support/platform.h"
#include "support/run_identity.h"
#include "support/text.h"

namespace tarn {
namespace {

const std::string kHyphenLine = "* " + std::string(78, '-');
constexpr size_t kShownNameLength = 15;
// Below this a ranked concentration is shown as 0.00.
constexpr double kSmallestShownConc = 1e-25;

// Today's local date as dd-mm-yyyy.
std::string RunDate() {
  const std::time_t now = std::time(nullptr);
  char text[16];
  std::strftime(text, sizeof text, "%d-%m-%Y", std::localtime(&now));
  return text;
}

// One line of the run files' header; the report's own lines go to the report only.
struct HeaderLine {
  bool reportOnly;
  std::string text;
};

void WriteHeaders(Runtime& rt, const std::string& runId, const std::string& runDate) {
  const std::vector<HeaderLine> header = {
      {false, kHyphenLine},
      {true, "* TARN Doduvovuv REPORT: Header"},
      {false, "* Results from the TARN Doduvovuv model by the TARN developers"},
      {false, std::string("* TARN Doduvovuv created on : ") + kDriverCreationDate},
      {false, std::string("* TARN Doduvovuv version    : ") + kDriverVersion},
      {false, "* "},
      {false, "* Working directory          : " + std::string(TrimRight(rt.identity.runFolder))},
      {false, "* Run ID                     : " + runId},
      {false, "* Input file generated on    : " + runDate},
      {false, "* "},
      {true, "* End of TARN Doduvovuv REPORT: Header"},
      {false, kHyphenLine},
      {false, "* "},
      {true, "* TARN Doduvovuv to select application date for groundwater scenario KAV"},
      {true, "* for soil-bound cultivations in greenhouses"},
      {true, "* "},
      {true, kHyphenLine},
      {true, "* Summary of calculations for application dates covering a full calender year"},
  };
  for (int unit : {kOutUnit, kLogUnit, kSumUnit, kErrUnit, kReportUnit}) {
    for (const HeaderLine& line : header) {
      if (!line.reportOnly || unit == kReportUnit) rt.WriteLine(unit, line.text);
    }
  }
}

// A concentration in the report's 15-column exponent form.
std::string ConcText(double conc) { return fmt::E(conc, 15, 4, 'D'); }

}  // namespace

void SetUpRunFiles(Runtime& rt) {
  const std::string runDate = RunDate();
  const std::string runId = CheckRunId(rt);
  rt.RunOnConsole(MakeFolderCommand(rt.identity.runFolder));

  // One driver per run: the busy marker is locked before anything of the run is touched, and
  // stays locked until the driver ends. A marker that a dead driver left holds no lock.
  const std::string busyMarker = rt.InRunFolder(runId + ".bus");
  std::FILE* marker = nullptr;
  int error = 0;
  switch (LockFile(busyMarker, marker, error)) {
    case LockResult::kHeldByAnother:
      rt.StopDirectly("TOLVA run " + runId + " is busy - no error file generated");
    case LockResult::kFailed:
      rt.out << "Error in OpenAfterDelete routine, IOStat = " << fmt::I(error, 5) << '\n';
      rt.StopDirectly("Error in OpenAfterDelete routine - no error file generated");
    case LockResult::kLocked:
      rt.units.Adopt(kBusyUnit, busyMarker, marker);
  }
  // A success marker that survives its delete would pass this run off as a success.
  if (!RemoveSuccessMarker(rt)) {
    rt.units.Close(kBusyUnit, /*deleteFile=*/true);
    rt.StopDirectly("Cannot remove tolva.ok - no error file generated");
  }
  if (const int emptied = EmptyFile(rt.units.StreamOf(kBusyUnit))) {
    rt.FailWriting(busyMarker, emptied);
  }
  rt.WriteLine(kBusyUnit, "TOLVA run " + runId + " is busy");
  rt.FlushAll();

  if (rt.units.OpenExisting(kInputUnit, rt.InRunFolder(runId + ".tol")) != 0) {
    // No run takes place, so no busy marker may stay behind.
    rt.units.Close(kBusyUnit, /*deleteFile=*/true);
    rt.StopDirectly("Illegal run id - no error file generated");
  }
  OpenAfterDelete(rt, kErrUnit, rt.InRunFolder(runId + ".err"));
  OpenAfterDelete(rt, kOutUnit, rt.InRunFolder(runId + ".out"));
  OpenAfterDelete(rt, kLogUnit, rt.InRunFolder(runId + ".log"));
  OpenAfterDelete(rt, kSumUnit, rt.InRunFolder(runId + ".sum"));
  OpenAfterDelete(rt, kReportUnit, rt.InRunFolder(runId + "_Tsb.sum"));
  GetCompoundList(rt);
  WriteHeaders(rt, runId, runDate);
}

std::string ResultTableHeading(int numCompounds) {
  return "* ApplicationId      PEC80 for each compound; total number of compounds is: " +
         fmt::I(numCompounds, 3);
}

std::string ResultTableRow(int appId, const std::vector<double>& concentrations) {
  std::string line = "  " + fmt::I(appId, 4) + std::string(12, ' ');
  for (size_t k = 0; k < concentrations.size(); ++k) {
    if (k > 0) line += "  ";
    line += fmt::G(concentrations[k], 12, 4);
  }
  return line;
}

std::string ShownCompoundName(const std::string& name) {
  return std::string(TrimRight(Cut(name, kShownNameLength)));
}

std::string RankedRow(int position, const std::string& compoundName, double percentile, int appId,
                      double conc) {
  return "  " + fmt::I(position, 4) + "    " +
         PadRight(Cut(compoundName, kShownNameLength), kShownNameLength) + " " +
         fmt::F(percentile, 8, 2) + "   " + fmt::I(appId, 5) + std::string(8, ' ') +
         (conc < kSmallestShownConc ? fmt::F(0, 15, 2) : ConcText(conc));
}

std::vector<std::string> LeachingLines(const std::string& compoundName, double maxConc, int appId,
                                       const std::string& firstDate) {
  return {"* ", "* Results for compound: " + ShownCompoundName(compoundName),
          "* The maximum leaching concentration is: " + ConcText(maxConc) + " ug/L",
          "* This maximum occurs for applicationId: " + fmt::I(appId, 5),
          "* The first day of application for this applicationId is: " +
              fmt::A(TrimRight(firstDate), 6)};
}

void WriteResultReport(Runtime& rt, RunState& state) {
  const auto write = [&](const std::string& line) { rt.WriteLine(kReportUnit, line); };
  const int numCompounds = NumberOfCompounds(rt);
  const int numResults = state.NumResults();

  write("* ");
  write(ResultTableHeading(numCompounds));
  for (int a = 1; a <= numResults; ++a) {
    write(ResultTableRow(a, state.resultTable[a - 1]));
  }

  RankResults(rt, state);
  write("* ");
  write("* ");
  write("* Sorted data of calculations for application dates covering a full calender year");
  write("* Number  Identifier    Percentile   ApplicationId  Leaching concentration (ug/L)");
  write("* ");
  for (int k = 1; k <= numCompounds; ++k) {
    const Ranking& ranking = state.rankings[k - 1];
    for (int i = 0; i < numResults; ++i) {
      write(RankedRow(i + 1, CompoundName(rt, k), ranking.percentile[i], ranking.rankAppId[i],
                      ranking.conc[i]));
    }
  }

  FindFirstAppDates(rt, state);
  write("* ");
  write("* ");
  write(kHyphenLine);
  write("* TARN Doduvovuv Report: Leaching");
  for (int k = 1; k <= numCompounds; ++k) {
    const Ranking& ranking = state.rankings[k - 1];
    for (const std::string& line :
         LeachingLines(CompoundName(rt, k), ranking.conc.back(), ranking.rankAppId.back(),
                       state.firstAppDates[k - 1])) {
      write(line);
    }
  }
  write("* ");
  write("* End of TARN Doduvovuv Report: Leaching");
  write(kHyphenLine);
}

}  // namespace tarn
