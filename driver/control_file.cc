#include "driver/control_file.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "driver/model_run.h"
#include "driver/public/number_format.h"
#include "driver/public/run_files.h"
#include "reader/free_format.h"
#include "reader/records.h"
#include "reader/typed_readers.h"
#include "support/run_identity.h"
#include "support/runtime.h"
#include "support/text.h"

namespace tarn {

namespace {

// The longest model folder and launcher the driver reads.
constexpr int kMaxPathLength = 512;

// The control file's line end, the same on every system.
constexpr char kCrLf[] = "\r\n";

// The application options as RdOption takes them: their words, blank-separated.
std::string OptionList() {
  std::string list;
  for (const char* word : kScheduleWords) {
    if (!list.empty()) list += ' ';
    list += word;
  }
  return list;
}

// The shortest text that reads back as `value`.
std::string NumberWord(double value) {
  char text[32];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// Opens the control file on the input unit. Only a name that does not exist at all (a dangling
// link exists) is created, empty, so that its first record is reported missing; the user's file
// is only ever read, never replaced.
void OpenControlFile(Runtime& rt, const std::string& path) {
  std::error_code unknown;
  const bool missing = std::filesystem::symlink_status(path, unknown).type() ==
                       std::filesystem::file_type::not_found;
  if (missing) {
    // Exclusively: a file that appeared meanwhile is read, not replaced.
    if (std::FILE* created = std::fopen(path.c_str(), "wbx")) std::fclose(created);
  }
  const int status = rt.units.OpenExisting(kInputUnit, path);
  if (status != 0 && !missing) {
    rt.Fail(-1, " Cannot read the control file " + path, " Reason: " + ReasonFor(status));
  }
}

}  // namespace

std::optional<Schedule> ScheduleOfWord(std::string_view word) {
  for (const Schedule option : {Schedule::kMonthly, Schedule::kUserDefined, Schedule::kOther})
    if (word == ScheduleWord(option)) return option;
  return std::nullopt;
}

void ReadControlFile(Runtime& rt, ControlSettings& settings) {
  OpenControlFile(rt, rt.InRunFolder(RunFileName(kControlFile, CheckRunId(rt))));

  settings.binDir = RdString(rt, "BinDir", kMaxPathLength);
  settings.optApp = static_cast<Schedule>(RdOption(rt, "OptApp", OptionList()));
  if (settings.optApp == Schedule::kUserDefined) {
    settings.dayInYeaAppFirst =
        RdFloat(rt, "DayInYeaAppFirst", "(d)", kDayRange.minimum, kDayRange.maximum);
    settings.dayInYeaAppLast =
        RdFloat(rt, "DayInYeaAppLast", "(d)", kDayRange.minimum, kDayRange.maximum);
    settings.delTimAppId =
        RdFloat(rt, "DelTimAppId", "(d)", kIntervalRange.minimum, kIntervalRange.maximum);
  }

  // The request is seen only after the last record read: each lookup leaves the file there.
  settings.runMode = RunMode::kNormal;
  for (std::string line; ReadUnitLine(rt, kInputUnit, line);) {
    if (line.find("PostProcessOnly") != std::string::npos)
      settings.runMode = RunMode::kPostProcessOnly;
  }

  // Optional, and looked up after the scan so that the scan sees the lines it always saw.
  if (FindRecord(rt, "NumParallelRuns", 2)) {
    double runs = 0;
    if (!ParseFreeFormatNumber(Words(rt).Word(1), runs) || runs != std::trunc(runs)) {
      rt.Fail(-1, " Fatal while reading record NumParallelRuns");
    }
    CheckForMinimum(rt, "NumParallelRuns", runs, kParallelRunsRange.minimum);
    CheckForMaximum(rt, "NumParallelRuns", runs, kParallelRunsRange.maximum);
    settings.numParallelRuns = static_cast<int>(runs);
  }
  // Optional: a program that runs each model command (under Wine, as a job of a batch queue).
  if (FindRecord(rt, "ModelLauncher", 2)) {
    settings.modelLauncher = Cut(Words(rt).Word(1), kMaxPathLength);
    WriteSeparator(rt);
    rt.WriteLine(kLogUnit, fmt::A("ModelLauncher", 18) + " " + settings.modelLauncher);
    std::error_code error;
    // Where the model runs: the run folder, not the driver's current folder.
    if (!std::filesystem::is_regular_file(
            FromRunFolder(rt.identity.runFolder, settings.modelLauncher), error)) {
      rt.Fail(-1, " Model launcher not found: " + settings.modelLauncher);
    }
  }
  rt.units.Close(kInputUnit);
}

DayWords DayWordsOf(const ControlSettings& settings) {
  return {NumberWord(settings.delTimAppId), NumberWord(settings.dayInYeaAppFirst),
          NumberWord(settings.dayInYeaAppLast)};
}

std::string ControlFileText(const ControlSettings& settings, const DayWords& days) {
  std::string text =
      settings.binDir + "    BinDir   ! Path to executable of TOLVA" + kCrLf +
      ScheduleWord(settings.optApp) +
      "     OptApp               ! Options are Monthly or UserDefined" + kCrLf + days.interval +
      "        DelTimAppId (d)   ! Time interval between the starting days of two consecutive "
      "application Ids" +
      kCrLf + days.firstDay +
      "        DayInYeaAppFirst (d)      ! First possible day-in-year of application" + kCrLf +
      days.lastDay +
      "        DayInYeaAppLast (d)       ! Last possible day-in-year of application " + kCrLf;
  if (settings.numParallelRuns > 1)
    text += std::to_string(settings.numParallelRuns) +
            "        NumParallelRuns   ! Number of model runs at once" + kCrLf;
  if (!settings.modelLauncher.empty())
    text += settings.modelLauncher +
            "    ModelLauncher   ! Program that runs each model run (Wine, Slurm)" + kCrLf;
  if (settings.runMode == RunMode::kPostProcessOnly) text += std::string("PostProcessOnly") + kCrLf;
  return text;
}

std::string ControlFileText(const ControlSettings& settings) {
  return ControlFileText(settings, DayWordsOf(settings));
}

}  // namespace tarn
