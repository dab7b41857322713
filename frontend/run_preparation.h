// Run preparation: turns the output folder into the run's folder (the model input and its
// companions copied in, the control file and TARN.bat written) before the driver is started.
// Needs no widgets: the main window and the headless mode hand it their values.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

#include "driver/public/run_files.h"  // the driver's success marker
#include "frontend/messages.h"
#include "frontend/output_folder_lock.h"

namespace tarn::frontend {

// The values one run is prepared from, as the main window holds them.
struct RunSettings {
  QString tolvaFile;   // full path of the model input file
  QString modelFile;   // full path of the model executable; only its folder is used
  QString outputPath;  // the output folder, with or without a trailing separator
  QString driverFile;  // full path of the driver executable
  QString option;      // "Monthly" or "UserDefined"
  QString interval;    // days between the starting days of two application ids
  QString firstDay;    // first possible day-in-year of application
  QString lastDay;     // last possible day-in-year of application
  // How many model runs the driver runs at once.
  int parallelRuns = 1;
  // Full path of the program that runs each model run (under Wine, as a Slurm job); empty for
  // none, when the driver starts the model itself.
  QString launcherFile{};
  // Full path of the program that the control file names as the model launcher in place of
  // `launcherFile`, which it then runs itself (a run plan's token launcher); empty for none.
  QString controlLauncher{};
};

// The hidden file that every preparation leaves in the output folder.
inline constexpr char kOutputMarker[] = ".tarn-output";

// `folder` with exactly one trailing separator.
QString WithSeparator(const QString& folder);
// The model input's file name without folder and extension: the driver's run identifier.
QString RunBaseName(const QString& tolvaFile);
// The driver's summary report of the run: <out><base>_Tsb.sum.
QString SummaryReportPath(const RunSettings& settings);
// The batch file of the run: <out>TARN.bat.
QString BatchFilePath(const RunSettings& settings);

// Whether `file` lies in `folder` (absolute and canonical) or below it, by its path or, for a
// link, by its target.
bool LiesIn(const QString& file, const QString& folder);

// Deletes the ordinary files and the links (never what they point to) directly in `folder`;
// subfolders, hidden and system files stay, and a file that cannot be deleted stays without a
// message.
void lpDeletFiles(const QString& folder);
// The companions that the preparation copies with the model input `tolvaFile`: the first *.bot
// and the first *.met of its folder, where there are any.
QStringList CompanionFiles(const QString& tolvaFile);
// Appends folder + name of every file of `folder` (hidden and system files, FIFOs and devices
// included, no folders) whose name matches `mask`, in the order of the directory search.
void lpFileSearch(const QString& folder, const QString& mask, QStringList& list);

// The control file of `settings` as the driver's writer writes it, the day fields as they stand;
// `modelFolder` and `launcher` are the model executable's folder and the launcher in their
// written forms. The option must be one that the front end offers.
QByteArray ControlFileText(const RunSettings& settings, const QString& modelFolder,
                           const QString& launcher);

// Prepares the output folder and writes the control file; returns the folder's lock, which the
// caller holds until the run has been judged. Nothing, with nothing deleted, when a condition
// of the run does not hold (UnmetConditions, checked again here), a companion cannot be read as
// a regular file, the user declines to empty a folder that TARN never prepared, or another
// front end or a driver is at work in the folder; nothing also when the earlier run's success
// marker or report cannot be deleted. Throws std::runtime_error when
// the control file cannot be written.
std::unique_ptr<OutputFolderLock> CreateInpFile(const RunSettings& settings, Messages& messages);

// Writes TARN.bat into the output folder, replacing any file of that name. Throws
// std::runtime_error when it cannot be written.
void WriteBatchFile(const RunSettings& settings);

}  // namespace tarn::frontend
