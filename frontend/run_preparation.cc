#include "frontend/run_preparation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <utility>
#include <vector>

#include "frontend/platform.h"
#include "support/platform.h"
#include "support/run_identity.h"
#include "support/runtime.h"

namespace tarn::frontend {
namespace {

// The control file's line end, the same on every system.
constexpr char kCrLf[] = "\r\n";

bool IsSeparator(QChar c) { return c == QLatin1Char('/') || c == QDir::separator(); }

// What a preparation deletes directly in `folder`: every link, dangling ones included, and the
// ordinary files (neither folders nor hidden nor system files).
QFileInfoList FilesToDelete(const QString& folder) {
  QFileInfoList files = QDir(folder).entryInfoList(
      QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
  files.removeIf([](const QFileInfo& file) {
    if (file.isSymLink()) return false;
    return !file.isFile() || file.isHidden() || IsSystemFile(file.filePath());
  });
  return files;
}

// Whether `folder` is `ancestor` or lies below it; both absolute and clean.
bool IsSameOrBelow(const QString& folder, const QString& ancestor) {
  if (folder.isEmpty() || ancestor.isEmpty()) return false;
  const Qt::CaseSensitivity cs =
      QDir::separator() == QLatin1Char('\\') ? Qt::CaseInsensitive : Qt::CaseSensitive;
  if (folder.compare(ancestor, cs) == 0) return true;
  const QString prefix =
      ancestor.endsWith(QLatin1Char('/')) ? ancestor : ancestor + QLatin1Char('/');
  return folder.startsWith(prefix, cs);
}

// The driver's own verdict on the model input's file name as its argument: nothing when it
// takes the name as the run's name, else the lines it would refuse it with.
std::optional<QString> RunNameRefusal(const QString& fileName) {
  std::ostringstream out, err, console;
  Console silent(console, /*isTerminal=*/false);
  Runtime rt({"TARN_DoduVovuv", fileName.toStdString()}, out, err, silent);
  try {
    const QString runId = QString::fromStdString(CheckRunId(rt));
    // The driver also takes a bare name, and would then look for a <name>.tol that is not there.
    if (!fileName.endsWith(QLatin1String(".tol")))
      return QStringLiteral("Its extension must be .tol");
    if (runId != RunBaseName(fileName))
      return QStringLiteral("The driver would take %1 as the run's name").arg(runId);
    return std::nullopt;
  } catch (const ProgramStop&) {
    QStringList lines =
        QString::fromStdString(out.str()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString& line : lines) line = line.trimmed();
    lines.removeIf(
        [](const QString& line) { return line.isEmpty() || line == QLatin1String("*"); });
    return lines.join(QStringLiteral(". "));
  }
}

// Whether the driver reads `text` back as one word: not empty, without blanks.
bool IsOneWord(const QString& text) {
  return !text.isEmpty() &&
         std::none_of(text.begin(), text.end(), [](QChar c) { return c.isSpace(); });
}

// The launcher of `settings` in its written form; empty when there is none.
QString LauncherText(const RunSettings& settings) {
  return settings.launcherFile.isEmpty() ? QString() : ProgramPathText(settings.launcherFile);
}

// Writes `bytes` as the whole new file `path`, or throws the file error.
void WriteNewFile(const QString& path, const QByteArray& bytes) {
  QFile::remove(path);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() ||
      !file.flush()) {
    throw std::runtime_error(QStringLiteral("Cannot create file \"%1\". %2")
                                 .arg(QDir::toNativeSeparators(path), file.errorString())
                                 .toStdString());
  }
}

// A file that the run gets a copy of, read before anything in the output folder is deleted.
struct InputCopy {
  QString name;
  QByteArray bytes;
};

// Reads `file` for its copy. Nothing, with its message shown, when it is no regular file (a FIFO
// would keep the copy waiting for ever) or cannot be read.
std::optional<InputCopy> ReadForCopy(const QString& file, const char* what, Messages& messages) {
  QString reason;
  if (std::optional<QByteArray> bytes = ReadRegularFile(file, reason))
    return InputCopy{QFileInfo(file).fileName(), *std::move(bytes)};
  messages.ShowError(QStringLiteral("Unable to copy the %1 %2 into the output folder: %3")
                         .arg(QLatin1String(what), QDir::toNativeSeparators(file), reason));
  return std::nullopt;
}

// What the preparation copies into the output folder, and the messages about the companions
// that were not found, which are shown once the folder has been emptied.
struct InputCopies {
  std::vector<InputCopy> copies;
  QStringList missing;
};

// Reads the model input and the first file of its folder of each companion kind. Nothing, with
// its message shown, when one of them cannot be read.
std::optional<InputCopies> ReadInputCopies(const QString& tolvaFile, Messages& messages) {
  InputCopies read;
  const QFileInfo input(tolvaFile);
  if (input.exists()) {
    const auto copy = ReadForCopy(tolvaFile, "model input file", messages);
    if (!copy) return std::nullopt;
    read.copies.push_back(*copy);
  }
  const QString inputFolder = input.absolutePath();
  const std::pair<QString, QString> companions[] = {
      {QStringLiteral("*.bot"), QStringLiteral("Unable the copy the *.bot file %1")},
      {QStringLiteral("*.met"), QStringLiteral("Unable the copy thee *.met file %1")}};
  for (const auto& [mask, missingMessage] : companions) {
    QStringList found;
    lpFileSearch(inputFolder, mask, found);
    if (found.isEmpty()) {
      read.missing << missingMessage.arg(QDir::toNativeSeparators(WithSeparator(inputFolder)) +
                                         mask);
      continue;
    }
    const auto copy = ReadForCopy(found.front(), "companion file", messages);
    if (!copy) return std::nullopt;
    read.copies.push_back(*copy);
  }
  return read;
}

// "file" or "files", as `count` needs.
QLatin1String Files(qsizetype count) {
  return count == 1 ? QLatin1String("file") : QLatin1String("files");
}

// The most file names the question before emptying a folder names.
constexpr qsizetype cNamedFiles = 10;

// Asks before emptying a folder that TARN never prepared, naming what would be deleted.
bool ConfirmEmptying(const QString& shown, const QFileInfoList& files, Messages& messages) {
  QStringList lines;
  lines << QStringLiteral(
               "The output folder %1 was not prepared by TARN. It holds %2 %3 that "
               "will be deleted:")
               .arg(shown, QString::number(files.size()), Files(files.size()));
  for (qsizetype i = 0; i < files.size() && i < cNamedFiles; ++i) lines << files[i].fileName();
  if (files.size() > cNamedFiles)
    lines << QStringLiteral("and %1 more %2.")
                 .arg(files.size() - cNamedFiles)
                 .arg(Files(files.size() - cNamedFiles));
  lines << QStringLiteral("Do you want to go on?");
  return messages.Confirm(lines.join(QLatin1Char('\n')), Messages::Default::kCancel);
}

// The checks made before anything in the output folder is touched: they keep a run from
// deleting what is not its own and from starting a driver that would refuse it. False, with
// its message shown, when refused.
bool OutputFolderAccepted(const RunSettings& settings, const QString& out, Messages& messages) {
  const QString shown = QDir::toNativeSeparators(out);
  const QFileInfo outInfo(out);
  if (!QFileInfo(settings.outputPath).isDir()) {
    messages.ShowError(
        QStringLiteral("Unable to prepare the output folder %1: it is not an existing folder")
            .arg(shown));
    return false;
  }
  const QString inputName = QFileInfo(settings.tolvaFile).fileName();
  if (const auto refusal = RunNameRefusal(inputName)) {
    messages.ShowError(QStringLiteral("Unable to use the model input file %1 as the run's name: %2")
                           .arg(inputName, *refusal));
    return false;
  }
  if (!QFileInfo(settings.driverFile).isFile()) {
    messages.ShowError(QStringLiteral("Unable to start the driver %1: the file does not exist")
                           .arg(QDir::toNativeSeparators(settings.driverFile)));
    return false;
  }
  const QString outFolder = outInfo.canonicalFilePath();
  const QString inputFolder = QFileInfo(settings.tolvaFile).absoluteDir().canonicalPath();
  if (!inputFolder.isEmpty() && inputFolder == outFolder) {
    messages.ShowError(
        QStringLiteral("Unable to prepare the output folder %1: it is the folder of the model "
                       "input file, whose files would be deleted")
            .arg(shown));
    return false;
  }
  const std::pair<QString, const char*> programs[] = {{settings.modelFile, "model executable"},
                                                      {settings.driverFile, "driver"},
                                                      {settings.launcherFile, "model launcher"}};
  for (const auto& [program, what] : programs) {
    if (program.isEmpty()) continue;
    if (!LiesIn(program, outFolder)) continue;
    messages.ShowError(
        QStringLiteral("Unable to prepare the output folder %1: the %2 %3 lies in it")
            .arg(shown, QLatin1String(what), QDir::toNativeSeparators(program)));
    return false;
  }
  if (!IsOneWord(ModelFolderText(settings.modelFile))) {
    messages.ShowError(QStringLiteral("Unable to write the folder of the model executable %1 "
                                      "into the control file: it must be one word, without "
                                      "blanks")
                           .arg(QDir::toNativeSeparators(settings.modelFile)));
    return false;
  }
  if (!settings.launcherFile.isEmpty() && !IsOneWord(LauncherText(settings))) {
    messages.ShowError(QStringLiteral("Unable to write the model launcher %1 into the control "
                                      "file: it must be one word, without blanks")
                           .arg(QDir::toNativeSeparators(settings.launcherFile)));
    return false;
  }
  if (QFileInfo::exists(out + QLatin1String(kOutputMarker))) return true;
  const QFileInfoList files = FilesToDelete(out);
  return files.isEmpty() || ConfirmEmptying(shown, files, messages);
}

// Removes what would tell of an earlier run's success: its success marker and its report. False,
// with its message shown, when either stays.
bool RemoveEarlierOutcome(const RunSettings& settings, const QString& out, Messages& messages) {
  for (const QString& path : {out + QLatin1String(kSuccessMarker), SummaryReportPath(settings)}) {
    const QFileInfo file(path);
    if (!file.exists() && !file.isSymLink()) continue;
    if (QFile::remove(path)) continue;
    messages.ShowError(QStringLiteral("Unable to empty the output folder: %1 cannot be deleted")
                           .arg(QDir::toNativeSeparators(path)));
    return false;
  }
  return true;
}

// Leaves the hidden marker that tells a later run that the folder belongs to TARN.
void WriteOutputMarker(const QString& out) {
  const QString path = out + QLatin1String(kOutputMarker);
  // Written anew, never through what bears its name: a FIFO would keep the open waiting.
  QFile::remove(path);
  QFile marker(path);
  if (!marker.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
  marker.write("This folder holds TARN runs: its files are deleted before every run.\n");
  marker.close();
  MarkHidden(path);
}

}  // namespace

QString WithSeparator(const QString& folder) {
  qsizetype end = folder.size();
  while (end > 0 && IsSeparator(folder[end - 1])) --end;
  return folder.left(end) + QDir::separator();
}

bool LiesIn(const QString& file, const QString& folder) {
  const QFileInfo info(file);
  if (IsSameOrBelow(info.absoluteDir().canonicalPath(), folder)) return true;
  // A link lies where its target does, too.
  const QString target = info.canonicalFilePath();
  return !target.isEmpty() && IsSameOrBelow(QFileInfo(target).absolutePath(), folder);
}

QString RunBaseName(const QString& tolvaFile) { return QFileInfo(tolvaFile).completeBaseName(); }

QString SummaryReportPath(const RunSettings& settings) {
  return WithSeparator(settings.outputPath) + RunBaseName(settings.tolvaFile) +
         QStringLiteral("_Tsb.sum");
}

QString BatchFilePath(const RunSettings& settings) {
  return WithSeparator(settings.outputPath) + QStringLiteral("TARN.bat");
}

void lpDeletFiles(const QString& folder) {
  // A link goes as a link: QFile::remove never follows it.
  for (const QFileInfo& file : FilesToDelete(folder)) QFile::remove(file.filePath());
}

void lpFileSearch(const QString& folder, const QString& mask, QStringList& list) {
  const QString searched = WithSeparator(folder);
  const QStringList names =
      QDir(searched).entryList({mask}, QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
  for (const QString& name : names) list.append(searched + name);
}

QByteArray ControlFileText(const RunSettings& settings, const QString& modelFolder,
                           const QString& launcher) {
  const QString lines[] = {
      modelFolder + QStringLiteral("    BinDir   ! Path to executable of TOLVA"),
      settings.option +
          QStringLiteral("     OptApp               ! Options are Monthly or UserDefined"),
      settings.interval + QStringLiteral("        DelTimAppId (d)   ! Time interval between the "
                                         "starting days of two consecutive application Ids"),
      settings.firstDay + QStringLiteral("        DayInYeaAppFirst (d)      ! First possible "
                                         "day-in-year of application"),
      settings.lastDay + QStringLiteral("        DayInYeaAppLast (d)       ! Last possible "
                                        "day-in-year of application "),
  };
  QByteArray text;
  for (const QString& line : lines) text += line.toLocal8Bit() + kCrLf;
  if (settings.parallelRuns > 1)
    text += QString::number(settings.parallelRuns).toLocal8Bit() +
            "        NumParallelRuns   ! Number of model runs at once" + kCrLf;
  if (!launcher.isEmpty())
    text += launcher.toLocal8Bit() +
            "    ModelLauncher   ! Program that runs each model run (Wine, Slurm)" + kCrLf;
  return text;
}

std::unique_ptr<OutputFolderLock> CreateInpFile(const RunSettings& settings, Messages& messages) {
  const QString out = WithSeparator(settings.outputPath);
  if (!OutputFolderAccepted(settings, out, messages)) return nullptr;
  const std::optional<InputCopies> inputs = ReadInputCopies(settings.tolvaFile, messages);
  if (!inputs) return nullptr;
  std::unique_ptr<OutputFolderLock> lock = OutputFolderLock::Take(out, messages);
  if (!lock || !RemoveEarlierOutcome(settings, out, messages)) return nullptr;
  lpDeletFiles(out);
  WriteOutputMarker(out);

  // A copy that cannot be written is not reported: the driver then names what it misses.
  for (const InputCopy& copy : inputs->copies) {
    const QString path = out + copy.name;
    QFile::remove(path);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(copy.bytes);
  }
  for (const QString& message : inputs->missing) messages.ShowError(message);

  WriteNewFile(
      out + RunBaseName(settings.tolvaFile) + QStringLiteral(".tsb"),
      ControlFileText(settings, ModelFolderText(settings.modelFile), LauncherText(settings)));
  return lock;
}

void WriteBatchFile(const RunSettings& settings) {
  WriteNewFile(BatchFilePath(settings),
               BatchFileText(settings.driverFile, QFileInfo(settings.tolvaFile).fileName()));
}

}  // namespace tarn::frontend
