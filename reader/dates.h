// Dates read from records of the input unit and built by the driver; a bad date stops the run. The
// calendar itself is driver/public/calendar.h.
#pragma once

#include <string>
#include <string_view>

#include "driver/public/calendar.h"
#include "support/runtime.h"

namespace tarn {

// The number (1 to 12) of a three-letter month name; fatal for any other text.
double MonthNumber(Runtime& rt, std::string_view name, std::string_view recordName);

// A date text built by the driver itself ("15-Mar"); fatal when it is malformed.
Date StrToDate(Runtime& rt, std::string_view text);

// The day number of a date text read from the record `recordName`; fatal when the text is
// malformed or the date does not exist.
double RdDate(Runtime& rt, std::string_view text, std::string_view recordName);

}  // namespace tarn
