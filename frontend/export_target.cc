#include "frontend/export_target.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <utility>
#include <vector>

#include "driver/public/files.h"
#include "frontend/platform.h"

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

}  // namespace

std::optional<QString> ExportRefusal(const QString& path, const RunSettings& settings,
                                     const QString& exported) {
  const QString shown = QDir::toNativeSeparators(path);
  std::vector<std::pair<QString, const char*>> inputs = {{settings.tolvaFile, "model input file"}};
  for (const QString& companion : CompanionFiles(settings.tolvaFile))
    inputs.emplace_back(companion, "companion file");
  inputs.insert(inputs.end(), {{settings.modelFile, "model executable"},
                               {settings.driverFile, "driver"},
                               {settings.launcherFile, "model launcher"}});
  for (const auto& [input, what] : inputs) {
    if (input.isEmpty() || !SameFile(path, input)) continue;
    return QStringLiteral("Unable to export %1 to %2: it is the %3 %4")
        .arg(exported, shown, QLatin1String(what), QDir::toNativeSeparators(input));
  }
  // A folder still to be made (a scenario's of a run plan) is compared by its path.
  const QFileInfo outFolder(settings.outputPath);
  if (outFolder.exists()
          ? LiesIn(path, outFolder.canonicalFilePath())
          : QDir::cleanPath(QFileInfo(path).absoluteFilePath())
                .startsWith(WithSeparator(QDir::cleanPath(outFolder.absoluteFilePath())))) {
    return QStringLiteral(
               "Unable to export %1 to %2: it lies in the output folder %3, "
               "which the next run empties")
        .arg(exported, shown, QDir::toNativeSeparators(WithSeparator(settings.outputPath)));
  }
  return std::nullopt;
}

}  // namespace tarn::frontend
