#include "frontend/run_preparation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <stdexcept>

#include "frontend/platform.h"

namespace tarn::frontend {
namespace {

// The control file's line end, the same on every system.
constexpr char kCrLf[] = "\r\n";

bool IsSeparator(QChar c) { return c == QLatin1Char('/') || c == QDir::separator(); }

// The ordinary files directly in `folder`: neither folders nor hidden nor system files.
QFileInfoList OrdinaryFiles(const QString& folder) {
  QFileInfoList files =
      QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
  files.removeIf([](const QFileInfo& file) { return IsSystemFile(file.filePath()); });
  return files;
}

// Copies `from` to `to`, replacing `to`; a failure is not reported.
void CopyReplacing(const QString& from, const QString& to) {
  QFile::remove(to);
  QFile::copy(from, to);
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

// Copies the first file of `inputFolder` that matches `mask` into `out`; when there is none,
// shows `missingMessage` with the searched folder and mask.
void CopyFirstCompanion(const QString& inputFolder, const QString& mask, const QString& out,
                        const QString& missingMessage, Messages& messages) {
  QStringList found;
  lpFileSearch(inputFolder, mask, found);
  if (found.isEmpty()) {
    messages.ShowError(
        missingMessage.arg(QDir::toNativeSeparators(WithSeparator(inputFolder)) + mask));
    return;
  }
  CopyReplacing(found.front(), out + QFileInfo(found.front()).fileName());
}

// The guards that keep a run from deleting what is not its own or from naming a model folder
// that the driver cannot read as one word; false when refused.
bool OutputFolderAccepted(const RunSettings& settings, const QString& out, Messages& messages) {
  const QString shown = QDir::toNativeSeparators(out);
  const QFileInfo outInfo(out);
  if (!QFileInfo(settings.outputPath).isDir()) {
    messages.ShowError(
        QStringLiteral("Unable to prepare the output folder %1: it is not an existing folder")
            .arg(shown));
    return false;
  }
  const QString inputFolder = QFileInfo(settings.tolvaFile).absoluteDir().canonicalPath();
  if (!inputFolder.isEmpty() && inputFolder == outInfo.canonicalFilePath()) {
    messages.ShowError(
        QStringLiteral("Unable to prepare the output folder %1: it is the folder of the model "
                       "input file, whose files would be deleted")
            .arg(shown));
    return false;
  }
  const QString modelFolder = ModelFolderText(settings.modelFile);
  if (modelFolder.isEmpty() ||
      std::any_of(modelFolder.begin(), modelFolder.end(), [](QChar c) { return c.isSpace(); })) {
    messages.ShowError(QStringLiteral("Unable to write the folder of the model executable %1 "
                                      "into the control file: it must be one word, without "
                                      "blanks")
                           .arg(QDir::toNativeSeparators(settings.modelFile)));
    return false;
  }
  if (QFileInfo::exists(out + QLatin1String(kOutputMarker))) return true;
  const qsizetype count = OrdinaryFiles(out).size();
  return count == 0 ||
         messages.Confirm(QStringLiteral("The output folder %1 was not prepared by TARN. All %2 "
                                         "files in it will be deleted. Do you want to go on?")
                              .arg(shown)
                              .arg(count));
}

// Leaves the hidden marker that tells a later run that the folder belongs to TARN.
void WriteOutputMarker(const QString& out) {
  const QString path = out + QLatin1String(kOutputMarker);
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

QString RunBaseName(const QString& tolvaFile) { return QFileInfo(tolvaFile).completeBaseName(); }

QString SummaryReportPath(const RunSettings& settings) {
  return WithSeparator(settings.outputPath) + RunBaseName(settings.tolvaFile) +
         QStringLiteral("_Tsb.sum");
}

QString BatchFilePath(const RunSettings& settings) {
  return WithSeparator(settings.outputPath) + QStringLiteral("TARN.bat");
}

void lpDeletFiles(const QString& folder) {
  for (const QFileInfo& file : OrdinaryFiles(folder)) QFile::remove(file.filePath());
}

void lpFileSearch(const QString& folder, const QString& mask, QStringList& list) {
  const QString searched = WithSeparator(folder);
  const QStringList names =
      QDir(searched).entryList({mask}, QDir::Files | QDir::Hidden, QDir::Unsorted);
  for (const QString& name : names) list.append(searched + name);
}

QByteArray ControlFileText(const RunSettings& settings, const QString& modelFolder) {
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
  return text;
}

bool CreateInpFile(const RunSettings& settings, Messages& messages) {
  const QString out = WithSeparator(settings.outputPath);
  if (!OutputFolderAccepted(settings, out, messages)) return false;
  lpDeletFiles(out);
  WriteOutputMarker(out);

  const QFileInfo input(settings.tolvaFile);
  if (input.exists()) CopyReplacing(settings.tolvaFile, out + input.fileName());
  const QString inputFolder = input.absolutePath();
  CopyFirstCompanion(inputFolder, QStringLiteral("*.bot"), out,
                     QStringLiteral("Unable the copy the *.bot file %1"), messages);
  CopyFirstCompanion(inputFolder, QStringLiteral("*.met"), out,
                     QStringLiteral("Unable the copy thee *.met file %1"), messages);

  WriteNewFile(out + RunBaseName(settings.tolvaFile) + QStringLiteral(".tsb"),
               ControlFileText(settings, ModelFolderText(settings.modelFile)));
  return true;
}

void WriteBatchFile(const RunSettings& settings) {
  WriteNewFile(BatchFilePath(settings),
               BatchFileText(settings.driverFile, QFileInfo(settings.tolvaFile).fileName()));
}

}  // namespace tarn::frontend
