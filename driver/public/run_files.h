// The files of a run in its run folder, in one table: how each is named, the fixed unit the
// driver holds it on, what each end of the run leaves of it, and whether a model run in a folder
// of its own gets a link to it. The README's fault table names the files as this table does: a
// file added or changed here is added or changed there too.
#pragma once

#include <string>
#include <string_view>

namespace tarn {

// The fixed units the driver holds its own files on (see support/units.h).
constexpr int kInputUnit = 20;   // control file, then model input file
constexpr int kOutUnit = 21;     // <RunId>.out
constexpr int kLogUnit = 22;     // <RunId>.log
constexpr int kSumUnit = 23;     // <RunId>.sum
constexpr int kErrUnit = 24;     // <RunId>.err
constexpr int kReportUnit = 27;  // <RunId>_Tsb.sum
constexpr int kBusyUnit = 28;    // <RunId>.bus

// How a run file's name is made of its `name` part.
enum class NameForm {
  kFixed,    // the name itself
  kOfRun,    // <RunId><name>
  kOfAppId,  // <RunId>_<AppId><name>, one file per application id (see driver/public/app_id.h)
};

// One file of a run.
struct RunFile {
  NameForm form;
  std::string_view name;
  int unit;                  // the fixed unit the driver holds it on; 0 when it has none
  bool keptAtNormalEnd;      // left in the run folder (or written) by a normal end
  bool keptAtErrorEnd;       // left in the run folder by an error end
  bool sharedWithModelRuns;  // linked into the folder of each model run of a parallel run
};

// The driver's own files.
inline constexpr RunFile kControlFile{NameForm::kOfRun, ".tsb", kInputUnit, true, true, true};
inline constexpr RunFile kModelInput{NameForm::kOfRun, ".tol", kInputUnit, true, true, true};
inline constexpr RunFile kErrorFile{NameForm::kOfRun, ".err", kErrUnit, false, true, false};
inline constexpr RunFile kOutFile{NameForm::kOfRun, ".out", kOutUnit, false, true, false};
inline constexpr RunFile kLogFile{NameForm::kOfRun, ".log", kLogUnit, false, true, false};
inline constexpr RunFile kSumFile{NameForm::kOfRun, ".sum", kSumUnit, false, true, false};
inline constexpr RunFile kSummaryReport{
    NameForm::kOfRun, "_Tsb.sum", kReportUnit, true, true, false};
inline constexpr RunFile kBusyMarker{NameForm::kOfRun, ".bus", kBusyUnit, false, false, false};
// The files of each application id: the copy of the model input that its model run reads (its
// own copy is the one a model run shares) and the summary the model writes. Any other file named
// after an application id is the model's too, and is treated as these are.
inline constexpr RunFile kAppIdInput{NameForm::kOfAppId, ".tol", 0, true, true, false};
inline constexpr RunFile kAppIdSummary{NameForm::kOfAppId, ".sum", 0, true, true, false};
// The success marker: written last by a normal end, and by nobody else that counts (a model may
// leave one of its own, which an error end removes).
inline constexpr RunFile kSuccessMarker{NameForm::kFixed, "tolva.ok", 0, true, false, false};
// Scratch files of the reader and the model: removed from the run folder only.
inline constexpr RunFile kReaderScratch{NameForm::kFixed, "tolva.tmp", 0, false, false, false};
inline constexpr RunFile kEventScratch{NameForm::kFixed, "evtfil.tmp", 0, false, false, false};
inline constexpr RunFile kPrintEventScratch{
    NameForm::kFixed, "prnevtfil.tmp", 0, false, false, false};
inline constexpr RunFile kModelLog{NameForm::kFixed, "zund.log", 0, false, true, false};
inline constexpr RunFile kWeatherScratch{NameForm::kFixed, "meteodat.tmp", 0, false, true, false};

inline constexpr const RunFile* kRunFiles[] = {
    &kControlFile,  &kModelInput,        &kErrorFile,     &kOutFile,
    &kLogFile,      &kSumFile,           &kSummaryReport, &kBusyMarker,
    &kAppIdInput,   &kAppIdSummary,      &kSuccessMarker, &kReaderScratch,
    &kEventScratch, &kPrintEventScratch, &kModelLog,      &kWeatherScratch};

// The name of a file of the run `runId` that is not an application id's.
inline std::string RunFileName(const RunFile& file, std::string_view runId) {
  return (file.form == NameForm::kOfRun ? std::string(runId) : std::string()) +
         std::string(file.name);
}

// The run file of fixed name `name`; nullptr when `name` is none of them.
inline const RunFile* FixedRunFile(std::string_view name) {
  for (const RunFile* file : kRunFiles) {
    if (file->form == NameForm::kFixed && file->name == name) return file;
  }
  return nullptr;
}

}  // namespace tarn
