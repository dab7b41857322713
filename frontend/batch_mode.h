// Batch mode: Calculate without a window. `TARN_SB --batch` takes the model input, the model
// executable, the output folder, the model launcher, the option and the day values from its
// options (the paths default to the stored settings), runs the driver as the dialog does, writes
// the report's sections to standard output, with --csv FILE writes the run's results as CSV,
// with --pdf FILE its dossier, with --record FILE a copy of its audit record, and tells success
// by its exit status.
#pragma once

#include <QStringList>
#include <ostream>

namespace tarn::frontend {

// Exit status of the headless mode.
enum BatchStatus : int {
  kBatchSucceeded = 0,         // the run succeeded: tolva.ok, no error file, a complete report
  kBatchRunFailed = 1,         // the run started but did not succeed, or was stopped
  kBatchNotStarted = 2,        // options, inputs or an export file refused, or the output folder
                               // not prepared (another run is going on in it)
  kBatchExportNotWritten = 3,  // the run succeeded, but its results could not be written as CSV
                               // or as dossier, or its audit record not copied
};

// Whether the command line asks for the headless mode.
bool IsBatchCommandLine(int argc, char** argv);
// Whether the headless mode's command line asks for a dossier (--pdf), whose charts are drawn by
// widgets: it then needs a QApplication.
bool BatchDrawsPdf(int argc, char** argv);

// Runs the headless mode for `arguments` (the program name first); the report goes to `out`,
// messages to `err`, the driver's console lines and the live run log (unless --quiet) to
// `console`: one line as each model run starts and finishes, or, when `consoleIsTerminal`, a
// progress line that rewrites itself. An interrupt (Ctrl-C) stops the driver and ends with
// kBatchRunFailed. Needs a QCoreApplication, with --pdf a QApplication.
int RunBatch(const QStringList& arguments, std::ostream& out, std::ostream& err,
             std::ostream& console, bool consoleIsTerminal = false);

}  // namespace tarn::frontend
