// Dates as day numbers: 1 is 1 January 1900, Gregorian calendar throughout; the fraction of a
// day counts hours. A date without a year lies in 1900. Date texts are dd-Mmm-yyyy and dd-Mmm
// with English three-letter month names.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarn {

struct Date {
  double year = 0, month = 0, day = 0;
};

struct DateAndHour {
  double year = 0, month = 0, day = 0, hour = 0;
};

bool NearlyEqual(double a, double b);
bool NotNearlyEqual(double a, double b);
bool NearlyLess(double a, double b);

bool IsLeapYear(double year);

// The English three-letter name of month 1 to 12.
std::string_view MonthName(int month);
// The number of days of month 1 to 12 in `year`.
int MonthLength(int month, double year);
// The day in the year 1900 of a date dd-Mmm as the driver writes the application rows (00-Jan is
// day 0, 15-Dec day 349); nothing for any other text.
std::optional<int> DayInYear(std::string_view date);

double DateToDayNumber(const Date& date);
DateAndHour DayNumberToDate(double dayNumber);

// The 17-character text of a day number: dd-Mmm-yyyy and six blanks, or dd-Mmm-yyyy-hh:30 when
// the day number has an hour.
std::string DateText(double dayNumber);

}  // namespace tarn
