// The front end on POSIX: the driver runs from bin/ below the current folder or beside the
// front end, TARN.bat is a one-line shell script started through /bin/sh in a session of its
// own, stopped by signals to its process group, and the settings are the per-user and
// system-wide files of QSettings. A run plan's tokens are bytes in a FIFO.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
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
#include <QTemporaryDir>
#include <iterator>
#include <stdexcept>

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

// The pool is a FIFO in a temporary folder holding one byte per token, which this object keeps
// open for reading and writing, so that a launcher never meets its end. A launcher reads one
// byte (waiting, without polling, until one is there) and writes it back when what it ran has
// ended, or when it is asked to stop, as the driver asks every process of a model run.
struct ModelRunTokens::Impl {
  QTemporaryDir folder{QDir::tempPath() + QStringLiteral("/tarn-plan-XXXXXX")};
  int fifo = -1;
};

ModelRunTokens::ModelRunTokens(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

ModelRunTokens::~ModelRunTokens() { close(impl_->fifo); }

std::unique_ptr<ModelRunTokens> ModelRunTokens::Create(int count) {
  auto impl = std::make_unique<Impl>();
  const QString fifo = impl->folder.filePath(QStringLiteral("tokens"));
  const auto fail = [&](const QString& reason) {
    return std::runtime_error(
        QStringLiteral("Unable to make the pool of model runs at once in %1: %2")
            .arg(impl->folder.path(), reason)
            .toStdString());
  };
  if (!impl->folder.isValid()) throw fail(impl->folder.errorString());
  // The control file reads the launcher's path as one word.
  if (impl->folder.path().contains(QRegularExpression(QStringLiteral("\\s"))))
    throw fail(QStringLiteral("its path holds a blank"));
  const QByteArray name = QFile::encodeName(fifo);
  if (mkfifo(name.constData(), 0600) != 0 ||
      (impl->fifo = open(name.constData(), O_RDWR | O_CLOEXEC)) < 0)
    throw fail(QString::fromLocal8Bit(strerror(errno)));
  const QByteArray tokens(count, 't');
  if (write(impl->fifo, tokens.constData(), tokens.size()) != tokens.size()) {
    const QString reason = QString::fromLocal8Bit(strerror(errno));
    close(impl->fifo);
    throw fail(reason);
  }
  return std::unique_ptr<ModelRunTokens>(new ModelRunTokens(std::move(impl)));
}

QString ModelRunTokens::Launcher(const QString& name, const QString& launcher) {
  const QString path = impl_->folder.filePath(QStringLiteral("launcher-") + name);
  const QString command = launcher.isEmpty() ? QStringLiteral("\"$@\"")
                                             : QuoteForShell(launcher) + QStringLiteral(" \"$@\"");
  const QString text =
      QStringLiteral(
          "#!/bin/sh\n"
          "# Runs one model run of the scenario %1 once it has a token of its plan's pool.\n"
          "tokens=%2\n"
          "# Started again by hand, after the plan: no pool, no token.\n"
          "[ -p \"$tokens\" ] || exec %3\n"
          "exec 9<>\"$tokens\"\n"
          "token=\n"
          "give_back() { printf %s \"$token\" >&9; token=; }\n"
          "trap 'give_back; exit 129' HUP\n"
          "trap 'give_back; exit 130' INT\n"
          "trap 'give_back; exit 143' TERM\n"
          "token=$(dd bs=1 count=1 status=none <&9) || exit 1\n"
          "%3 9>&-\n"
          "status=$?\n"
          "give_back\n"
          "exit \"$status\"\n")
          .arg(name,
               QuoteForShell(
                   QFileInfo(impl_->folder.filePath(QStringLiteral("tokens"))).absoluteFilePath()),
               command);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      file.write(text.toLocal8Bit()) < 0 || !file.flush() ||
      !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
    throw std::runtime_error(QStringLiteral("Cannot create file \"%1\". %2")
                                 .arg(path, file.errorString())
                                 .toStdString());
  }
  return path;
}

}  // namespace tarn::frontend
