#include "frontend/testing.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTimer>
#include <utility>

#include "frontend/platform.h"
#include "frontend/tarn_registry.h"

namespace tarn::frontend::testing {

TempFolder::TempFolder() { dir_.setAutoRemove(true); }

QString TempFolder::Path(const QString& relative) const {
  return relative.isEmpty() ? dir_.path() : dir_.filePath(relative);
}

void TempFolder::Write(const QString& relative, const QByteArray& bytes) const {
  const QString path = Path(relative);
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
    qFatal("cannot write %s", qPrintable(path));
}

QByteArray TempFolder::Read(const QString& relative) const {
  QFile file(Path(relative));
  if (!file.open(QIODevice::ReadOnly)) return QByteArray();
  return file.readAll();
}

bool TempFolder::Exists(const QString& relative) const { return QFileInfo::exists(Path(relative)); }

void TempFolder::MakeFolder(const QString& relative) const { QDir().mkpath(Path(relative)); }

void TempFolder::Remove(const QString& relative) const {
  if (QFileInfo(Path(relative)).isDir()) {
    QDir(Path(relative)).removeRecursively();
  } else {
    QFile::remove(Path(relative));
  }
}

QStringList TempFolder::Names(const QString& relative) const {
  return QDir(Path(relative))
      .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

void TempFolder::PlaceExample(const QString& relative) const {
  MakeFolder(relative);
  for (const char* name : {"GW_Test.tol", "GW_Test.bot", "GW_Test.met"})
    QFile::copy(QStringLiteral(TARN_EXAMPLES_DIR "/") + name, Path(relative) + '/' + name);
}

void TempFolder::PlaceDriver() const {
  MakeFolder(QStringLiteral("bin"));
  QFile::link(TARN_BIN_DIR "/TARN_DoduVovuv", Path(QStringLiteral("bin/TARN_DoduVovuv")));
}

void RecordingDialogs::ShowError(const QString& text) { errors.append(text); }

bool RecordingDialogs::Confirm(const QString& text, Default defaultButton) {
  questions.append(text);
  defaults.push_back(defaultButton);
  open_ = text;
  if (whileAsking) whileAsking();
  const bool answered = !open_.isEmpty();
  open_.clear();
  return answered && confirm;
}

void RecordingDialogs::WithdrawQuestion() {
  if (!open_.isEmpty()) withdrawn.append(std::exchange(open_, QString()));
}

std::optional<QString> RecordingDialogs::NextPick(const QString& folder) {
  pickerFolders.append(folder);
  if (picks.empty()) return std::nullopt;
  const std::optional<QString> pick = std::move(picks.front());
  picks.pop_front();
  return pick;
}

std::optional<QString> RecordingDialogs::PickTolvaFile(const QString& initialFolder) {
  return NextPick(initialFolder);
}

std::optional<QString> RecordingDialogs::PickModelFile(const QString& folder) {
  return NextPick(folder);
}

std::optional<QString> RecordingDialogs::PickModelLauncher(const QString& folder) {
  return NextPick(folder);
}

std::optional<QString> RecordingDialogs::PickOutputFolder(const QString& folder) {
  return NextPick(folder);
}

std::optional<QString> RecordingDialogs::PickExportFile(const QString&, const QString&,
                                                        const QString& suggestedPath) {
  return NextPick(suggestedPath);
}

namespace {

std::unique_ptr<QSettings> Store(SettingsRoot root) {
  return OpenSettingsKey(root, QLatin1String(cSoftware) + QLatin1String(cRegKeyTarn));
}

}  // namespace

void UseSettingsFolder(const QString& folder) {
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                     folder + QStringLiteral("/user"));
  QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope,
                     folder + QStringLiteral("/machine"));
  ClearSettings();
}

void ClearSettings() {
  for (SettingsRoot root : {SettingsRoot::kCurrentUser, SettingsRoot::kLocalMachine}) {
    const auto store = Store(root);
    store->clear();
    store->sync();
  }
}

void WriteUserSetting(const QString& name, const QString& value) {
  Store(SettingsRoot::kCurrentUser)->setValue(name, value);
}

void WriteMachineSetting(const QString& name, const QString& value) {
  Store(SettingsRoot::kLocalMachine)->setValue(name, value);
}

std::optional<QString> UserSetting(const QString& name) {
  const auto store = Store(SettingsRoot::kCurrentUser);
  if (!store->contains(name)) return std::nullopt;
  return store->value(name).toString();
}

int RunAnsweringModals(const std::function<void()>& action,
                       const std::function<bool(QWidget&)>& answer) {
  int answered = 0;
  QTimer watcher;
  // Checked whenever the event loop runs, in the modal loop of the window too.
  watcher.setInterval(0);
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal->isVisible() && answer(*modal)) ++answered;
  });
  watcher.start();
  action();
  return answered;
}

void WriteSlowModel(const QString& folder, const QString& pidFile) {
  QDir().mkpath(folder);
  const QString model = folder + QStringLiteral("/TolvaModel.exe");
  QFile file(model);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    qFatal("cannot write %s", qPrintable(model));
  file.write("#!/bin/sh\necho $$ > '" + pidFile.toLocal8Bit() + "'\nexec sleep 300\n");
  file.close();
  QFile::setPermissions(model, QFile::ReadOwner | QFile::ExeOwner);
}

bool ProcessEnded(const QByteArray& pidText) {
  QFile stat(QStringLiteral("/proc/%1/stat").arg(QString::fromLatin1(pidText.trimmed())));
  if (!stat.open(QIODevice::ReadOnly)) return true;
  const QByteArray text = stat.readAll();
  // The state follows the command name in parentheses.
  return text.mid(text.lastIndexOf(')') + 2, 1) == "Z";
}

std::optional<QString> ProgramOutput(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
      process.exitCode() != 0)
    return std::nullopt;
  return QString::fromUtf8(process.readAllStandardOutput());
}

CurrentFolder::CurrentFolder(const QString& folder) : previous_(QDir::currentPath()) {
  QDir::setCurrent(folder);
}

CurrentFolder::~CurrentFolder() { QDir::setCurrent(previous_); }

}  // namespace tarn::frontend::testing
