#include "support/runtime.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/testing.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;
using testing::TempRun;

// Opens the run's error file as the set-up does.
void OpenErrorFile(TempRun& run) {
  OpenAfterDelete(run.rt, kErrUnit, run.rt.InRunFolder("test.err"));
}

// The README's fault table names every file of the run as the table of run files does.
TEST(RunFiles, TheReadmesFaultTableNamesEachOne) {
  std::ifstream in(fs::path(TARN_EXAMPLES_DIR).parent_path() / "README.md");
  const std::string readme(std::istreambuf_iterator<char>(in), {});
  const size_t start = readme.find("## Fault table");
  ASSERT_NE(start, std::string::npos);
  const std::string table = readme.substr(start, readme.find("\n## ", start) - start);
  for (const RunFile* file : kRunFiles) {
    const char* prefix = file->form == NameForm::kFixed   ? ""
                         : file->form == NameForm::kOfRun ? "<RunId>"
                                                          : "<RunId>_<AppId>";
    std::string name = "`";
    name.append(prefix).append(file->name).append("`");
    EXPECT_NE(table.find(name), std::string::npos) << name;
  }
}

TEST(FatalError, ShowsTheRunTheFileAndTheSetLinesOnly) {
  TempRun run;
  OpenErrorFile(run);
  run.WriteFile("test.tsb", "x\n");
  ASSERT_EQ(run.rt.units.OpenExisting(kInputUnit, run.rt.InRunFolder("test.tsb")), 0);
  const std::string stop = run.StopText([&] { run.rt.Fail(-1, "first line", "", "third line"); });
  EXPECT_EQ(stop, "An error occurred - program stopped");
  EXPECT_EQ(run.ConsoleLines(), (std::vector<std::string>{
                                    " An error was found in run test",
                                    " The error occurred in file " + run.rt.InRunFolder("test.tsb"),
                                    "first line", "third line"}));
  EXPECT_EQ(run.Lines("test.err"), (std::vector<std::string>{"first line", "third line"}));
  EXPECT_EQ(run.ErrLines(), (std::vector<std::string>{"An error occurred - program stopped"}));
  EXPECT_FALSE(run.Exists("tolva.ok"));
}

TEST(FatalError, WithoutAnErrorFileWritesTheLinesToStandardError) {
  TempRun run;
  run.StopText([&] { run.rt.Fail(-1, "lost otherwise  "); });
  EXPECT_EQ(run.ConsoleLines()[1], " The error occurred in file");
  EXPECT_EQ(run.ErrLines(),
            (std::vector<std::string>{"lost otherwise", "An error occurred - program stopped"}));
}

TEST(EndOfProgram, NormalEndRemovesWorkingAndScratchFilesAndWritesTheMarker) {
  TempRun run;
  run.WriteFile("tolva.ok", "old marker\nsecond line\n");
  for (const char* name :
       {"tolva.tmp", "evtfil.tmp", "prnevtfil.tmp", "zund.log", "meteodat.tmp"}) {
    run.WriteFile(name, "x");
  }
  OpenAfterDelete(run.rt, kBusyUnit, run.rt.InRunFolder("test.bus"));
  OpenErrorFile(run);
  OpenAfterDelete(run.rt, kOutUnit, run.rt.InRunFolder("test.out"));
  OpenAfterDelete(run.rt, kLogUnit, run.rt.InRunFolder("test.log"));
  OpenAfterDelete(run.rt, kSumUnit, run.rt.InRunFolder("test.sum"));
  OpenAfterDelete(run.rt, kReportUnit, run.rt.InRunFolder("test_Tsb.sum"));
  run.rt.units.WriteLine(kErrUnit, " Error while calling AppId     3");

  EXPECT_EQ(run.StopText([&] { run.rt.EndOfProgram(0); }), "End of program");
  for (const char* gone : {"test.bus", "test.err", "test.out", "test.log", "test.sum", "tolva.tmp",
                           "evtfil.tmp", "prnevtfil.tmp", "zund.log", "meteodat.tmp"}) {
    EXPECT_FALSE(run.Exists(gone)) << gone;
  }
  EXPECT_TRUE(run.Exists("test_Tsb.sum"));
  EXPECT_EQ(run.ReadFile("tolva.ok"), "TOLVA run succesfully terminated!\n");
  EXPECT_TRUE(run.rt.units.OpenUnits().empty());
  EXPECT_EQ(run.ErrLines(), (std::vector<std::string>{"End of program"}));
}

