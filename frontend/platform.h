// The front end's only contact with what differs between operating systems: the driver's and
// the model's and the launchers' default places, the files the help names, the written form of the
// model folder and of a program's path, the batch file and how it is started, file attributes, the
// driver's lock, the settings store, process groups, interrupts, the terminal and the pool of
// model-run tokens of a run plan. platform_posix.cc
// and platform_win32.cc implement it; nothing else in the front end asks which system it runs on.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QProcess;
class QSettings;

namespace tarn::frontend {

// The driver executable: below the current folder, else beside the running front end.
QString DriverPath();

// The model executable offered when no setting names one.
QString DefaultModelPath();

// The folder of the model launchers that come with TARN, found from the running front end's
// folder in an installation and in a build folder alike; empty where there is none.
QString LaunchersFolder();

// The part of the help that names the files the front end reads: its settings, the driver and
// the launchers.
QString FilesHelp();

// The model executable's folder as the control file holds it, with its trailing separator;
// empty when the system cannot give it.
QString ModelFolderText(const QString& modelFile);

// A program's full path as the control file holds it (the driver reads it as one word); empty
// when the system cannot give it.
QString ProgramPathText(const QString& program);

// The whole text of TARN.bat: the quoted driver, two blanks, the model input's file name and
// the line end.
QByteArray BatchFileText(const QString& driverFile, const QString& inputFileName);

// A program and its arguments.
struct Command {
  QString program;
  QStringList arguments;
};

// What runs the batch file at `batchPath`. On POSIX a shell that, when asked to stop, waits
// for the driver to end instead of ending first, so that the batch file ends with the driver.
Command BatchCommand(const QString& batchPath);

// Whether the file carries the system's "system file" attribute (hidden files are told apart
// by QDir itself).
bool IsSystemFile(const QString& path);

// Gives the file the hidden attribute where a name alone does not hide it.
void MarkHidden(const QString& path);

// Whether a running driver holds its lock on the busy marker `path` (POSIX: an flock; Windows:
// the marker open without write sharing). A name that is no regular file, or a link, holds no
// lock: the driver takes none on it. Never waits.
bool BusyMarkerLocked(const QString& path);

// The two settings stores: per user, and machine-wide defaults.
enum class SettingsRoot { kCurrentUser, kLocalMachine };

// The settings key `keyPath` (a registry path such as "SOFTWARE\LanthModels\TARN\") of `root`,
// opened for reading and writing; values are addressed by their bare names.
std::unique_ptr<QSettings> OpenSettingsKey(SettingsRoot root, const QString& keyPath);

// Makes `process` start its child in a process group of its own (POSIX: a new session), so
// that the child and every process it starts can be asked to stop together.
void StartInOwnProcessGroup(QProcess& process);

// Asks the process group of the child `pid` to stop: SIGTERM on POSIX, Ctrl-Break on Windows.
void AskProcessGroupToStop(qint64 pid);

// Ends the process group of the child `pid` at once.
void KillProcessGroup(qint64 pid);

// Whether the program's standard error is an interactive console (not a pipe or a file).
bool StandardErrorIsTerminal();

// While it lives, an interrupt of the program (Ctrl-C; on POSIX also SIGTERM and SIGHUP) calls
// `onInterrupt` from the event loop instead of ending the program.
class InterruptWatch {
 public:
  explicit InterruptWatch(std::function<void()> onInterrupt);
  ~InterruptWatch();
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A pool of tokens that limits the model runs at once of several drivers together, as make's
// job server does: each model run takes a token before it starts and gives it back when it has
// ended. The pool goes with this object; a model run that finds it gone runs without a token.
class ModelRunTokens {
 public:
  // A pool of `count` tokens; nothing where the system offers none (the drivers then run one
  // after another). Throws std::runtime_error when the pool cannot be made.
  static std::unique_ptr<ModelRunTokens> Create(int count);
  ~ModelRunTokens();
  ModelRunTokens(const ModelRunTokens&) = delete;
  ModelRunTokens& operator=(const ModelRunTokens&) = delete;

  // Writes the model launcher of the scenario `name`: it takes a token, runs `launcher` (the
  // scenario's own, empty for none) or else the model, gives the token back and ends with the
  // exit status of what it ran. Returns its full path, which holds no blank. Throws
  // std::runtime_error when it cannot be written.
  QString Launcher(const QString& name, const QString& launcher);

 private:
  struct Impl;
  explicit ModelRunTokens(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace tarn::frontend
