// The front end on Windows: the driver in bin\ below the current folder, short path names,
// a batch file run by the command interpreter in a process group of its own, file attributes,
// the registry and the console's Ctrl-C.
#include <io.h>
#include <windows.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <cstdio>

#include "frontend/platform.h"

namespace tarn::frontend {
namespace {

std::wstring Wide(const QString& text) { return text.toStdWString(); }

// The short (8.3) form of the existing `path` as the system gives it (a volume without short
// names gives the path unchanged); empty when the system cannot give it.
QString ShortPathName(const QString& path) {
  const std::wstring wide = Wide(path);
  const DWORD length = GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (length == 0) return QString();
  std::wstring shortName(length, L'\0');
  const DWORD written = GetShortPathNameW(wide.c_str(), shortName.data(), length);
  if (written == 0 || written >= length) return QString();
  shortName.resize(written);
  return QString::fromStdWString(shortName);
}

}  // namespace

QString DriverPath() {
  return QDir::toNativeSeparators(QDir::currentPath()) +
         QStringLiteral("\\bin\\TARN_DoduVovuv.exe");
}

QString DefaultModelPath() {
  return QStringLiteral(
      "C:\\Program Files (x86)\\LanthModels\\KAV3\\models\\tolva\\Tolvamodel.exe");
}

// The launchers are shell scripts for Linux: none comes with TARN on Windows.
QString LaunchersFolder() { return QString(); }

QString FilesHelp() {
  return QStringLiteral(
      "Files:\n"
      "  HKEY_CURRENT_USER\\SOFTWARE\\LanthModels\\TARN\n"
      "      The paths picked last, per user: TolvaFilePath, TolvaModelPath, OutputPath\n"
      "      and ModelLauncherPath. --batch reads them and never writes them.\n"
      "  HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\LanthModels\\TARN\n"
      "      Machine-wide defaults, written by an installer, for each value that a user\n"
      "      has not stored.\n"
      "  bin\\TARN_DoduVovuv.exe\n"
      "      The driver, below the current folder.");
}

QString ModelFolderText(const QString& modelFile) {
  return ShortPathName(QDir::toNativeSeparators(QFileInfo(modelFile).absolutePath()) +
                       QLatin1Char('\\'));
}

QString ProgramPathText(const QString& program) {
  return ShortPathName(QDir::toNativeSeparators(QFileInfo(program).absoluteFilePath()));
}

QByteArray BatchFileText(const QString& driverFile, const QString& inputFileName) {
  return (QLatin1Char('"') + driverFile + QStringLiteral("\"  ") + inputFileName +
          QStringLiteral("\r\n"))
      .toLocal8Bit();
}

Command BatchCommand(const QString& batchPath) {
  return {QStringLiteral("cmd.exe"), {QStringLiteral("/c"), QDir::toNativeSeparators(batchPath)}};
}

bool StandardErrorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

bool IsSystemFile(const QString& path) {
  const DWORD attributes = GetFileAttributesW(Wide(QDir::toNativeSeparators(path)).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_SYSTEM) != 0;
}

void MarkHidden(const QString& path) {
  const std::wstring name = Wide(QDir::toNativeSeparators(path));
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES)
    SetFileAttributesW(name.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN);
}

bool BusyMarkerLocked(const QString& path) {
  // The driver holds its marker open for writing and shares only reading: an open that does not
  // share writing fails while it does.
  const HANDLE handle = CreateFileW(Wide(QDir::toNativeSeparators(path)).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
  CloseHandle(handle);
  return false;
}

std::unique_ptr<QSettings> OpenSettingsKey(SettingsRoot root, const QString& keyPath) {
  const QString rootName = root == SettingsRoot::kCurrentUser
                               ? QStringLiteral("HKEY_CURRENT_USER\\")
                               : QStringLiteral("HKEY_LOCAL_MACHINE\\");
  return std::make_unique<QSettings>(rootName + keyPath, QSettings::NativeFormat);
}

void StartInOwnProcessGroup(QProcess& process) {
  process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments* arguments) {
    arguments->flags |= CREATE_NEW_PROCESS_GROUP;
  });
}

void AskProcessGroupToStop(qint64 pid) {
  GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, static_cast<DWORD>(pid));
}

void KillProcessGroup(qint64 pid) {
  // The command interpreter, the driver and the model runs it started, as one tree.
  QProcess::execute(QStringLiteral("taskkill"), {QStringLiteral("/F"), QStringLiteral("/T"),
                                                 QStringLiteral("/PID"), QString::number(pid)});
}

namespace {

// The watch's handler; the console calls it on a thread of its own.
std::function<void()>* interruptHandler = nullptr;

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  QMetaObject::invokeMethod(QCoreApplication::instance(), [] {
    if (interruptHandler) (*interruptHandler)();
  });
  return TRUE;
}

}  // namespace

struct InterruptWatch::Impl {
  std::function<void()> onInterrupt;
};

InterruptWatch::InterruptWatch(std::function<void()> onInterrupt)
    : impl_(std::make_unique<Impl>()) {
  impl_->onInterrupt = std::move(onInterrupt);
  interruptHandler = &impl_->onInterrupt;
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

InterruptWatch::~InterruptWatch() {
  SetConsoleCtrlHandler(OnConsoleControl, FALSE);
  interruptHandler = nullptr;
}

// No token pool here: the scenarios of a plan run one after another, each with the plan's runs
// at once.
struct ModelRunTokens::Impl {};

std::unique_ptr<ModelRunTokens> ModelRunTokens::Create(int) { return nullptr; }

ModelRunTokens::ModelRunTokens(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

ModelRunTokens::~ModelRunTokens() = default;

QString ModelRunTokens::Launcher(const QString&, const QString& launcher) { return launcher; }

}  // namespace tarn::frontend
