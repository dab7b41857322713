// The front end's only contact with what differs between operating systems: the driver's and
// the model's default places, the written form of the model folder, the batch file and how it
// is started, file attributes, the settings store and child processes. platform_posix.cc and
// platform_win32.cc implement it; nothing else in the front end asks which system it runs on.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>

class QSettings;

namespace tarn::frontend {

// The driver executable: below the current folder, else beside the running front end.
QString DriverPath();

// The model executable offered when no setting names one.
QString DefaultModelPath();

// The model executable's folder as the control file holds it, with its trailing separator;
// empty when the system cannot give it.
QString ModelFolderText(const QString& modelFile);

// The whole text of TARN.bat: the quoted driver, two blanks, the model input's file name and
// the line end.
QByteArray BatchFileText(const QString& driverFile, const QString& inputFileName);

// The command line that runs the batch file at `batchPath`.
QString BatchCommandLine(const QString& batchPath);

// Whether the file carries the system's "system file" attribute (hidden files are told apart
// by QDir itself).
bool IsSystemFile(const QString& path);

// Gives the file the hidden attribute where a name alone does not hide it.
void MarkHidden(const QString& path);

// The two settings stores: per user, and machine-wide defaults.
enum class SettingsRoot { kCurrentUser, kLocalMachine };

// The settings key `keyPath` (a registry path such as "SOFTWARE\LanthModels\TARN\") of `root`,
// opened for reading and writing; values are addressed by their bare names.
std::unique_ptr<QSettings> OpenSettingsKey(SettingsRoot root, const QString& keyPath);

// A child process started from a command line, waited for in steps so that the caller can
// serve its event loop between them.
class ChildProcess {
 public:
  ChildProcess();
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts `commandLine` in `workingFolder`; `windowMode` 0 hides the child's console, 1 and 2
  // show it. False when the child cannot be started.
  bool Start(const QString& commandLine, const QString& workingFolder, int windowMode);
  // Waits at most `milliseconds`; true once the child has ended.
  bool WaitFor(int milliseconds);
  // The ended child's exit code as the system reports it.
  std::uint32_t ExitCode() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tarn::frontend
