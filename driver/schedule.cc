#include "driver/schedule.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "driver/app_id.h"
#include "reader/dates.h"
#include "reader/free_format.h"
#include "reader/records.h"
#include "support/number_format.h"
#include "support/run_identity.h"
#include "support/text.h"

namespace tarn {

namespace {

constexpr std::string_view kTableLine = "table Applications";

// The number of values a row of this application type holds; 0 for a type that is not copied.
int ValueCount(const std::string& type) {
  if (type == "AppSolSur") return 1;
  if (type == "AppSolInj" || type == "AppSolTil" || type == "AppCrpUsr") return 2;
  return 0;
}

// The row as the model reads it: the day, the type and its values in fixed columns.
std::string RowLine(double day, const std::string& type, const double* values, int count) {
  std::string row = DateText(day).substr(0, 6) + "     " + PadRight(type, 10);
  for (int i = 0; i < count; ++i) row += "     " + fmt::F(values[i], 9, 3);
  return row;
}

// Copies the next row of the table with its date moved to `day`. False at the end of the file.
bool CopyRow(Runtime& rt, int unit, double day) {
  std::string row;
  if (!ReadUnitLine(rt, kInputUnit, row)) return false;
  SplitWords(rt, row);
  const std::string type = Words(rt).Word(2);
  const int count = ValueCount(type);
  const std::string scratch = WordsToScratch(rt, 2);
  bool lineGiven = false;
  FreeFormatReader values([&](std::string& line) {
    if (lineGiven) return false;
    line = scratch;
    return lineGiven = true;
  });
  double value[2] = {0, 0};
  for (int i = 0; i < count; ++i) {
    if (!values.ReadNumber(value[i])) {
      rt.Fail(-1, " Fatal while reading record Applications", std::string(TrimRight(row)));
    }
  }
  if (count > 0) rt.WriteLine(unit, RowLine(day, type, value, count));
  return true;
}

}  // namespace

void ReadApplicationsTable(Runtime& rt, RunState& state) {
  GetRecord(rt, "Applications", 2);
  const int count = CountRecord(rt, "Applications");
  // The rows follow the table line, all of them before its end_table line.
  GetRecord(rt, "Applications", 2);
  state.tableDates.clear();
  state.tableGaps.clear();
  for (int i = 0; i < count; ++i) {
    std::string row;
    ReadUnitLine(rt, kInputUnit, row);
    SplitWords(rt, row);
    state.tableDates.push_back(RdDate(rt, Words(rt).Word(1), "Applications"));
  }
  for (int i = 0; i + 1 < count; ++i) {
    state.tableGaps.push_back(state.tableDates[i + 1] - state.tableDates[i]);
  }
}

int WriteRunFile(Runtime& rt, RunState& state, int appId) {
  rt.units.Rewind(kInputUnit);
  const std::string path = rt.InRunFolder(AppIdFileName(CheckRunId(rt), appId, kAppIdInput.name));
  const int unit = FreeFil(rt);
  if (rt.units.OpenNew(unit, path) != 0) rt.Fail(-1, " Cannot create file " + path);

  const int rows = static_cast<int>(state.tableDates.size());
  for (std::string line; rt.units.ReadLine(kInputUnit, line);) {
    double currentDay = state.startDay;
    if (std::string_view(line).substr(0, kTableLine.size()) != kTableLine) {
      rt.WriteLine(unit, TrimRight(line));
    } else {
      rt.WriteLine(unit, kTableLine);
      if (state.optApp == Schedule::kMonthly) {
        // Each table line met takes the next month; past December the copy ends here.
        if (++state.monthCounter > 12) break;
        const std::string fifteenth = "15-" + std::string(MonthName(state.monthCounter));
        currentDay = DateToDayNumber(StrToDate(rt, fifteenth));
      }
      if (state.optApp != Schedule::kOther) {
        for (int i = 0; i < rows; ++i) {
          if (i > 0) currentDay += state.tableGaps[i - 1];
          if (!CopyRow(rt, unit, currentDay)) return unit;
        }
      }
    }
    if (state.optApp == Schedule::kUserDefined && currentDay > state.dayInYeaAppLast) {
      state.stopFlag = true;
      rt.units.Close(unit, /*deleteFile=*/true);
      return 0;
    }
  }
  return unit;
}

int MostAppIds(Schedule option, double firstDay, double lastDay, double interval) {
  if (option == Schedule::kMonthly) return 12;
  if (option == Schedule::kOther) return 1;
  const double step = std::trunc(interval);
  if (firstDay > lastDay || step < 1) return 0;
  return static_cast<int>(std::floor((lastDay - firstDay) / step)) + 1;
}

double ScenarioSpan(const RunState& state) {
  double span = 0;
  for (const double gap : state.tableGaps) span += gap;
  return span;
}

int AppIdCount(const RunState& state) {
  // WriteRunFile discards an id once its first day or the day of its last row lies past the
  // last day.
  const double lastStart = state.dayInYeaAppLast - std::max(0.0, ScenarioSpan(state));
  return MostAppIds(state.optApp, state.dayInYeaAppFirst, lastStart, state.delTimAppId);
}

void WriteSchedule(Runtime& rt, RunState& state, const std::function<void(int appId)>& onKept) {
  for (int appId = 1;; ++appId) {
    if (state.optApp == Schedule::kMonthly && appId > 12) return;
    // The other option has no schedule: the model input runs once as it stands.
    if (state.optApp == Schedule::kOther && appId > 1) return;
    const int unit = WriteRunFile(rt, state, appId);
    if (state.stopFlag) return;
    onKept(appId);
    rt.CloseKept(unit);
    state.startDay += std::trunc(state.delTimAppId);
  }
}

}  // namespace tarn
