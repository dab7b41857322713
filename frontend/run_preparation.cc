#include "frontend/run_preparation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "driver/public/control_file.h"
#include "driver/public/run_files.h"
#include "frontend/audit_record.h"
#include "frontend/platform.h"
#include "frontend/report_reader.h"
#include "frontend/run_conditions.h"

namespace tarn::frontend {
namespace {

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

// The launcher that the control file of `settings` names, in its written form; empty when
// there is none.
QString LauncherText(const RunSettings& settings) {
  const QString& launcher =
      settings.controlLauncher.isEmpty() ? settings.launcherFile : settings.controlLauncher;
  return launcher.isEmpty() ? QString() : ProgramPathText(launcher);
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

// Whether the output folder may be emptied: at once when TARN prepared it, else only when the
// user confirms.
bool OutputFolderAccepted(const QString& out, Messages& messages) {
  if (QFileInfo::exists(out + QLatin1String(kOutputMarker))) return true;
  const QFileInfoList files = FilesToDelete(out);
  return files.isEmpty() || ConfirmEmptying(QDir::toNativeSeparators(out), files, messages);
}

// Removes what would tell of an earlier run: its audit record (first, so that no record outlives
// a preparation that goes no further), its success marker and its report. False, with its
// message shown, when one of them stays.
bool RemoveEarlierOutcome(const RunSettings& settings, const QString& out, Messages& messages) {
  for (const QString& path :
       {AuditRecordPath(out), out + QString::fromStdString(RunFileName(kSuccessMarker, {})),
        SummaryReportPath(settings)}) {
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
  return WithSeparator(settings.outputPath) +
         QString::fromStdString(
             RunFileName(kSummaryReport, RunBaseName(settings.tolvaFile).toStdString()));
}

QString BatchFilePath(const RunSettings& settings) {
  return WithSeparator(settings.outputPath) + QStringLiteral("TARN.bat");
}

void lpDeletFiles(const QString& folder) {
  // A link goes as a link: QFile::remove never follows it.
  for (const QFileInfo& file : FilesToDelete(folder)) QFile::remove(file.filePath());
}

QStringList CompanionFiles(const QString& tolvaFile) {
  QStringList companions;
  for (const char* mask : {"*.bot", "*.met"}) {
    QStringList found;
    lpFileSearch(QFileInfo(tolvaFile).absolutePath(), QLatin1String(mask), found);
    if (!found.isEmpty()) companions << found.front();
  }
  return companions;
}

void lpFileSearch(const QString& folder, const QString& mask, QStringList& list) {
  const QString searched = WithSeparator(folder);
  const QStringList names =
      QDir(searched).entryList({mask}, QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
  for (const QString& name : names) list.append(searched + name);
}

QByteArray ControlFileText(const RunSettings& settings, const QString& modelFolder,
                           const QString& launcher) {
  const auto written = [](const QString& text) { return text.toLocal8Bit().toStdString(); };
  ControlSettings control;
  control.binDir = written(modelFolder);
  control.optApp = ScheduleOfWord(settings.option.toStdString()).value();
  control.numParallelRuns = settings.parallelRuns;
  control.modelLauncher = written(launcher);
  return QByteArray::fromStdString(tarn::ControlFileText(
      control,
      {written(settings.interval), written(settings.firstDay), written(settings.lastDay)}));
}

std::unique_ptr<OutputFolderLock> CreateInpFile(const RunSettings& settings, Messages& messages) {
  // Checked again: what the window showed may have changed since.
  if (const QList<UnmetCondition> unmet = UnmetConditions(settings); !unmet.isEmpty()) {
    messages.ShowError(RefusalMessage(unmet.front()));
    return nullptr;
  }
  const QString out = WithSeparator(settings.outputPath);
  if (!OutputFolderAccepted(out, messages)) return nullptr;
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
      out + QString::fromStdString(
                RunFileName(kControlFile, RunBaseName(settings.tolvaFile).toStdString())),
      ControlFileText(settings, ModelFolderText(settings.modelFile), LauncherText(settings)));
  return lock;
}

void WriteBatchFile(const RunSettings& settings) {
  WriteNewFile(BatchFilePath(settings),
               BatchFileText(settings.driverFile, QFileInfo(settings.tolvaFile).fileName()));
}

}  // namespace tarn::frontend
