#include "reader/typed_readers.h"

#include <gtest/gtest.h>

#include "support/testing.h"
#include "support/text.h"

namespace tarn {
namespace {

using testing::TempRun;
using Lines = std::vector<std::string>;

const char kErrorEnd[] = "An error occurred - program stopped";
const std::string kSeparator(80, '-');

// Puts `text` on the input unit and opens the log.
void OpenInput(TempRun& tr, const std::string& text) {
  tr.WriteFile("test.tol", text);
  ASSERT_EQ(tr.rt.units.OpenExisting(kInputUnit, tr.rt.InRunFolder("test.tol")), 0);
  ASSERT_EQ(tr.rt.units.OpenNew(kLogUnit, tr.rt.InRunFolder("test.log")), 0);
}

TEST(RdString, FirstWordCutToCapacity) {
  TempRun tr;
  OpenInput(tr, "C:\\Models\\bin BinDir ! the model's folder\n");
  EXPECT_EQ(RdString(tr.rt, "BinDir"), "C:\\Models\\bin");
  EXPECT_EQ(RdString(tr.rt, "BinDir", 5), "C:\\Mo");
}

TEST(RdOption, IndexAndLog) {
  TempRun tr;
  OpenInput(tr, "UserDefined OptApp ! schedule\nOther Next\n");
  EXPECT_EQ(RdOption(tr.rt, "OptApp", "Monthly UserDefined Other"), 2);
  EXPECT_EQ(RdOption(tr.rt, "Next", "Monthly UserDefined Other"), 3);
  EXPECT_EQ(tr.Lines("test.log"), (Lines{kSeparator, "            OptApp        UserDefined",
                                         kSeparator, "              Next              Other"}));
}

// Every number form of the first item gives the value; the bounds themselves pass.
TEST(RdFloat, ReadsAndLogsValue) {
  const std::pair<const char*, double> kCases[] = {
      {"90", 90}, {"90.0", 90}, {"9.0E1", 90}, {"9.0d1", 90}, {"90,", 90}, {"0", 0}, {"365", 365},
  };
  for (const auto& [value, expected] : kCases) {
    TempRun tr;
    OpenInput(tr, std::string(value) + " DayInYeaAppFirst (d) ! first day\n");
    EXPECT_EQ(RdFloat(tr.rt, "DayInYeaAppFirst", "(d)", 0, 365), expected) << value;
    if (expected == 90) {
      EXPECT_EQ(tr.Lines("test.log"),
                (Lines{kSeparator, "  DayInYeaAppFirst                (d)   90.000    "}));
    }
  }
}

// Each refused value stops the run with its lines; a value out of range is logged first.
TEST(RdFloat, Refusals) {
  const Lines kNotANumber = {" Fatal while reading record Day"};
  const std::tuple<const char*, std::pair<double, double>, Lines> kCases[] = {
      {"-1 Day (d)",
       {0, 365},
       {"FATAL: value < minimum", "Input was:   -1.000000    ; the mimimum value is:    0.000000",
        "Variable name is: Day"}},
      // The minimum is checked first, even when it lies above the maximum.
      {"10 Day (d)",
       {20, 5},
       {"FATAL: value < minimum", "Input was:    10.00000    ; the mimimum value is:    20.00000",
        "Variable name is: Day"}},
      {"365.5 Day (d)",
       {0, 365},
       {"FATAL: value > maximum", "The maximum value is:     365.0000000",
        "Variable name is: Day"}},
      {"151 Day (d)",
       {1, 150},
       {"FATAL: value > maximum", "The maximum value is:     150.0000000",
        "Variable name is: Day"}},
      {"abc Day (d)", {0, 365}, kNotANumber},
      {"NaN Day (d)", {0, 365}, kNotANumber},
      {"Inf Day (d)", {0, 365}, kNotANumber},
  };
  for (const auto& [line, range, lines] : kCases) {
    TempRun tr;
    OpenInput(tr, line);
    EXPECT_EQ(tr.StopText(
                  [&, &range = range] { RdFloat(tr.rt, "Day", "(d)", range.first, range.second); }),
              kErrorEnd);
    Lines expected = lines;
    expected.push_back(kErrorEnd);
    EXPECT_EQ(tr.ErrLines(), expected) << line;
    EXPECT_EQ(tr.Lines("test.log").size(), lines == kNotANumber ? 1u : 2u) << line;
  }
}

TEST(RdOption, NoMatch) {
  TempRun tr;
  OpenInput(tr, "userdefined OptApp\n");
  EXPECT_EQ(tr.StopText([&] { RdOption(tr.rt, "OptApp", "Monthly UserDefined Other"); }),
            kErrorEnd);
  EXPECT_EQ(
      tr.ErrLines(),
      (Lines{" Option in input file does not match possible options for OptApp",
             " The following options are available:", " Monthly UserDefined Other", kErrorEnd}));
}

// A name is the row's first 200 characters as they stand, leading blanks and later words kept.
TEST(GetCompoundList, RowsAsTheyStand) {
  TempRun tr;
  const std::string longName = std::string(199, 'L') + "MN";
  OpenInput(tr, "table compounds\n  CompA  \nCompB extra\n" + longName + "\nend_table\n");
  GetCompoundList(tr.rt);
  ASSERT_EQ(NumberOfCompounds(tr.rt), 3);
  EXPECT_EQ(CompoundName(tr.rt, 1), "  CompA");
  EXPECT_EQ(CompoundName(tr.rt, 2), "CompB extra");
  EXPECT_EQ(CompoundName(tr.rt, 3), longName.substr(0, 200));
  EXPECT_EQ(tr.Lines("test.log"), (Lines{kSeparator, "Compound   1 " + PadRight("  CompA", 200),
                                         "Compound   2 " + PadRight("CompB extra", 200),
                                         "Compound   3 " + longName.substr(0, 200)}));
}

TEST(GetCompoundList, EmptyTable) {
  TempRun tr;
  OpenInput(tr, "table compounds\nend_table\n");
  GetCompoundList(tr.rt);
  EXPECT_EQ(NumberOfCompounds(tr.rt), 0);
  EXPECT_EQ(tr.Lines("test.log"), Lines{kSeparator});
}

}  // namespace
}  // namespace tarn
