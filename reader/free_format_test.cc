#include "reader/free_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace tarn {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// Lines handed out one by one, to one reader after another.
struct Lines {
  std::vector<std::string> lines;
  size_t next = 0;

  FreeFormatReader::LineSource Source() {
    return [this](std::string& line) {
      if (next == lines.size()) return false;
      line = lines[next++];
      return true;
    };
  }
};

// One item on its own, read as a number: accepted with its value, or refused.
struct ItemCase {
  const char* text;
  bool allowNonFinite;
  bool accepted;
  double value;
};
const ItemCase kItemCases[] = {
    {"90", false, true, 90},
    {"90.0", false, true, 90},
    {"9.0E1", false, true, 90},
    {"9.0D1", false, true, 90},
    {"9.0d+1", false, true, 90},
    {"900e-1", false, true, 90},
    {"-.5", false, true, -0.5},
    {"+5.", false, true, 5},
    {"5.D1", false, true, 50},
    {" 365 ", false, true, 365},
    {"4.9e-324", false, true, 4.9e-324},
    {"NaN", true, true, kNaN},
    {"-inf", true, true, -kInf},
    {"+INFINITY", true, true, kInf},
    {"NaN", false, false, 0},
    {"Infinity", false, false, 0},
    {"nanx", true, false, 0},
    {"", false, false, 0},
    {".", false, false, 0},
    {"-", false, false, 0},
    {"abc", false, false, 0},
    {"E5", false, false, 0},
    {"9.0E", false, false, 0},
    {"9.0E+", false, false, 0},
    {"1e+-5", false, false, 0},
    {"1.0+5", false, false, 0},
    {"1.2.3", false, false, 0},
    {"3*1.0", false, false, 0},
    {"1.0/", false, false, 0},
    {"1,0", false, false, 0},
    {"1 2", false, false, 0},
    {"1e400", true, false, 0},
    {"1e-400", false, false, 0},
};

TEST(FreeFormat, ParseItems) {
  for (const ItemCase& c : kItemCases) {
    double value = -1;
    ASSERT_EQ(ParseFreeFormatNumber(c.text, value, c.allowNonFinite), c.accepted)
        << '"' << c.text << '"';
    if (!c.accepted) continue;
    if (std::isnan(c.value)) {
      EXPECT_TRUE(std::isnan(value)) << c.text;
    } else {
      EXPECT_EQ(value, c.value) << c.text;
    }
  }
}

// A read of several numbers from the given lines: the values read, and whether the read after
// them fails.
struct ReadCase {
  std::vector<std::string> lines;
  std::vector<double> values;
  bool thenFails;
};
const ReadCase kReadCases[] = {
    {{"1.0 2.0\t3.0"}, {1, 2, 3}, false},
    {{"1.0,2.0 , 3.0  ,4.0"}, {1, 2, 3, 4}, false},
    {{"9.0E1 9.0D1 9.0d+1"}, {90, 90, 90}, false},
    {{"1.0", "", "   ", "  2.0 3.0"}, {1, 2, 3}, false},
    {{"1.0,", "2.0"}, {1, 2}, false},
    {{"1.0", ",2.0"}, {1, 2}, false},
    {{"1.0 2.0"}, {1, 2}, true},
    {{"1.0,,2.0"}, {1}, true},
    {{"1.0, ,2.0"}, {1}, true},
    {{"1.0,", ",2.0"}, {1}, true},
    {{",1.0"}, {}, true},
    {{"3*1.0"}, {}, true},
    {{"1.0/ 2.0"}, {}, true},
    {{"NaN"}, {}, true},
    {{}, {}, true},
};

TEST(FreeFormat, ReadNumbersAcrossLines) {
  for (const ReadCase& c : kReadCases) {
    const std::string name = c.lines.empty() ? "(no lines)" : c.lines[0];
    Lines lines{c.lines};
    FreeFormatReader reader(lines.Source());
    for (double expected : c.values) {
      double value = -1;
      ASSERT_TRUE(reader.ReadNumber(value)) << name;
      EXPECT_EQ(value, expected) << name;
    }
    if (c.thenFails) {
      double value = -1;
      EXPECT_FALSE(reader.ReadNumber(value)) << name;
    }
  }
}

// A model summary's compound line: two texts cut to 5 and 12 characters, then the number.
TEST(FreeFormat, ReadTextsAndNumber) {
  Lines lines{{"Compound1 Leaching/concentration", "", "0.25E-3 extra"}};
  FreeFormatReader reader(lines.Source());
  std::string name, label;
  double value = -1;
  ASSERT_TRUE(reader.ReadText(name, 5));
  ASSERT_TRUE(reader.ReadText(label, 12));
  ASSERT_TRUE(reader.ReadNumber(value));
  EXPECT_EQ(name, "Compo");
  EXPECT_EQ(label, "Leaching/con");
  EXPECT_EQ(value, 0.25e-3);
}

// Texts obey the separator rules of numbers.
TEST(FreeFormat, RefusedTexts) {
  const std::vector<std::string> kRefused[] = {{",abc"}, {"2*abc"}, {}};
  for (const std::vector<std::string>& text : kRefused) {
    Lines lines{text};
    FreeFormatReader reader(lines.Source());
    std::string word;
    EXPECT_FALSE(reader.ReadText(word, 5)) << (text.empty() ? "(no lines)" : text[0]);
  }
}

// Each reader is one read statement: the next one begins on the next line.
TEST(FreeFormat, EachReaderStartsOnAFreshLine) {
  Lines lines{{"1.0 2.0", "3.0"}};
  const FreeFormatReader::LineSource source = lines.Source();
  double first = -1, second = -1;
  ASSERT_TRUE(FreeFormatReader(source).ReadNumber(first));
  ASSERT_TRUE(FreeFormatReader(source).ReadNumber(second));
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 3);
}

}  // namespace
}  // namespace tarn
