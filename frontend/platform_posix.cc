// The front end on POSIX: the driver runs from bin/ below the current folder or beside the
// front end, TARN.bat is a one-line shell script started through /bin/sh in a session of its
// own, stopped by signals to its process group, and the settings are the per-user and
// system-wide files of QSettings.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSocketNotifier>
#include <QStringList>
#include <iterator>

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

// Why a file cannot be read, with the system's reason for `error`.
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

QString LaunchersFolder() {
  // TARN_LAUNCHERS_FROM_BIN is the launchers' place relative to the programs' folder, as the
  // build installs them; the build folder has a link there to the launchers of the sources.
  const QString folder = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                         QStringLiteral("/" TARN_LAUNCHERS_FROM_BIN));
  return QFileInfo(folder).isDir() ? folder : QString();
}

QString FilesHelp() {
  return QStringLiteral(
      "Files:\n"
      "  ~/.config/LanthModels/TARN.conf\n"
      "      The paths picked last, per user ($XDG_CONFIG_HOME moves it): TolvaFilePath,\n"
      "      TolvaModelPath, OutputPath and ModelLauncherPath in a [General] section.\n"
      "      --batch reads them and never writes them.\n"
      "  /etc/xdg/LanthModels/TARN.conf\n"
      "      Machine-wide defaults, written by an administrator in the same form, for\n"
      "      each value that a user has not stored. For instance\n"
      "          [General]\n"
      "          TolvaModelPath=/opt/LanthModels/KAV3/models/tolva/TolvaModel.exe\n"
      "      Without either, the model input is GW_Test.tol and the output folder\n"
      "      output/ in the current folder, and the model\n"
      "      /opt/LanthModels/KAV3/models/tolva/TolvaModel.exe.\n"
      "  bin/TARN_DoduVovuv\n"
      "      The driver, below the current folder; when there is none, the\n"
      "      TARN_DoduVovuv beside TARN_SB.\n"
      "  " TARN_LAUNCHERS_FROM_BIN
      "\n"
      "      Beside the folder of TARN_SB: the model launchers that come with TARN\n"
      "      (wine, slurm), where the dialog's launcher picker starts.");
}

QString ModelFolderText(const QString& modelFile) {
  return QFileInfo(modelFile).absolutePath() + QLatin1Char('/');
}

QString ProgramPathText(const QString& program) { return QFileInfo(program).absoluteFilePath(); }

QByteArray BatchFileText(const QString& driverFile, const QString& inputFileName) {
  return (QuoteForShell(driverFile) + QStringLiteral("  ") + ShellWord(inputFileName) +
          QLatin1Char('\n'))
      .toLocal8Bit();
}

Command BatchCommand(const QString& batchPath) {
  // The batch file is read by a shell that traps the stop signals: such a shell waits for the
  // driver it runs before it acts on them, then ends with the driver's status; the driver, for
  // which a trapped signal is reset by exec, receives them as usual. The path is an argument,
  // never part of the command text.
  return {QStringLiteral("/bin/sh"),
          {QStringLiteral("-c"), QStringLiteral("trap 'exit $?' INT TERM HUP; . \"$1\""),
           QStringLiteral("sh"), batchPath}};
}

bool IsSystemFile(const QString&) { return false; }

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) != 0; }

void MarkHidden(const QString&) {}

bool BusyMarkerLocked(const QString& path) {
  const int fd =
      open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
  if (fd < 0) return false;
  struct stat opened {};
  // The driver's own lock, taken and let go at once: it fails only while a driver holds it.
  const bool locked = fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
                      flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  close(fd);
  return locked;
}

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

void StartInOwnProcessGroup(QProcess& process) {
  process.setChildProcessModifier([] { setsid(); });
}

void AskProcessGroupToStop(qint64 pid) {
  if (pid > 0) kill(-static_cast<pid_t>(pid), SIGTERM);
}

void KillProcessGroup(qint64 pid) {
  if (pid > 0) kill(-static_cast<pid_t>(pid), SIGKILL);
}

namespace {

// The signals an interrupt arrives by, and the pipe through which their handler, which may do
// almost nothing, hands them to the event loop.
constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP};
int interruptPipe[2] = {-1, -1};

extern "C" void OnInterruptSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(interruptPipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

struct InterruptWatch::Impl {
  std::unique_ptr<QSocketNotifier> notifier;
  struct sigaction previous[std::size(kInterrupts)];
};

InterruptWatch::InterruptWatch(std::function<void()> onInterrupt)
    : impl_(std::make_unique<Impl>()) {
  if (pipe2(interruptPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  impl_->notifier = std::make_unique<QSocketNotifier>(interruptPipe[0], QSocketNotifier::Read);
  QObject::connect(impl_->notifier.get(), &QSocketNotifier::activated,
                   [onInterrupt = std::move(onInterrupt)] {
                     char bytes[16];
                     while (read(interruptPipe[0], bytes, sizeof bytes) > 0) {
                     }
                     onInterrupt();
                   });
  struct sigaction action {};
  action.sa_handler = OnInterruptSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < std::size(kInterrupts); ++i)
    sigaction(kInterrupts[i], &action, &impl_->previous[i]);
}

InterruptWatch::~InterruptWatch() {
  if (!impl_->notifier) return;
  for (size_t i = 0; i < std::size(kInterrupts); ++i)
    sigaction(kInterrupts[i], &impl_->previous[i], nullptr);
  impl_->notifier.reset();
  close(interruptPipe[0]);
  close(interruptPipe[1]);
  interruptPipe[0] = interruptPipe[1] = -1;
}

}  // namespace tarn::frontend
