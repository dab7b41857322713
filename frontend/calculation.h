// Calculation: what the Calculate button does, without the window, shared by the dialog and
// the headless mode: the day values judged, the output folder prepared, TARN.bat written and
// run, and the driver's exit code.
#pragma once

#include <optional>

#include "frontend/messages.h"
#include "frontend/run_preparation.h"

namespace tarn::frontend {

// The two application options the front end offers.
inline constexpr char kMonthly[] = "Monthly";
inline constexpr char kUserDefined[] = "UserDefined";

// The whole number in `text` (digits only) when it lies from `minimum` to `maximum`.
std::optional<int> WholeNumberIn(const QString& text, int minimum, int maximum);

// Whether the driver accepts the day values: with UserDefined, first and last day 0 to 365 and
// an interval of 1 to 150; with any other option they are not read.
bool DayFieldsAccepted(const RunSettings& settings);

// Prepares the output folder, writes TARN.bat and runs it in the output folder, waiting while
// events are served. Nothing when the preparation was refused; otherwise the batch file's
// exit code (-1 when it could not be started). Throws std::runtime_error when a file cannot be
// written.
std::optional<int> RunCalculation(const RunSettings& settings, Messages& messages);

}  // namespace tarn::frontend
