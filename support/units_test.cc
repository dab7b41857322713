#include "support/units.h"

#include <gtest/gtest.h>

#include "support/testing.h"

namespace tarn {
namespace {

using testing::TempRun;

TEST(UnitTable, ReadsLfAndCrLfLinesAndALastLineWithoutEnd) {
  TempRun run;
  run.WriteFile("in.txt", "one\r\ntwo\n\nthree\r\nlast");
  UnitTable units;
  ASSERT_EQ(units.OpenExisting(20, run.rt.InRunFolder("in.txt")), 0);
  std::vector<std::string> lines;
  for (std::string line; units.ReadLine(20, line);) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "", "three", "last"}));
}

TEST(UnitTable, StepsBackAndRewinds) {
  TempRun run;
  run.WriteFile("in.txt", "a\nb\nc\n");
  UnitTable units;
  units.OpenExisting(20, run.rt.InRunFolder("in.txt"));
  std::string line;
  units.ReadLine(20, line);
  units.ReadLine(20, line);
  units.BackOneLine(20);
  units.ReadLine(20, line);
  EXPECT_EQ(line, "b");
  units.Rewind(20);
  units.ReadLine(20, line);
  EXPECT_EQ(line, "a");
}

// Lines wait in a buffer until a flush hands them to the file (a model started then reads them
// all); an empty line has no storage at all and is still written as a line end.
TEST(UnitTable, WritesLinesAtAFlush) {
  TempRun run;
  UnitTable units;
  ASSERT_EQ(units.OpenNew(30, run.rt.InRunFolder("out.txt")), 0);
  EXPECT_TRUE(units.WriteLine(30, "first"));
  EXPECT_TRUE(units.WriteLine(30, std::string_view()));
  EXPECT_EQ(units.Flush(30), 0);
  EXPECT_EQ(run.ReadFile("out.txt"), "first\n\n");
  EXPECT_EQ(units.NameOf(30), run.rt.InRunFolder("out.txt"));
  EXPECT_EQ(units.Close(30, /*deleteFile=*/true), 0);
  EXPECT_FALSE(run.Exists("out.txt"));
  EXPECT_EQ(units.NameOf(30), "");
}

TEST(UnitTable, OpeningAnOpenUnitReplacesItsFile) {
  TempRun run;
  run.WriteFile("a.txt", "from a\n");
  run.WriteFile("b.txt", "from b\n");
  UnitTable units;
  units.OpenExisting(20, run.rt.InRunFolder("a.txt"));
  units.OpenExisting(20, run.rt.InRunFolder("b.txt"));
  std::string line;
  ASSERT_TRUE(units.ReadLine(20, line));
  EXPECT_EQ(line, "from b");
  EXPECT_NE(units.OpenExisting(21, run.rt.InRunFolder("missing.txt")), 0);
  EXPECT_FALSE(units.IsOpen(21));
}

}  // namespace
}  // namespace tarn
