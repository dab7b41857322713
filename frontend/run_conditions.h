// Run conditions: what must hold before Calculate can start a run (the model input is readable
// and names a run the driver takes, the programs and the output folder exist, the day values
// give the driver's schedule at least one application id, the folders written into the control
// file are one word each, the output folder deletes nothing of the input's or a program's),
// judged alike by the reason line of the window, by Calculate before anything is deleted and by
// the headless mode.
#pragma once

#include <QList>
#include <QString>
#include <optional>

#include "driver/public/control_file.h"
#include "frontend/run_preparation.h"

namespace tarn::frontend {

// The two application options the front end offers.
inline constexpr const char* kMonthly = ScheduleWord(Schedule::kMonthly);
inline constexpr const char* kUserDefined = ScheduleWord(Schedule::kUserDefined);

// The whole number in `text` (digits only) when it lies from `minimum` to `maximum`.
std::optional<int> WholeNumberIn(const QString& text, int minimum, int maximum);

// The day values of the user-defined schedule.
struct DayValues {
  int firstDay, lastDay, interval;
};

// The day values when the driver accepts all three (each in the range the control file gives
// it); nothing otherwise.
std::optional<DayValues> AcceptedDays(const RunSettings& settings);

// The control settings of the user-defined schedule of `days`.
ControlSettings UserDefinedSchedule(const DayValues& days);

// Whether the driver accepts the day values: with UserDefined, AcceptedDays; with any other
// option they are not read.
bool DayFieldsAccepted(const RunSettings& settings);

// The number of application ids the driver's schedule keeps for the option and day values of
// `settings` and the Applications table of the model input `tolvaFile` (its schedule plan); nothing
// when the option is neither of the two or the driver would not read the day values or the table.
std::optional<int> ScheduledAppIds(const RunSettings& settings, const QString& tolvaFile);

// One condition of Calculate that does not hold: what the user is told, and the path it is
// about (empty for a day value); a condition without a path names the setting it is about.
struct UnmetCondition {
  QString text;
  QString path;
  QString RunSettings::*setting = nullptr;
};

// The conditions of Calculate that do not hold, in the order the window names them.
QList<UnmetCondition> UnmetConditions(const RunSettings& settings);

// The condition as one line: its text, then the path it is about.
QString ConditionLine(const UnmetCondition& unmet);

// The error message of a Calculate that `unmet` refuses.
QString RefusalMessage(const UnmetCondition& unmet);

}  // namespace tarn::frontend
