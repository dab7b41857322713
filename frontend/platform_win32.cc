// The front end on Windows: the driver in bin\ below the current folder, short path names,
// a batch file run by the command interpreter, file attributes and the registry.
#include <windows.h>

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "frontend/platform.h"

namespace tarn::frontend {
namespace {

std::wstring Wide(const QString& text) { return text.toStdWString(); }

}  // namespace

QString DriverPath() {
  return QDir::toNativeSeparators(QDir::currentPath()) +
         QStringLiteral("\\bin\\TARN_DoduVovuv.exe");
}

QString DefaultModelPath() {
  return QStringLiteral(
      "C:\\Program Files (x86)\\LanthModels\\KAV3\\models\\tolva\\Tolvamodel.exe");
}

QString ModelFolderText(const QString& modelFile) {
  const std::wstring folder =
      Wide(QDir::toNativeSeparators(QFileInfo(modelFile).absolutePath()) + QLatin1Char('\\'));
  const DWORD length = GetShortPathNameW(folder.c_str(), nullptr, 0);
  if (length == 0) return QString();
  std::wstring shortName(length, L'\0');
  const DWORD written = GetShortPathNameW(folder.c_str(), shortName.data(), length);
  if (written == 0 || written >= length) return QString();
  shortName.resize(written);
  return QString::fromStdWString(shortName);
}

QByteArray BatchFileText(const QString& driverFile, const QString& inputFileName) {
  return (QLatin1Char('"') + driverFile + QStringLiteral("\"  ") + inputFileName +
          QStringLiteral("\r\n"))
      .toLocal8Bit();
}

QString BatchCommandLine(const QString& batchPath) {
  return QLatin1Char('"') + QDir::toNativeSeparators(batchPath) + QLatin1Char('"');
}

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

std::unique_ptr<QSettings> OpenSettingsKey(SettingsRoot root, const QString& keyPath) {
  const QString rootName = root == SettingsRoot::kCurrentUser
                               ? QStringLiteral("HKEY_CURRENT_USER\\")
                               : QStringLiteral("HKEY_LOCAL_MACHINE\\");
  return std::make_unique<QSettings>(rootName + keyPath, QSettings::NativeFormat);
}

struct ChildProcess::Impl {
  PROCESS_INFORMATION info{};
  DWORD exitCode = 0;
  bool running = false;
};

ChildProcess::ChildProcess() : impl_(std::make_unique<Impl>()) {}

ChildProcess::~ChildProcess() {
  if (impl_->running) {
    CloseHandle(impl_->info.hThread);
    CloseHandle(impl_->info.hProcess);
  }
}

bool ChildProcess::Start(const QString& commandLine, const QString& workingFolder, int windowMode) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = windowMode == 1   ? SW_SHOWMINIMIZED
                        : windowMode == 2 ? SW_SHOWNORMAL
                                          : SW_HIDE;
  std::wstring command = Wide(commandLine);
  const std::wstring folder = Wide(QDir::toNativeSeparators(workingFolder));
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                      nullptr, folder.empty() ? nullptr : folder.c_str(), &startup, &impl_->info))
    return false;
  impl_->running = true;
  return true;
}

bool ChildProcess::WaitFor(int milliseconds) {
  if (!impl_->running) return true;
  if (WaitForSingleObject(impl_->info.hProcess, static_cast<DWORD>(milliseconds)) == WAIT_TIMEOUT)
    return false;
  GetExitCodeProcess(impl_->info.hProcess, &impl_->exitCode);
  CloseHandle(impl_->info.hThread);
  CloseHandle(impl_->info.hProcess);
  impl_->running = false;
  return true;
}

std::uint32_t ChildProcess::ExitCode() const { return impl_->exitCode; }

}  // namespace tarn::frontend
