#include "driver/schedule.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "driver/public/app_id.h"
#include "driver/public/number_format.h"
#include "reader/dates.h"
#include "reader/free_format.h"
#include "reader/records.h"
#include "support/run_identity.h"
#include "support/text.h"

namespace tarn {

namespace {

constexpr std::string_view kTableLine = "table Applications";

bool IsTableLine(std::string_view line) { return line.substr(0, kTableLine.size()) == kTableLine; }

// The day the rows of a monthly copy begin on: the 15th of `month`.
double FifteenthOf(int month) {
  return DateToDayNumber(Date{1900, static_cast<double>(month), 15});
}

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

InputLayout ReadInputLayout(Runtime& rt, int rows) {
  InputLayout layout{0, false, false};
  rt.units.Rewind(kInputUnit);
  for (std::string line; rt.units.ReadLine(kInputUnit, line);) {
    if (!IsTableLine(line)) {
      layout.otherLine = true;
      continue;
    }
    ++layout.tableLines;
    int read = 0;
    while (read < rows && rt.units.ReadLine(kInputUnit, line)) ++read;
    if (read == rows) layout.completeTable = true;
  }
  return layout;
}

int SchedulePlan::KeptCount() const {
  const int count = static_cast<int>(copies.size());
  return count > 0 && copies.back().discarded ? count - 1 : count;
}

SchedulePlan PlanSchedule(const ControlSettings& settings, const std::vector<double>& tableGaps,
                          const InputLayout& layout) {
  SchedulePlan plan;
  switch (settings.optApp) {
    case Schedule::kMonthly:
      // Each table line met takes the next month.
      for (int appId = 1; appId <= 12; ++appId) {
        const int firstMonth = (appId - 1) * layout.tableLines + 1;
        plan.copies.push_back({appId, firstMonth <= 12 ? FifteenthOf(firstMonth) : 0, firstMonth});
      }
      break;
    case Schedule::kOther:
      // No schedule: the model input runs once as it stands.
      plan.copies.push_back({1, settings.dayInYeaAppFirst});
      break;
    case Schedule::kUserDefined: {
      // As the writer moves the rows: the first day, then the gaps added one by one. A copy is
      // judged after each line: a line besides the table lies on the first day, a table line
      // with its rows on the day of its last row. The table read has its rows after its line, so
      // one of the two is there and the schedule ends.
      const double step = std::trunc(settings.delTimAppId);
      double firstDay = settings.dayInYeaAppFirst;
      for (int appId = 1;; ++appId, firstDay += step) {
        double lastRowDay = firstDay;
        for (const double gap : tableGaps) lastRowDay += gap;
        const bool discarded = (layout.otherLine && firstDay > settings.dayInYeaAppLast) ||
                               (layout.completeTable && lastRowDay > settings.dayInYeaAppLast);
        plan.copies.push_back({appId, firstDay, 0, discarded});
        if (discarded) break;
      }
      break;
    }
  }
  return plan;
}

int WriteRunFile(Runtime& rt, const RunState& state, const PlannedCopy& copy) {
  rt.units.Rewind(kInputUnit);
  const std::string path =
      rt.InRunFolder(AppIdFileName(CheckRunId(rt), copy.appId, kAppIdInput.name));
  const int unit = FreeFil(rt);
  if (rt.units.OpenNew(unit, path) != 0) rt.Fail(-1, " Cannot create file " + path);

  const int rows = static_cast<int>(state.tableDates.size());
  int month = copy.firstMonth;
  for (std::string line; rt.units.ReadLine(kInputUnit, line);) {
    double currentDay = copy.firstDay;
    if (!IsTableLine(line)) {
      rt.WriteLine(unit, TrimRight(line));
    } else {
      rt.WriteLine(unit, kTableLine);
      if (state.optApp == Schedule::kMonthly) {
        // Past December the copy ends here.
        if (month > 12) break;
        currentDay = FifteenthOf(month++);
      }
      if (state.optApp != Schedule::kOther) {
        for (int i = 0; i < rows; ++i) {
          if (i > 0) currentDay += state.tableGaps[i - 1];
          if (!CopyRow(rt, unit, currentDay)) return unit;
        }
      }
    }
    if (copy.discarded && currentDay > state.dayInYeaAppLast) {
      rt.units.Close(unit, /*deleteFile=*/true);
      return 0;
    }
  }
  return unit;
}

double ScenarioSpan(const RunState& state) {
  double span = 0;
  for (const double gap : state.tableGaps) span += gap;
  return span;
}

std::optional<ScenarioPlan> ReadScenarioPlan(const std::string& modelInput,
                                             const ControlSettings& settings) {
  DetachedRuntime detached;
  Runtime& rt = detached.rt;
  try {
    if (rt.units.OpenExisting(kInputUnit, modelInput) != 0) return std::nullopt;
    RunState state;
    ReadApplicationsTable(rt, state);
    const InputLayout layout = ReadInputLayout(rt, static_cast<int>(state.tableDates.size()));
    return ScenarioPlan{PlanSchedule(settings, state.tableGaps, layout), ScenarioSpan(state)};
  } catch (const ProgramStop&) {
    return std::nullopt;
  }
}

void WriteSchedule(Runtime& rt, const RunState& state, const SchedulePlan& plan,
                   const std::function<void(int appId)>& onKept) {
  for (const PlannedCopy& copy : plan.copies) {
    const int unit = WriteRunFile(rt, state, copy);
    if (copy.discarded) return;
    onKept(copy.appId);
    rt.CloseKept(unit);
  }
}

}  // namespace tarn
