#include "frontend/export_target.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <utility>

#include "frontend/platform.h"
#include "support/platform.h"

namespace tarn::frontend {
namespace {

// Whether `a` and `b` name one and the same existing file, however they are spelt: links are
// followed and hard links count.
bool SameFile(const QString& a, const QString& b) {
  FileIdentity first, second;
  return IdentityOf(QFile::encodeName(a).toStdString(), first, Links::kFollowed) &&
         IdentityOf(QFile::encodeName(b).toStdString(), second, Links::kFollowed) &&
         first == second;
}

// The first file of `folder` that matches `mask`, as the preparation copies it; empty when none.
QString FirstCompanion(const QString& folder, const QString& mask) {
  QStringList found;
  lpFileSearch(folder, mask, found);
  return found.value(0);
}

}  // namespace

std::optional<QString> ExportRefusal(const QString& path, const RunSettings& settings) {
  const QString shown = QDir::toNativeSeparators(path);
  const QString inputFolder = QFileInfo(settings.tolvaFile).absolutePath();
  const std::pair<QString, const char*> inputs[] = {
      {settings.tolvaFile, "model input file"},
      {FirstCompanion(inputFolder, QStringLiteral("*.bot")), "companion file"},
      {FirstCompanion(inputFolder, QStringLiteral("*.met")), "companion file"},
      {settings.modelFile, "model executable"},
      {settings.driverFile, "driver"},
      {settings.launcherFile, "model launcher"}};
  for (const auto& [input, what] : inputs) {
    if (input.isEmpty() || !SameFile(path, input)) continue;
    return QStringLiteral("Unable to export the results to %1: it is the %2 %3")
        .arg(shown, QLatin1String(what), QDir::toNativeSeparators(input));
  }
  const QString outFolder = QFileInfo(settings.outputPath).canonicalFilePath();
  if (LiesIn(path, outFolder)) {
    return QStringLiteral(
               "Unable to export the results to %1: it lies in the output folder %2, "
               "which the next run empties")
        .arg(shown, QDir::toNativeSeparators(WithSeparator(settings.outputPath)));
  }
  return std::nullopt;
}

}  // namespace tarn::frontend
