#include "reader/dates.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "driver/public/number_format.h"
#include "support/text.h"

namespace tarn {

namespace {

constexpr std::string_view kMonthNames = "JanFebMarAprMayJunJulAugSepOctNovDec";

// The day of the year (from 1) on which each month begins.
constexpr std::array<double, 12> kFirstDayCommon = {1,   32,  60,  91,  121, 152,
                                                    182, 213, 244, 274, 305, 335};
constexpr std::array<double, 12> kFirstDayLeap = {1,   32,  61,  92,  122, 153,
                                                  183, 214, 245, 275, 306, 336};
constexpr std::array<double, 12> kMonthLength = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// No crop cycles are read by this system, so every date relative to one is out of range.
constexpr int kNumberOfCropCycles = 0;

const std::array<double, 12>& FirstDays(double year) {
  return IsLeapYear(year) ? kFirstDayLeap : kFirstDayCommon;
}

double YearLength(double year) { return IsLeapYear(year) ? 366 : 365; }

// The month's first day of the year; `month` is truncated to a whole month number from 1 to 12.
double FirstDayOfMonth(double year, double month) {
  return FirstDays(year).at(static_cast<size_t>(static_cast<int>(month) - 1));
}

// An integer field of a date text: an optional sign followed by at least one digit.
bool ParseInteger(std::string_view field, double& value) {
  size_t digits = (!field.empty() && (field[0] == '+' || field[0] == '-')) ? 1 : 0;
  if (digits == field.size()) return false;
  double number = 0;
  for (size_t i = digits; i < field.size(); ++i) {
    if (field[i] < '0' || field[i] > '9') return false;
    number = number * 10 + (field[i] - '0');
  }
  value = field[0] == '-' ? -number : number;
  return true;
}

std::string ZeroFilled(std::string text) {
  for (char& c : text) {
    if (c == ' ') c = '0';
  }
  return text;
}

}  // namespace

bool NearlyEqual(double a, double b) { return std::fabs(a - b) < 1e-8; }
bool NotNearlyEqual(double a, double b) { return std::fabs(a - b) > 1e-8; }
bool NearlyLess(double a, double b) { return a < b && !NearlyEqual(a, b); }

bool IsLeapYear(double year) {
  return (NearlyEqual(std::fmod(year, 4), 0) && NotNearlyEqual(std::fmod(year, 100), 0)) ||
         NearlyEqual(std::fmod(year, 400), 0);
}

std::string_view MonthName(int month) { return kMonthNames.substr((month - 1) * 3, 3); }

int MonthLength(int month, double year) {
  return static_cast<int>(kMonthLength[month - 1]) + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

std::optional<int> DayInYear(std::string_view date) {
  if (date.size() != 6 || date[2] != '-') return std::nullopt;
  const std::string_view digits = date.substr(0, 2);
  if (digits.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
  const int day = (digits[0] - '0') * 10 + (digits[1] - '0');
  int daysBefore = 0;
  for (int month = 1; month <= 12; ++month) {
    if (date.substr(3) == MonthName(month)) {
      // Day 0 of the year is written 00-Jan.
      if (day > MonthLength(month, 1900) || (day == 0 && month > 1)) return std::nullopt;
      return daysBefore + day;
    }
    daysBefore += MonthLength(month, 1900);
  }
  return std::nullopt;
}

double DateToDayNumber(const Date& date) {
  // Years before 1900 count as 1900.
  double count = 0, year = 1900;
  for (; year < date.year; ++year) count += YearLength(year);
  return count + FirstDayOfMonth(year, date.month) + date.day - 1;
}

DateAndHour DayNumberToDate(double dayNumber) {
  // The year whose days contain the day number, fraction included, so that the hours of a year's
  // last day stay in that year. Day numbers below 1 lie in 1899, where 0 is day 00 of January.
  double year = 1900, firstDay = 1;
  while (firstDay + YearLength(year) <= dayNumber) firstDay += YearLength(year++);
  if (dayNumber < 1) year = 1899;

  const double dayOfYear = dayNumber - firstDay + 1;
  const auto& firstDays = FirstDays(year);
  int month = 12;
  while (month > 1 && firstDays[month - 1] > std::max(dayOfYear, 1.0)) --month;
  const double dayWithFraction = dayOfYear - firstDays[month - 1] + 1;

  DateAndHour date{year, static_cast<double>(month), std::trunc(dayWithFraction), 0};
  date.hour = (dayWithFraction - date.day) / (1.0 / 24);
  if (NearlyLess(std::trunc(date.hour) + 1 - date.hour, 0.0001)) {
    date.hour = std::trunc(date.hour) + 1;
  }
  return date;
}

std::string DateText(double dayNumber) {
  // From noon onwards the date shows as the next day.
  if (dayNumber - std::trunc(dayNumber) >= 0.5) dayNumber = std::trunc(dayNumber) + 1;
  const DateAndHour date = DayNumberToDate(dayNumber);
  const auto hour = static_cast<long long>(date.hour);
  std::string text = fmt::I(static_cast<long long>(date.day), 2);
  text += '-';
  text += MonthName(static_cast<int>(date.month));
  text += '-';
  text += fmt::I(static_cast<long long>(date.year), 4);
  if (!NotNearlyEqual(date.hour, 0)) return ZeroFilled(text) + std::string(6, ' ');
  text += '-';
  if (hour < 10) text += '0';
  text += fmt::I(hour, hour < 10 ? 1 : 2);
  text += ":30";
  return ZeroFilled(text);
}

double MonthNumber(Runtime& rt, std::string_view name, std::string_view recordName) {
  const std::string_view month = TrimRight(name);
  for (size_t m = 0; m < 12; ++m) {
    if (month == kMonthNames.substr(m * 3, 3)) return static_cast<double>(m + 1);
  }
  rt.Fail(-1, "Illegal month in record " + std::string(TrimRight(recordName)));
}

Date StrToDate(Runtime& rt, std::string_view text) {
  const std::string_view date = TrimRight(text);
  Date result{1900, 0, 0};
  const bool formatOk = (date.size() == 11 || date.size() == 6) &&
                        ParseInteger(date.substr(0, 2), result.day) &&
                        (date.size() == 6 || ParseInteger(date.substr(7, 4), result.year));
  if (!formatOk) rt.Fail(-1, " Fatal while converting date", " Format must be dd-mmm-yyyy ");
  result.month = MonthNumber(rt, date.substr(3, 3), "StrToDate");
  return result;
}

double RdDate(Runtime& rt, std::string_view text, std::string_view recordName) {
  const std::string date(TrimRight(text));
  const std::string record(TrimRight(recordName));
  const char* cropCycleLine = nullptr;
  if (date.find("Emg") == 3) {
    cropCycleLine = "Crop cycle number in date from emergence must be in the range 1 - ";
  } else if (date.find("Har") == 3) {
    cropCycleLine = "Crop cycle number in date from harvest must be in the range 1 - ";
  }
  if (cropCycleLine) {
    rt.Fail(-1, cropCycleLine + fmt::I(kNumberOfCropCycles, 2),
            "Please notice that a relative date cannot be used in combination with bare soil!");
  }

  Date result{1900, 0, 0};
  const std::string_view view(date);
  double hour = 0, minute = 0;
  const bool formatOk = (view.size() == 6 || view.size() == 11 || view.size() == 16) &&
                        ParseInteger(view.substr(0, 2), result.day) &&
                        (view.size() == 6 || ParseInteger(view.substr(7, 4), result.year)) &&
                        (view.size() != 16 || (ParseInteger(view.substr(12, 2), hour) &&
                                               ParseInteger(view.substr(14, 2), minute)));
  if (!formatOk) {
    rt.Fail(-1, "Fatal while reading record " + record + " " + date,
            "Format must be dd-mmm-yyyy, dd-mmm or xx-Emgddd", "Please refer to the manual");
  }

  result.month = MonthNumber(rt, view.substr(3, 3), record);
  const auto monthIndex = static_cast<size_t>(result.month) - 1;
  const double monthLength =
      kMonthLength[monthIndex] + (monthIndex == 1 && IsLeapYear(result.year) ? 1 : 0);
  if (result.day < 1 || result.day > monthLength) {
    rt.Fail(-1, "The following date is illegal:", date);
  }
  return DateToDayNumber(result);
}

}  // namespace tarn
