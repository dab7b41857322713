#include "support/platform.h"

#include <gtest/gtest.h>

#include "support/testing.h"

namespace tarn {
namespace {

using testing::TempRun;

TEST(RunCommand, ReturnsTheExitCodeOfTheCommand) {
  const std::pair<const char*, int> kCases[] = {{"exit 0", 0},
                                                {"exit 3", 3},
                                                {"true   ", 0},
                                                {"   ", 0},
                                                {"no-such-command-here 2>/dev/null", 127},
                                                {"kill -9 $$", 128 + 9}};
  for (const auto& [command, code] : kCases) {
    EXPECT_EQ(RunCommand(command), code) << command;
  }
}

TEST(RunCommand, RunsInTheWorkingFolder) {
  TempRun run;
  EXPECT_EQ(RunCommand("pwd > here.txt", run.folder.string()), 0);
  EXPECT_EQ(run.ReadFile("here.txt"), std::filesystem::canonical(run.folder).string() + "\n");
}

TEST(RunCommand, AFolderThatCannotBeEnteredGivesMinusOne) {
  TempRun run;
  EXPECT_EQ(RunCommand("true", (run.folder / "missing").string()), -1);
}

TEST(RunCommand, RunsAtIdlePriority) {
  TempRun run;
  RunCommand("nice > nice.txt", run.folder.string());
  EXPECT_EQ(run.ReadFile("nice.txt"), "19\n");
}

// A quoted path runs nothing but what it names, whatever characters it holds.
TEST(QuoteForShell, InterpretsNoCharacterOfAPath) {
  TempRun run;
  for (const std::string name : {"a b", "$(touch pwned)", "`touch pwned`", "it's", "say \"x\""}) {
    const std::string command = "printf %s " + QuoteForShell(name) + " > name.txt";
    ASSERT_EQ(RunCommand(command, run.folder.string()), 0) << name;
    EXPECT_EQ(run.ReadFile("name.txt"), name);
  }
  EXPECT_FALSE(run.Exists("pwned"));
}

TEST(MakeFolderCommand, CreatesTheFolderAndItsParents) {
  TempRun run;
  const std::string folder = (run.folder / "a b" / "c").string();
  EXPECT_EQ(RunCommand(MakeFolderCommand(folder)), 0);
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_EQ(RunCommand(MakeFolderCommand(folder)), 0);
}

TEST(Console, PlainOutputShowsTrimmedLinesOnly) {
  std::ostringstream out;
  Console console(out, /*isTerminal=*/false);
  console.GoToRow(22);
  console.ShowLine("  text   ", 5);
  console.ShowLine("", 6);
  console.Beep();
  EXPECT_EQ(out.str(), "  text\n\n");
}

TEST(Console, TerminalSetsUpOnceAndWritesAtTheRow) {
  std::ostringstream out;
  Console console(out, /*isTerminal=*/true);
  console.GoToRow(22);
  const std::string afterFirst = out.str();
  EXPECT_EQ(afterFirst, "\x1b[8;41;82t\x1b[H\x1b[2J\x1b[H\x1b[23;1H");
  console.ShowLine("msg  ", 2);
  EXPECT_EQ(out.str().substr(afterFirst.size()),
            "\x1b"
            "7\x1b[3;1H" +
                std::string(80, ' ') +
                "\x1b[3;1Hmsg\x1b"
                "8");
}

}  // namespace
}  // namespace tarn
