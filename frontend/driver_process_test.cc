#include "frontend/driver_process.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "frontend/testing.h"

namespace tarn::frontend {
namespace {

using testing::TempFolder;

// Codes above the largest signed 32-bit number, such as those of a crashed process, are
// reported as that number.
TEST(DriverProcess, ExitCodeResult) {
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
// The batch file's exit code and its console lines, standard output and standard error alike,
// a last line without its line end included.
TEST(DriverProcess, EndsWithTheExitCodeAndTheConsoleLines) {
  const struct {
    QByteArray batch;
    int exitCode;
    QStringList lines;
  } cases[] = {
      {"true\n", 0, {}},
      {"echo one; echo two >&2; printf 'three\\r\\nfour'; exit 3\n",
       3,
       {"one", "two", "three", "four"}},
      // A batch file killed by a signal: 128 + the signal number.
      {"kill -9 $$\n", 137, {}},
  };
  for (const auto& c : cases) {
    TempFolder folder;
    folder.Write("TARN.bat", c.batch);
    DriverProcess driver;
    QStringList lines;
    QObject::connect(&driver, &DriverProcess::LineRead,
                     [&](const QString& line) { lines << line; });
    QSignalSpy ended(&driver, &DriverProcess::Ended);

    ASSERT_TRUE(driver.Start(folder.Path("TARN.bat"), folder.Path()));

    ASSERT_TRUE(ended.wait(30000)) << c.batch.toStdString();
    EXPECT_EQ(ended.front().front().toInt(), c.exitCode) << c.batch.toStdString();
    EXPECT_EQ(lines, c.lines) << c.batch.toStdString();
    EXPECT_FALSE(driver.Running());
  }
}

TEST(DriverProcess, RunsInTheGivenFolder) {
  TempFolder folder;
  folder.Write("TARN.bat", "pwd > where.txt\n");
  DriverProcess driver;
  QSignalSpy ended(&driver, &DriverProcess::Ended);

  ASSERT_TRUE(driver.Start(folder.Path("TARN.bat"), folder.Path()));
  ASSERT_TRUE(ended.wait(30000));

  EXPECT_EQ(folder.Read("where.txt"), folder.Path().toLocal8Bit() + "\n");
}

TEST(DriverProcess, BatchFileThatCannotStartIsReported) {
  TempFolder folder;
  folder.Write("TARN.bat", "true\n");
  DriverProcess driver;
  EXPECT_FALSE(driver.Start(folder.Path("TARN.bat"), folder.Path("missing")));
  EXPECT_FALSE(driver.Running());
}

// Stop asks the whole process group: a batch file whose commands end on the request ends at
// once; one whose commands ignore it is killed once the grace time is over. The batch file
// itself ends only after the commands it runs.
TEST(DriverProcess, StopAsksTheProcessGroupAndKillsAfterTheGraceTime) {
  const struct {
    const char* name;
    QByteArray batch;
    int exitCode;
  } cases[] = {
      // Each announces that it started only once it is where the request must find it.
      {"ends on request", "sh -c 'touch started; exec sleep 60'\ntouch after\n", 128 + 15},
      {"ignores the request", "trap '' TERM\ntouch started\nsleep 60\ntouch after\n", 128 + 9},
      {"ends on request after a while",
       "sh -c 'trap \"sleep 0.2; touch cleaned; exit 5\" TERM; touch started; "
       "while :; do sleep 0.05; done'\n",
       5},
  };
  for (const auto& c : cases) {
    TempFolder folder;
    folder.Write("TARN.bat", c.batch);
    DriverProcess driver(/*stopGrace=*/c.exitCode == 128 + 9 ? 100 : 30000);
    QSignalSpy ended(&driver, &DriverProcess::Ended);
    ASSERT_TRUE(driver.Start(folder.Path("TARN.bat"), folder.Path()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return folder.Exists("started"); }, 30000)) << c.name;

    driver.Stop();

    EXPECT_TRUE(driver.StopRequested());
    ASSERT_TRUE(ended.wait(30000)) << c.name;
    EXPECT_EQ(ended.front().front().toInt(), c.exitCode) << c.name;
    EXPECT_FALSE(folder.Exists("after")) << c.name;
  }
}
#endif

}  // namespace
}  // namespace tarn::frontend
