// The driver's control file <RunId>.tsb: the model folder, the schedule and its days, the model
// runs at once, the model launcher and the request to rebuild the report only. Its records, their
// ranges and the layout it is written in are owned here; its reader (driver/control_file.h) and
// the writer declared here stand beside each other in driver/control_file.cc.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarn {

enum class Schedule { kMonthly = 1, kUserDefined = 2, kOther = 3 };
enum class RunMode { kNormal = 1, kPostProcessOnly = 2 };

// The words of the application options, in the order of Schedule.
inline constexpr const char* kScheduleWords[] = {"Monthly", "UserDefined", "Other"};
constexpr const char* ScheduleWord(Schedule option) {
  return kScheduleWords[static_cast<int>(option) - 1];
}
// The option that `word` names; nothing for any other word.
std::optional<Schedule> ScheduleOfWord(std::string_view word);

// The values a number record of the control file may take, both ends included.
struct ValueRange {
  int minimum, maximum;
};
inline constexpr ValueRange kDayRange{0, 365};       // DayInYeaAppFirst and DayInYeaAppLast
inline constexpr ValueRange kIntervalRange{1, 150};  // DelTimAppId: below one day no schedule ends
inline constexpr ValueRange kParallelRunsRange{1, 64};  // NumParallelRuns

// The user-defined schedule offered first: every 20 days from day 80 to day 310.
inline constexpr int kDefaultInterval = 20;
inline constexpr int kDefaultFirstDay = 80;
inline constexpr int kDefaultLastDay = 310;
// Without the record the model runs one at a time.
inline constexpr int kDefaultParallelRuns = 1;

// What the control file tells the driver. The days are read with the user-defined schedule only
// (0 otherwise).
struct ControlSettings {
  std::string binDir{};
  Schedule optApp = Schedule::kMonthly;
  double delTimAppId = 0;
  double dayInYeaAppFirst = 0;
  double dayInYeaAppLast = 0;
  int numParallelRuns = kDefaultParallelRuns;  // model runs at once
  std::string modelLauncher{};  // the program each model command is handed to; empty for none
  RunMode runMode = RunMode::kNormal;
};

// The words of the three day records as they are written.
struct DayWords {
  std::string interval, firstDay, lastDay;
};

// The day values of `settings` in their shortest form ("20", "80.5").
DayWords DayWordsOf(const ControlSettings& settings);

// The control file of `settings`, each line ended by CR LF: the model folder, the option and the
// three days (written even where the option does not read them, as `days`), then the number of
// model runs at once only when it is above 1, the model launcher only when there is one and the
// request to rebuild the report only when it is made.
std::string ControlFileText(const ControlSettings& settings, const DayWords& days);
std::string ControlFileText(const ControlSettings& settings);

}  // namespace tarn