TEST(EndOfProgram, ErrorEndKeepsTheRunFilesBeepsAndWritesNoMarker) {
  TempRun run;
  std::ostringstream terminal;
  Console console(terminal, /*isTerminal=*/true);
  Runtime rt({"driver", "test"}, run.out, run.err, console);
  rt.identity = run.rt.identity;
  OpenAfterDelete(rt, kBusyUnit, rt.InRunFolder("test.bus"));
  OpenAfterDelete(rt, kErrUnit, rt.InRunFolder("test.err"));
  OpenAfterDelete(rt, kLogUnit, rt.InRunFolder("test.log"));
  run.WriteFile("evtfil.tmp", "x");
  run.WriteFile("tolva.ok", "a model's own marker\n");
  EXPECT_EQ(run.StopText([&] { rt.EndOfProgram(-1); }), "An error occurred - program stopped");
  EXPECT_FALSE(run.Exists("test.bus"));
  EXPECT_FALSE(run.Exists("evtfil.tmp"));
  EXPECT_TRUE(run.Exists("test.err"));
  EXPECT_TRUE(run.Exists("test.log"));
  EXPECT_FALSE(run.Exists("tolva.ok"));
  EXPECT_NE(terminal.str().find('\a'), std::string::npos);
}

// A success marker that an error end cannot remove is reported; only the driver that holds the
// run's busy marker removes one at all.
TEST(EndOfProgram, ErrorEndSaysWhenAModelsMarkerStays) {
  for (const bool holdsBusyMarker : {true, false}) {
    TempRun run;
    fs::create_directories(run.folder / "tolva.ok" / "inside");
    if (holdsBusyMarker) OpenAfterDelete(run.rt, kBusyUnit, run.rt.InRunFolder("test.bus"));
    run.StopText([&] { run.rt.EndOfProgram(-1); });
    std::vector<std::string> expected = {"An error occurred - program stopped"};
    if (holdsBusyMarker) expected.insert(expected.begin(), "Cannot remove tolva.ok");
    EXPECT_EQ(run.ErrLines(), expected);
  }
}

// The model's scratch files go from the run folder, where the model ran, never from elsewhere.
TEST(EndOfProgram, NormalEndLeavesScratchNamesOutsideTheRunFolder) {
  TempRun run;
  fs::create_directory(run.folder / "run");
  run.rt.identity.runFolder = (run.folder / "run").string();
  for (const char* name : {"zund.log", "run/zund.log", "meteodat.tmp", "run/meteodat.tmp"}) {
    run.WriteFile(name, "x");
  }
  EXPECT_EQ(run.StopText([&] { run.rt.EndOfProgram(0); }), "End of program");
  EXPECT_TRUE(run.Exists("zund.log") && run.Exists("meteodat.tmp"));
  EXPECT_FALSE(run.Exists("run/zund.log") || run.Exists("run/meteodat.tmp"));
}

TEST(EndOfProgram, AMarkerThatCannotBeWrittenIsAnErrorEnd) {
  TempRun run;
  run.rt.identity.runFolder = (run.folder / "missing").string();
  EXPECT_EQ(run.StopText([&] { run.rt.EndOfProgram(0); }), "An error occurred - program stopped");
}

TEST(FreeFil, HandsOutTheLowestFreeUnitAndFailsWhenNoneIsLeft) {
  TempRun run;
  run.WriteFile("a", "");
  const std::string path = run.rt.InRunFolder("a");
  EXPECT_EQ(FreeFil(run.rt), 26);
  run.rt.units.OpenExisting(26, path);
  run.rt.units.OpenExisting(28, path);
  EXPECT_EQ(FreeFil(run.rt), 27);
  for (int unit = kFirstFreeUnit; unit <= kLastFreeUnit; ++unit)
    run.rt.units.OpenExisting(unit, path);
  EXPECT_EQ(run.StopText([&] { FreeFil(run.rt); }), "An error occurred - program stopped");
  EXPECT_EQ(run.rt.error.line1, "Cannot find a free file");
  EXPECT_EQ(run.rt.error.line2, "There may be too many opened files");
}

TEST(OpenAfterDelete, EmptiesAnExistingFileAndStopsForAMissingFolder) {
  TempRun run;
  run.WriteFile("old.txt", "old contents\n");
  OpenAfterDelete(run.rt, 30, run.rt.InRunFolder("old.txt"));
  run.rt.units.Close(30);
  EXPECT_EQ(run.ReadFile("old.txt"), "");

  const std::string stop =
      run.StopText([&] { OpenAfterDelete(run.rt, 30, run.rt.InRunFolder("no/such/file")); });
  EXPECT_EQ(stop, "Error in OpenAfterDelete routine - no error file generated");
  EXPECT_EQ(run.OutLines(),
            (std::vector<std::string>{"Error in OpenAfterDelete routine, IOStat =     2"}));
}

TEST(GetFolderOfFile, KeepsTheLastSeparator) {
  EXPECT_EQ(GetFolderOfFile("/opt/bin/driver"), "/opt/bin/");
  EXPECT_EQ(GetFolderOfFile("driver"), "");
}

}  // namespace
}  // namespace tarn
