#include "driver/report.h"

#include <ctime>
#include <string>
#include <vector>

#include "driver/public/number_format.h"
#include "driver/public/report_layout.h"
#include "driver/version.h"
#include "reader/typed_readers.h"
#include "support/platform.h"
#include "support/run_identity.h"
#include "support/text.h"

namespace tarn {
namespace {

const std::string kHyphenLine = "* " + std::string(78, '-');

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
      {true, prREPORTstart},
      {false, "* Results from the TARN Doduvovuv model by the TARN developers"},
      {false, std::string("* TARN Doduvovuv created on : ") + kDriverCreationDate},
      {false, std::string("* TARN Doduvovuv version    : ") + kDriverVersion},
      {false, "* "},
      {false, "* Working directory          : " + std::string(TrimRight(rt.identity.runFolder))},
      {false, "* Run ID                     : " + runId},
      {false, "* Input file generated on    : " + runDate},
      {false, "* "},
      {true, prREPORTend},
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

}  // namespace

void SetUpRunFiles(Runtime& rt) {
  const std::string runDate = RunDate();
  const std::string runId = CheckRunId(rt);
  rt.RunOnConsole(MakeFolderCommand(rt.identity.runFolder));

  // One driver per run: the busy marker is locked before anything of the run is touched, and
  // stays locked until the driver ends. A marker that a dead driver left holds no lock.
  const std::string busyMarker = rt.InRunFolder(RunFileName(kBusyMarker, runId));
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

  if (rt.units.OpenExisting(kModelInput.unit, rt.InRunFolder(RunFileName(kModelInput, runId))) !=
      0) {
    // No run takes place, so no busy marker may stay behind.
    rt.units.Close(kBusyUnit, /*deleteFile=*/true);
    rt.StopDirectly("Illegal run id - no error file generated");
  }
  // The run's text files: those of the run on a unit of their own.
  for (const RunFile* file : kRunFiles) {
    if (file->form == NameForm::kOfRun && file->unit != kInputUnit && file->unit != kBusyUnit) {
      OpenAfterDelete(rt, file->unit, rt.InRunFolder(RunFileName(*file, runId)));
    }
  }
  GetCompoundList(rt);
  WriteHeaders(rt, runId, runDate);
}

void WriteResultTables(Runtime& rt, const RunResults& results) {
  const auto write = [&](const std::string& line) { rt.WriteLine(kReportUnit, line); };
  const int numCompounds = NumberOfCompounds(rt);
  const int numResults = results.NumResults();

  write("* ");
  write(ResultTableHeading(numCompounds));
  for (int a = 1; a <= numResults; ++a) {
    write(ResultTableRow(a, results.table[a - 1]));
  }

  write("* ");
  write("* ");
  write("* Sorted data of calculations for application dates covering a full calender year");
  write("* Number  Identifier    Percentile   ApplicationId  Leaching concentration (ug/L)");
  write("* ");
  for (int k = 1; k <= numCompounds; ++k) {
    const Ranking& ranking = results.rankings[k - 1];
    for (int i = 0; i < numResults; ++i) {
      write(RankedRow(i + 1, CompoundName(rt, k), ranking.percentile[i], ranking.rankAppId[i],
                      ranking.conc[i]));
    }
  }
}

void WriteLeachingSection(Runtime& rt, const RunResults& results) {
  const auto write = [&](const std::string& line) { rt.WriteLine(kReportUnit, line); };
  write("* ");
  write("* ");
  write(kHyphenLine);
  write(prLEACHstart);
  for (int k = 1; k <= NumberOfCompounds(rt); ++k) {
    const Ranking& ranking = results.rankings[k - 1];
    for (const std::string& line :
         LeachingLines(CompoundName(rt, k), ranking.conc.back(), ranking.rankAppId.back(),
                       results.firstAppDates[k - 1])) {
      write(line);
    }
  }
  write("* ");
  write(prLEACHend);
  write(kHyphenLine);
}

}  // namespace tarn
