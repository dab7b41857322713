#include "reader/records.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/testing.h"

namespace tarn {
namespace {

using testing::TempRun;
using Lines = std::vector<std::string>;

void OpenInput(TempRun& tr, const std::string& text) {
  tr.WriteFile("test.tol", text);
  ASSERT_EQ(tr.rt.units.OpenExisting(kInputUnit, tr.rt.InRunFolder("test.tol")), 0);
}

// The record is the first line from the top whose second word is the keyword, whatever follows
// it; the input unit then stands on the next line, read up to 512 characters.
TEST(GetRecord, FindsFirstMatchingLine) {
  const std::tuple<std::string, std::string, std::string> kCases[] = {
      {"C:\\Models\\bin BinDir ! where the model is\nnext", "C:\\Models\\bin", "next"},
      {"! BinDir is the folder\nC:\\bin BinDir\n", "!", "C:\\bin BinDir"},
      {"x BinDirectory\nBinDir x\n\n  \nval BinDir\r\nnext\r\n", "val", "next"},
      {"first BinDir\nsecond BinDir\n", "first", "second BinDir"},
      {"\tv\tBinDir\t\n" + std::string(600, 'n'), "v", std::string(512, 'n')},
      {std::string(300, 'x') + " other\nv BinDir\n", "v", ""},
  };
  for (const auto& [file, value, nextLine] : kCases) {
    TempRun tr;
    OpenInput(tr, file);
    for (int pass = 0; pass < 2; ++pass) GetRecord(tr.rt, "BinDir", 2);
    EXPECT_EQ(Words(tr.rt).Word(1), value) << file;
    std::string line;
    ReadUnitLine(tr.rt, kInputUnit, line);
    EXPECT_EQ(line, nextLine) << file;
  }
}

// Every failure stops the run with its message lines.
TEST(Records, Refusals) {
  using Action = std::function<void(Runtime&)>;
  const Action day = [](Runtime& rt) { GetRecord(rt, "DayInYeaAppFirst", 2, "(d)"); };
  const Action table = [](Runtime& rt) {
    GetRecord(rt, "Applications", 2);
    CountRecord(rt, "Applications");
  };
  const std::string word = std::string(200, 'w') + "z";
  const std::tuple<std::string, Action, Lines> kCases[] = {
      {"", day, {"Cannot find record DayInYeaAppFirst (column  2, unit  20)"}},
      {"90 dayinyeaappfirst (d)\n",
       day,
       {"Cannot find record DayInYeaAppFirst (column  2, unit  20)"}},
      {"9 0 DayInYeaAppFirst (d)\n",
       day,
       {"Cannot find record DayInYeaAppFirst (column  2, unit  20)"}},
      {"90 DayInYeaAppFirst (D)\n", day, {"Dimension for DayInYeaAppFirst should be (d)"}},
      {"90 DayInYeaAppFirst\n",
       day,
       {"You have to specify a dimension for DayInYeaAppFirst Its value should be (d)"}},
      {"table Applications\n01-Apr AppSolSur 1.0\n",
       table,
       {"FATAL while COUNTING records in Applications"}},
      {"a\t" + word + " Applications  ",
       table,
       {"Word too long in line: a " + word + " Applications", "Word is: " + word.substr(0, 200),
        "Maximum length is: 200"}},
  };
  for (const auto& [file, action, lines] : kCases) {
    TempRun tr;
    OpenInput(tr, file);
    EXPECT_EQ(tr.StopText([&, &action = action] { action(tr.rt); }),
              "An error occurred - program stopped");
    Lines expected = lines;
    expected.push_back("An error occurred - program stopped");
    EXPECT_EQ(tr.ErrLines(), expected) << file;
  }
}

// Every line up to the first one holding "end_table" is a row, blank and comment lines included.
TEST(CountRecord, CountsRowsUpToEndTable) {
  const std::tuple<const char*, int, const char*> kCases[] = {
      {"table Applications\nend_table\nafter", 0, "after"},
      {"table Applications\n01-Apr AppSolSur 1.0\n\n* remark\nend_table\nafter", 3, "after"},
      {"table Applications\nrow\nrow ! end_table here\nlast\n", 1, "last"},
  };
  for (const auto& [file, count, nextLine] : kCases) {
    TempRun tr;
    OpenInput(tr, file);
    GetRecord(tr.rt, "Applications", 2);
    EXPECT_EQ(CountRecord(tr.rt, "Applications"), count) << file;
    std::string line;
    ReadUnitLine(tr.rt, kInputUnit, line);
    EXPECT_EQ(line, nextLine) << file;
  }
}

// A split replaces the whole list: words of an earlier, longer line read as empty.
TEST(SplitWords, WordsOfALine) {
  const std::pair<std::string, Lines> kCases[] = {
      {" \t  ", {""}},
      {"  a\tbc\t\td  ", {"a", "bc", "d", ""}},
      {std::string(200, 'w') + " x", {std::string(200, 'w'), "x", ""}},
  };
  for (const auto& [line, words] : kCases) {
    TempRun tr;
    SplitWords(tr.rt, "p q r s t");
    SplitWords(tr.rt, line);
    EXPECT_EQ(Words(tr.rt).NumWords(), static_cast<int>(words.size()) - 1) << line;
    for (size_t i = 0; i < words.size(); ++i) EXPECT_EQ(Words(tr.rt).Word(i + 1), words[i]);
  }
}

TEST(WordsToScratch, WordsAfterSkip) {
  TempRun tr;
  SplitWords(tr.rt, "01-Apr AppSolInj 1.5 0.0");
  EXPECT_EQ(WordsToScratch(tr.rt, 2), "1.5   0.0   ");
  SplitWords(tr.rt, "01-Apr AppSolInj");
  EXPECT_EQ(WordsToScratch(tr.rt, 2), "");
  EXPECT_FALSE(tr.Exists("tolva.tmp"));
}

}  // namespace
}  // namespace tarn
