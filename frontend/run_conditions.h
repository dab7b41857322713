// Run conditions: what must hold before Calculate can start a run (the paths exist, the model
// launcher too when one is named, the day values are ones the driver accepts), judged alike by
// the window and the headless mode.
#pragma once

#include <QList>
#include <QString>
#include <optional>

#include "frontend/run_preparation.h"

namespace tarn::frontend {

// The two application options the front end offers.
inline constexpr char kMonthly[] = "Monthly";
inline constexpr char kUserDefined[] = "UserDefined";

// The whole number in `text` (digits only) when it lies from `minimum` to `maximum`.
std::optional<int> WholeNumberIn(const QString& text, int minimum, int maximum);

// The day values of the user-defined schedule.
struct DayValues {
  int firstDay, lastDay, interval;
};

// The day values when the driver accepts all three (first and last day 0 to 365, an interval of
// 1 to 150); nothing otherwise.
std::optional<DayValues> AcceptedDays(const RunSettings& settings);

// Whether the driver accepts the day values: with UserDefined, AcceptedDays; with any other
// option they are not read.
bool DayFieldsAccepted(const RunSettings& settings);

// One condition of Calculate that does not hold: what the user is told, and the path it is
// about (empty for a day value).
struct UnmetCondition {
  QString text;
  QString path;
};

// The conditions of Calculate that do not hold, in the order the window names them.
QList<UnmetCondition> UnmetConditions(const RunSettings& settings);

}  // namespace tarn::frontend
