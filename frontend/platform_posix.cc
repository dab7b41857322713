// The front end on POSIX: the driver runs from bin/ below the current folder or beside the
// front end, TARN.bat is a one-line shell script started through /bin/sh, and the settings
// are the per-user and system-wide files of QSettings.
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStringList>

#include "frontend/platform.h"

namespace tarn::frontend {
namespace {

// `text` in single quotes, each single quote inside written as '\'', so that the shell
// interprets none of its characters.
QString QuoteForShell(const QString& text) {
  QString quoted = text;
  quoted.replace(QLatin1String("'"), QLatin1String("'\\''"));
  return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// A file name as one shell word: bare when the shell gives none of its characters a meaning.
QString ShellWord(const QString& name) {
  static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_.+-]+$"));
  return plain.match(name).hasMatch() ? name : QuoteForShell(name);
}

}  // namespace

QString DriverPath() {
  const QString belowCurrent =
      QDir::current().absoluteFilePath(QStringLiteral("bin/TARN_DoduVovuv"));
  if (QFileInfo(belowCurrent).isFile()) return belowCurrent;
  return QCoreApplication::applicationDirPath() + QStringLiteral("/TARN_DoduVovuv");
}

QString DefaultModelPath() {
  return QStringLiteral("/opt/LanthModels/KAV3/models/tolva/TolvaModel.exe");
}

QString ModelFolderText(const QString& modelFile) {
  return QFileInfo(modelFile).absolutePath() + QLatin1Char('/');
}

QByteArray BatchFileText(const QString& driverFile, const QString& inputFileName) {
  return (QuoteForShell(driverFile) + QStringLiteral("  ") + ShellWord(inputFileName) +
          QLatin1Char('\n'))
      .toLocal8Bit();
}

QString BatchCommandLine(const QString& batchPath) {
  return QStringLiteral("/bin/sh ") + QuoteForShell(batchPath);
}

bool IsSystemFile(const QString&) { return false; }

void MarkHidden(const QString&) {}

std::unique_ptr<QSettings> OpenSettingsKey(SettingsRoot root, const QString& keyPath) {
  // "SOFTWARE\Organisation\Application\Group..." names the settings file of that organisation
  // and application; the 32-bit view of the registry has no meaning here.
  QStringList parts = keyPath.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
  if (!parts.isEmpty() &&
      parts.front().compare(QLatin1String("SOFTWARE"), Qt::CaseInsensitive) == 0)
    parts.removeFirst();
  if (!parts.isEmpty() &&
      parts.front().compare(QLatin1String("Wow6432Node"), Qt::CaseInsensitive) == 0)
    parts.removeFirst();
  const QString organisation = parts.isEmpty() ? QString() : parts.takeFirst();
  const QString application = parts.isEmpty() ? QString() : parts.takeFirst();
  auto settings = std::make_unique<QSettings>(
      QSettings::NativeFormat,
      root == SettingsRoot::kCurrentUser ? QSettings::UserScope : QSettings::SystemScope,
      organisation, application);
  // A per-user lookup must not see the machine-wide values, nor the organisation's file.
  settings->setFallbacksEnabled(false);
  if (!parts.isEmpty()) settings->beginGroup(parts.join(QLatin1Char('/')));
  return settings;
}

struct ChildProcess::Impl {
  QProcess process;
};

ChildProcess::ChildProcess() : impl_(std::make_unique<Impl>()) {}

ChildProcess::~ChildProcess() = default;

bool ChildProcess::Start(const QString& commandLine, const QString& workingFolder, int windowMode) {
  QProcess& process = impl_->process;
  process.setProgram(QStringLiteral("/bin/sh"));
  process.setArguments({QStringLiteral("-c"), commandLine});
  process.setWorkingDirectory(workingFolder);
  if (windowMode == 1 || windowMode == 2) {
    // The child's console is the front end's standard error, so that the standard output of
    // the headless mode carries the report alone.
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setChildProcessModifier([] { dup2(STDERR_FILENO, STDOUT_FILENO); });
  } else {
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
  }
  process.start();
  return process.waitForStarted(-1);
}

bool ChildProcess::WaitFor(int milliseconds) {
  QProcess& process = impl_->process;
  return process.state() == QProcess::NotRunning || process.waitForFinished(milliseconds) ||
         process.state() == QProcess::NotRunning;
}

std::uint32_t ChildProcess::ExitCode() const {
  const QProcess& process = impl_->process;
  // A child killed by a signal reports 128 + the signal number, as the shell does.
  if (process.exitStatus() == QProcess::CrashExit) return 128 + process.exitCode();
  return static_cast<std::uint32_t>(process.exitCode());
}

}  // namespace tarn::frontend
