#include "support/run_identity.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/testing.h"

namespace tarn {
namespace {

using testing::SplitLines;

const std::vector<std::string> kUsage = {
    "* Error: Improper model call. Model should be called as follows:",
    "* ",
    "* arventa RunId",
    "* ",
    "* where RunId is the name of the arv file without extension.",
    "* "};

struct Checked {
  std::string stopText;  // empty when the argument was accepted
  std::vector<std::string> outLines;
  std::string consoleBytes;
  RunIdentity identity;
};

Checked Check(std::vector<std::string> args) {
  std::ostringstream out, err, consoleOut;
  Console console(consoleOut, /*isTerminal=*/true);
  Runtime rt(std::move(args), out, err, console);
  Checked result;
  try {
    CheckRunId(rt);
  } catch (const ProgramStop& stop) {
    result.stopText = stop.what();
    EXPECT_EQ(err.str(), result.stopText + "\n");
  }
  result.outLines = SplitLines(out.str());
  result.consoleBytes = consoleOut.str();
  result.identity = rt.identity;
  return result;
}

// Every refused argument prints its lines and stops with its text.
TEST(CheckRunId, RefusesMalformedArguments) {
  const std::vector<std::string> invalidName = {
      " Invalid character in run name", " Only alphanumeric characters and underscore allowed"};
  const std::vector<std::string> invalidCpu = {" Invalid character in CPU ID",
                                               " CPU ID must be numerical"};
  const std::vector<std::string> badExtension = {" Extension of input file should be .tol"};
  struct Refusal {
    std::vector<std::string> args;
    std::vector<std::string> outLines;
    const char* stopText;
    bool beeps;
  };
  const Refusal kRefusals[] = {
      {{"driver"}, kUsage, "Please specify a RunID", false},
      {{"driver", "   "}, kUsage, "Please specify a RunID", false},
      {{"driver", "abc.TOL"}, badExtension, "Invalid extension", false},
      {{"driver", "abc.to"}, badExtension, "Invalid extension", false},
      {{"driver", "abc.tol.x"}, badExtension, "Invalid extension", false},
      {{"driver", "abc/1a"}, invalidCpu, "Invalid character in CPU ID", false},
      {{"driver", "C:/runs/abc"}, invalidCpu, "Invalid character in CPU ID", false},
      {{"driver", "my-run"}, invalidName, "Invalid character in run name", false},
      {{"driver", "my run"}, invalidName, "Invalid character in run name", false},
      {{"driver", "C:\\runs\\"}, kUsage, "Please specify a RunID", true},
      {{"driver", ".tol"}, kUsage, "Please specify a RunID", true},
      {{"driver", "\"\""}, kUsage, "Please specify a RunID", true},
      // Several faults: the CPU id is tested first, then the extension, then the characters.
      {{"driver", "my-run.x/a"}, invalidCpu, "Invalid character in CPU ID", false},
      {{"driver", "my-run.x"}, badExtension, "Invalid extension", false},
      // Cut at 512 characters, it would name another run (GW instead of GW_Test).
      {{"driver", std::string(510, '\\') + "GW_Test.tol"},
       {" The argument is longer than 512 characters"},
       "Argument too long",
       false},
  };
  for (const Refusal& refusal : kRefusals) {
    SCOPED_TRACE(refusal.args.size() > 1 ? refusal.args[1].substr(0, 40) : "(none)");
    const Checked checked = Check(refusal.args);
    EXPECT_EQ(checked.stopText, refusal.stopText);
    EXPECT_EQ(checked.outLines, refusal.outLines);
    EXPECT_EQ(checked.consoleBytes.find('\a') != std::string::npos, refusal.beeps);
  }
}

// Accepted arguments give the run identifier and the run folder.
TEST(CheckRunId, SplitsFolderNameAndCpuId) {
  const std::string here = GetCurrentFolder();
  struct Accepted {
    const char* argument;
    const char* runId;
    std::string runFolder;
    const char* cpuId;
  };
  const Accepted kAccepted[] = {
      {"abc", "abc", here, ""},
      {"\"abc\"", "abc", here, ""},
      {"abc.tol", "abc", here, ""},
      {"abc/12", "abc", here, "12"},
      {"abc/", "abc", here, ""},
      {"C:\\runs\\abc", "abc", "C:/runs", ""},
      {"C:\\my.runs\\abc.tol", "abc", "C:/my.runs", ""},
      {"..\\runs\\abc", "abc", "../runs", ""},
      {"\\abc", "abc", "/", ""},
      {"Run_42", "Run_42", here, ""},
  };
  for (const Accepted& accepted : kAccepted) {
    SCOPED_TRACE(accepted.argument);
    const Checked checked = Check({"driver", accepted.argument});
    EXPECT_EQ(checked.stopText, "");
    EXPECT_EQ(checked.identity.runId, accepted.runId);
    EXPECT_EQ(checked.identity.runFolder, accepted.runFolder);
    EXPECT_EQ(checked.identity.cpuId, accepted.cpuId);
  }
}

TEST(CheckRunId, LaterCallsReturnTheSameIdentifier) {
  std::ostringstream out, err, consoleOut;
  Console console(consoleOut, false);
  Runtime rt({"driver", "abc.tol"}, out, err, console);
  EXPECT_EQ(CheckRunId(rt), "abc");
  rt.args[1] = "other";
  EXPECT_EQ(CheckRunId(rt), "abc");
}

TEST(CheckRunId, CutsALongIdentifierAt200Characters) {
  const Checked checked = Check({"driver", std::string(300, 'a')});
  EXPECT_EQ(checked.identity.runId, std::string(200, 'a'));
}

// The current folder is the run folder of an argument without one: when it cannot be read, only
// such an argument is refused, before its extension and characters are looked at.
TEST(ParseRunArgument, NeedsTheCurrentFolderOnlyForAnArgumentWithoutFolder) {
  const auto refusal = std::get<RunArgumentRefusal>(ParseRunArgument("my-run.x", ""));
  EXPECT_EQ(refusal.lines, std::vector<std::string>());
  EXPECT_EQ(refusal.lastLine, "Cannot read the current folder - no error file generated");
  const auto argument = std::get<RunArgument>(ParseRunArgument("C:\\runs\\abc.tol", ""));
  EXPECT_EQ(argument.runId, "abc");
  EXPECT_EQ(argument.runFolder, "C:/runs");
}

TEST(CheckCallingProgram, IsAlwaysF) {
  testing::TempRun run;
  EXPECT_EQ(CheckCallingProgram(run.rt), 'F');
  EXPECT_EQ(CheckCallingProgram(run.rt), 'F');
}

}  // namespace
}  // namespace tarn
