#include "frontend/execute_external.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTimer>

#include "frontend/testing.h"

namespace tarn::frontend {
namespace {

using testing::CurrentFolder;
using testing::TempFolder;

// Codes above the largest signed 32-bit number, such as those of a crashed process, are
// reported as that number.
TEST(ExecuteExternal, ExitCodeResult) {
  const struct {
    std::uint32_t exitCode;
    int result;
  } cases[] = {
      {0, 0},
      {3, 3},
      {2147483647u, 2147483647},
      {2147483648u, 2147483647},
      {0xC0000005u, 2147483647},
      {0xFFFFFFFFu, 2147483647},
  };
  for (const auto& c : cases) EXPECT_EQ(ExitCodeResult(c.exitCode), c.result) << c.exitCode;
}

#ifndef _WIN32
TEST(ExecuteExternal, ReturnsTheExitCodeOfTheCommand) {
  const struct {
    const char* command;
    int result;
  } cases[] = {
      {"true", 0},
      {"exit 3", 3},
      // A child killed by a signal: 128 + the signal number.
      {"kill -9 $$", 137},
  };
  TempFolder folder;
  for (const auto& c : cases)
    EXPECT_EQ(ExecuteAndWait(c.command, folder.Path(), 2), c.result) << c.command;
}

TEST(ExecuteExternal, RunsInTheGivenFolderOrTheCurrentOne) {
  TempFolder given;
  TempFolder current;
  CurrentFolder inCurrent(current.Path());

  ASSERT_EQ(ExecuteAndWait("pwd > where.txt", given.Path(), 0), 0);
  ASSERT_EQ(ExecuteAndWait("pwd > where.txt", "", 0), 0);

  EXPECT_EQ(given.Read("where.txt"), given.Path().toLocal8Bit() + "\n");
  EXPECT_EQ(current.Read("where.txt"), current.Path().toLocal8Bit() + "\n");
}

TEST(ExecuteExternal, CommandThatCannotStartGivesMinusOne) {
  TempFolder folder;
  EXPECT_EQ(ExecuteAndWait("true", folder.Path("missing"), 2), -1);
}

// The child waits for a file that only an event of the front end creates: the wait ends only
// when events are handled while the child runs.
TEST(ExecuteExternal, HandlesEventsWhileTheChildRuns) {
  TempFolder folder;
  QTimer::singleShot(0, [&] { folder.Write("go"); });

  EXPECT_EQ(ExecuteAndWait("while [ ! -f go ]; do sleep 0.05; done", folder.Path(), 0), 0);
}
#endif

}  // namespace
}  // namespace tarn::frontend
