#include "reader/dates.h"

#include <gtest/gtest.h>

#include <chrono>

#include "support/testing.h"

namespace tarn {
namespace {

using testing::TempRun;
using Lines = std::vector<std::string>;

const char kErrorEnd[] = "An error occurred - program stopped";

// Every whole day number is its calendar date, and that date converts back to it.
TEST(Dates, WholeDaysRoundTrip) {
  using namespace std::chrono;
  for (int t = 1; t <= 80000; ++t) {
    const year_month_day expected{sys_days{year{1900} / January / 1} + days{t - 1}};
    const DateAndHour date = DayNumberToDate(t);
    ASSERT_EQ((std::vector<double>{date.year, date.month, date.day, date.hour}),
              (std::vector<double>{double(int(expected.year())), double(unsigned(expected.month())),
                                   double(unsigned(expected.day())), 0}))
        << t;
    ASSERT_EQ(DateToDayNumber({date.year, date.month, date.day}), t) << t;
  }
}

TEST(Dates, RdDateReadsDayNumbers) {
  const std::pair<const char*, double> kCases[] = {
      {"01-Jan-1900", 1},     {"31-Dec-1900", 365},
      {"01-Jan-1901", 366},   {"15-Mar-2018", 43173},
      {"15-Mar", 74},         {"29-Feb-2000", 36584},
      {"15/Mar/2018", 43173}, {"15-Mar-2018-1230", 43173},
      {"01-Mar-1899", 60},    {"31-Dec-2100", 73414},
      {"+1-Jan-1900", 1},
  };
  for (const auto& [text, dayNumber] : kCases) {
    TempRun tr;
    EXPECT_EQ(RdDate(tr.rt, text, "Applications"), dayNumber) << text;
  }
}

TEST(Dates, DateText) {
  const std::pair<double, const char*> kCases[] = {
      {43173, "15-Mar-2018      "},
      {74, "15-Mar-1900      "},
      {5.6, "06-Jan-1900      "},
      {43173.25, "15-Mar-2018-06:30"},
      {365.5, "01-Jan-1901      "},
      {43173.75, "16-Mar-2018      "},
      {43173.4999999, "15-Mar-2018-12:30"},
      {365.25, "31-Dec-1900-06:30"},
      {0, "00-Jan-1899      "},
      {36584, "29-Feb-2000      "},
      {1.4375, "01-Jan-1900-10:30"},
  };
  for (const auto& [dayNumber, text] : kCases) EXPECT_EQ(DateText(dayNumber), text) << dayNumber;
}

// Each refused text stops the run with its lines.
TEST(Dates, Refusals) {
  const auto illegal = [](const std::string& text) {
    return Lines{"The following date is illegal:", text};
  };
  const auto format = [](const std::string& text) {
    return Lines{"Fatal while reading record Applications" + text,
                 "Format must be dd-mmm-yyyy, dd-mmm or xx-Emgddd", "Please refer to the manual"};
  };
  const std::string relative =
      "Please notice that a relative date cannot be used in combination with bare soil!";
  const Lines strToDateFormat = {" Fatal while converting date", " Format must be dd-mmm-yyyy"};
  const std::tuple<const char*, bool, Lines> kCases[] = {
      {"29-Feb-2019", true, illegal("29-Feb-2019")},
      {"29-Feb-1900", true, illegal("29-Feb-1900")},
      {"29-Feb", true, illegal("29-Feb")},
      {"31-Apr-2018", true, illegal("31-Apr-2018")},
      {"00-Mar-2018", true, illegal("00-Mar-2018")},
      {"-1-Mar-2018", true, illegal("-1-Mar-2018")},
      {"15-mar-2018", true, {"Illegal month in record Applications"}},
      {"15-Mar-18", true, format(" 15-Mar-18")},
      {"5-Mar-2018", true, format(" 5-Mar-2018")},
      {"1x-Mar-2018", true, format(" 1x-Mar-2018")},
      {"15-Mar-2018-12h0", true, format(" 15-Mar-2018-12h0")},
      {"", true, format("")},
      {"01-Emg010",
       true,
       {"Crop cycle number in date from emergence must be in the range 1 -  0", relative}},
      {"01-Har010",
       true,
       {"Crop cycle number in date from harvest must be in the range 1 -  0", relative}},
      {"15-March", false, strToDateFormat},
      {"ab-Mar", false, strToDateFormat},
      {"15-Mrz", false, {"Illegal month in record StrToDate"}},
  };
  for (const auto& [text, byRdDate, lines] : kCases) {
    TempRun tr;
    const std::string stop = tr.StopText([&, text = text, byRdDate = byRdDate] {
      if (byRdDate) {
        RdDate(tr.rt, text, "Applications");
      } else {
        StrToDate(tr.rt, text);
      }
    });
    EXPECT_EQ(stop, kErrorEnd) << text;
    Lines expected = lines;
    expected.push_back(kErrorEnd);
    EXPECT_EQ(tr.ErrLines(), expected) << text;
  }
}

TEST(Dates, StrToDate) {
  TempRun tr;
  const Date date = StrToDate(tr.rt, "15-Mar-2018");
  EXPECT_EQ((std::vector<double>{date.year, date.month, date.day}),
            (std::vector<double>{2018, 3, 15}));
  EXPECT_EQ(DateToDayNumber(StrToDate(tr.rt, "15-Mar")), 74);
}

}  // namespace
}  // namespace tarn
