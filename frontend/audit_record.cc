#include "frontend/audit_record.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>

#include "driver/public/control_file.h"
#include "driver/public/files.h"
#include "driver/public/model_run_names.h"
#include "driver/public/report_layout.h"
#include "driver/version.h"
#include "frontend/command_line.h"
#include "frontend/output_folder_lock.h"
#include "frontend/report_reader.h"
#include "frontend/version.h"

namespace tarn::frontend {
namespace {

// What the record's "format" field holds; a text without it is no record.
constexpr char kFormat[] = "TARN audit record 1";

// The outcomes by their written words, in the order of AuditRecord::Outcome.
constexpr const char* kOutcomeWords[] = {"running", "succeeded", "failed", "stopped"};

QString Iso(const QDateTime& time) { return time.toUTC().toString(Qt::ISODate); }

QDateTime Now() {
  return QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch(), Qt::UTC);
}

// `path` hashed in chunks, as the driver reads its inputs: only a regular file (through a
// link, too), never waiting on a FIFO. Big files need no room of their size.
RecordedFile Hashed(const QString& path) {
  RecordedFile file;
  int error = 0;
  if (std::FILE* stream = OpenForReading(QFile::encodeName(path).toStdString(), error)) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    char buffer[65536];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, stream)) > 0;) {
      hash.addData(QByteArrayView(buffer, static_cast<qsizetype>(got)));
      file.size += static_cast<qint64>(got);
    }
    error = std::ferror(stream) ? (errno ? errno : EIO) : 0;
    std::fclose(stream);
    if (error == 0) {
      file.sha256 = QString::fromLatin1(hash.result().toHex());
      file.modified =
          QDateTime::fromSecsSinceEpoch(QFileInfo(path).lastModified().toSecsSinceEpoch(), Qt::UTC);
      return file;
    }
  }
  file.size = 0;  // a read cut short by an error counts nothing
  file.unreadable = error == kNotARegularFile ? QStringLiteral("not a regular file")
                                              : QString::fromStdString(ReasonFor(error));
  return file;
}

// The front end's own files in the output folder, which the record leaves out: the record
// itself and the new file that replaces it while it is written, the folder's lock and the
// marker of a folder that TARN prepared.
bool IsFrontEndFile(const QString& name) {
  const QString record = QLatin1String(kAuditRecordFile);
  return name == record || name.startsWith(record + QLatin1Char('.')) ||
         name == QLatin1String(kFolderLockFile) || name == QLatin1String(kOutputMarker);
}

// The concentration of a compound's worst case as the leaching section writes it.
QString LeachingConcentration(const CompoundResults& compound) {
  return QString::fromStdString(ConcText(compound.WorstCase().conc)).trimmed();
}

QJsonArray StringsJson(const QStringList& strings) { return QJsonArray::fromStringList(strings); }

QJsonArray FilesJson(const std::vector<RecordedFile>& files) {
  QJsonArray array;
  for (const RecordedFile& file : files) {
    QJsonObject object;
    if (!file.role.isEmpty()) object[QLatin1String("role")] = file.role;
    if (file.name.isEmpty())
      object[QLatin1String("path")] = file.path;
    else
      object[QLatin1String("name")] = file.name;
    if (file.unreadable.isEmpty()) {
      object[QLatin1String("size")] = static_cast<double>(file.size);
      object[QLatin1String("modified")] = Iso(file.modified);
      object[QLatin1String("sha256")] = file.sha256;
    } else {
      object[QLatin1String("unreadable")] = file.unreadable;
    }
    array.append(object);
  }
  return array;
}

// Reads the parts of a record's JSON, noting the first part that is not what a record holds.
class RecordParser {
 public:
  QString why;

  // Notes `key` as the first wrong part, unless one was noted before.
  void Fail(const char* key) {
    if (why.isEmpty()) why = QStringLiteral("its field \"%1\" is missing or wrong").arg(key);
  }

  QString Text(const QJsonObject& object, const char* key, bool required = true) {
    const QJsonValue value = object[QLatin1String(key)];
    if (value.isString()) return value.toString();
    if (required || !value.isUndefined()) Fail(key);
    return {};
  }

  double Number(const QJsonObject& object, const char* key) {
    const QJsonValue value = object[QLatin1String(key)];
    if (!value.isDouble()) Fail(key);
    return value.toDouble();
  }

  QDateTime Time(const QJsonObject& object, const char* key, bool required = true) {
    const QString text = Text(object, key, required);
    if (text.isEmpty()) return {};
    const QDateTime time = QDateTime::fromString(text, Qt::ISODate);
    if (!time.isValid()) Fail(key);
    return time.toUTC();
  }

  QJsonObject Object(const QJsonObject& object, const char* key) {
    if (!object[QLatin1String(key)].isObject()) Fail(key);
    return object[QLatin1String(key)].toObject();
  }

  QJsonArray Array(const QJsonObject& object, const char* key) {
    if (!object[QLatin1String(key)].isArray()) Fail(key);
    return object[QLatin1String(key)].toArray();
  }

  QStringList Strings(const QJsonObject& object, const char* key) {
    QStringList strings;
    for (const QJsonValue& value : Array(object, key)) {
      if (!value.isString()) Fail(key);
      strings << value.toString();
    }
    return strings;
  }

  std::vector<RecordedFile> Files(const QJsonObject& object, const char* key) {
    static const QRegularExpression sha256(QStringLiteral("^[0-9a-f]{64}$"));
    std::vector<RecordedFile> files;
    for (const QJsonValue& value : Array(object, key)) {
      const QJsonObject entry = value.toObject();
      RecordedFile file;
      file.role = Text(entry, "role", false);
      file.name = Text(entry, "name", false);
      file.path = Text(entry, "path", false);
      // A name is one file of the output folder, never a way out of it.
      const bool plainName = !file.name.contains(QLatin1Char('/')) &&
                             !file.name.contains(QLatin1Char('\\')) &&
                             file.name != QLatin1String(".") && file.name != QLatin1String("..");
      if (!value.isObject() || file.name.isEmpty() == file.path.isEmpty() || !plainName ||
          (!file.path.isEmpty() && QFileInfo(file.path).isRelative()))
        Fail(key);
      file.unreadable = Text(entry, "unreadable", false);
      if (file.unreadable.isEmpty()) {
        file.size = static_cast<qint64>(Number(entry, "size"));
        file.modified = Time(entry, "modified");
        file.sha256 = Text(entry, "sha256");
        if (!sha256.match(file.sha256).hasMatch()) Fail(key);
      }
      files.push_back(file);
    }
    return files;
  }
};

// One file to hash again: where it is now and what the record says of it.
struct FileCheck {
  QString shown;  // its name in the output folder, or a program's path
  QString path;
  const RecordedFile* recorded;
};

}  // namespace

QString AuditRecordPath(const QString& outputFolder) {
  return WithSeparator(outputFolder) + QLatin1String(kAuditRecordFile);
}

AuditRecord StartAuditRecord(const RunSettings& settings) {
  AuditRecord record;
  record.runId = RunBaseName(settings.tolvaFile);
  record.outputFolder = WithSeparator(QFileInfo(settings.outputPath).absoluteFilePath());
  record.productVersion = QLatin1String(cProductVersion);
  record.driverVersion = QLatin1String(kDriverVersion);
  record.frontEndVersion = QLatin1String(cFrontEndVersion);
  record.option = settings.option;
  record.interval = settings.interval;
  record.firstDay = settings.firstDay;
  record.lastDay = settings.lastDay;
  record.parallelRuns = settings.parallelRuns;
  const auto absolute = [](const QString& path) { return QFileInfo(path).absoluteFilePath(); };
  if (!settings.launcherFile.isEmpty()) record.launcher = absolute(settings.launcherFile);
  record.started = Now();

  // The copies, in the run's folder under the names of their originals.
  const auto copy = [&](const QString& original, const char* role) {
    const QString name = QFileInfo(original).fileName();
    RecordedFile file = Hashed(record.outputFolder + name);
    file.role = QLatin1String(role);
    file.name = name;
    record.inputs.push_back(file);
  };
  copy(settings.tolvaFile, "model input");
  for (const QString& companion : CompanionFiles(settings.tolvaFile)) copy(companion, "companion");
  const auto program = [&](const QString& path, const char* role) {
    RecordedFile file = Hashed(path);
    file.role = QLatin1String(role);
    file.path = absolute(path);
    record.inputs.push_back(file);
  };
  // The program the driver runs: the model folder's, whatever file of it the user picked.
  program(QFileInfo(settings.modelFile).dir().filePath(QLatin1String(kModelProgram)),
          "model executable");
  if (!record.launcher.isEmpty()) program(record.launcher, "model launcher");
  program(settings.driverFile, "driver");
  return record;
}

void EndAuditRecord(AuditRecord& record, const RunOutcome& outcome) {
  record.ended = Now();
  switch (outcome.kind) {
    case RunOutcome::Kind::kSucceeded:
      record.outcome = AuditRecord::Outcome::kSucceeded;
      break;
    case RunOutcome::Kind::kFailed:
      record.outcome = AuditRecord::Outcome::kFailed;
      break;
    case RunOutcome::Kind::kStopped:
      record.outcome = AuditRecord::Outcome::kStopped;
      break;
  }
  record.message = outcome.message;
  record.worstCases.clear();
  if (outcome.kind == RunOutcome::Kind::kSucceeded && outcome.report.data.data) {
    for (const CompoundResults& compound : outcome.report.data.data->compounds) {
      const ApplicationResult& worst = compound.WorstCase();
      record.worstCases.push_back(
          {compound.name, LeachingConcentration(compound), worst.appId, worst.firstDate});
    }
  }
  record.outputs.clear();
  const QFileInfoList entries =
      QDir(record.outputFolder)
          .entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDir::Name);
  for (const QFileInfo& entry : entries) {
    if (IsFrontEndFile(entry.fileName())) continue;
    RecordedFile file = Hashed(entry.filePath());
    file.name = entry.fileName();
    record.outputs.push_back(file);
  }
}

QByteArray AuditRecordJson(const AuditRecord& record) {
  QJsonObject run;
  run[QLatin1String("id")] = record.runId;
  run[QLatin1String("outputFolder")] = record.outputFolder;
  run[QLatin1String("started")] = Iso(record.started);
  if (record.ended.isValid()) run[QLatin1String("ended")] = Iso(record.ended);
  QJsonObject versions;
  versions[QLatin1String("product")] = record.productVersion;
  versions[QLatin1String("driver")] = record.driverVersion;
  versions[QLatin1String("frontEnd")] = record.frontEndVersion;
  QJsonObject settings;
  settings[QLatin1String("option")] = record.option;
  settings[QLatin1String("interval")] = record.interval;
  settings[QLatin1String("firstDay")] = record.firstDay;
  settings[QLatin1String("lastDay")] = record.lastDay;
  settings[QLatin1String("parallelRuns")] = record.parallelRuns;
  settings[QLatin1String("launcher")] = record.launcher;
  QJsonObject outcome;
  outcome[QLatin1String("result")] = QLatin1String(kOutcomeWords[static_cast<int>(record.outcome)]);
  outcome[QLatin1String("message")] = StringsJson(record.message);
  QJsonArray worstCases;
  for (const RecordedWorstCase& worst : record.worstCases) {
    QJsonObject object;
    object[QLatin1String("compound")] = worst.compound;
    object[QLatin1String("concentration")] = worst.concentration;
    object[QLatin1String("applicationId")] = worst.applicationId;
    object[QLatin1String("firstApplicationDay")] = worst.firstApplicationDay;
    worstCases.append(object);
  }
  outcome[QLatin1String("worstCases")] = worstCases;

  QJsonObject root;
  root[QLatin1String("format")] = QLatin1String(kFormat);
  root[QLatin1String("run")] = run;
  root[QLatin1String("versions")] = versions;
  root[QLatin1String("settings")] = settings;
  root[QLatin1String("inputs")] = FilesJson(record.inputs);
  root[QLatin1String("outcome")] = outcome;
  root[QLatin1String("outputs")] = FilesJson(record.outputs);
  return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<AuditRecord> ParseAuditRecord(const QByteArray& json, QString& why) {
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(json, &error);
  if (error.error != QJsonParseError::NoError) {
    why = QStringLiteral("it is no JSON text (%1 at byte %2)")
              .arg(error.errorString())
              .arg(error.offset);
    return std::nullopt;
  }
  const QJsonObject root = document.object();
  if (root[QLatin1String("format")].toString() != QLatin1String(kFormat)) {
    why = QStringLiteral("it is no TARN audit record");
    return std::nullopt;
  }
  RecordParser parse;
  AuditRecord record;
  const QJsonObject run = parse.Object(root, "run");
  record.runId = parse.Text(run, "id");
  record.outputFolder = parse.Text(run, "outputFolder");
  record.started = parse.Time(run, "started");
  record.ended = parse.Time(run, "ended", false);
  const QJsonObject versions = parse.Object(root, "versions");
  record.productVersion = parse.Text(versions, "product");
  record.driverVersion = parse.Text(versions, "driver");
  record.frontEndVersion = parse.Text(versions, "frontEnd");
  const QJsonObject settings = parse.Object(root, "settings");
  record.option = parse.Text(settings, "option");
  record.interval = parse.Text(settings, "interval");
  record.firstDay = parse.Text(settings, "firstDay");
  record.lastDay = parse.Text(settings, "lastDay");
  record.parallelRuns = static_cast<int>(parse.Number(settings, "parallelRuns"));
  record.launcher = parse.Text(settings, "launcher");
  record.inputs = parse.Files(root, "inputs");
  const QJsonObject outcome = parse.Object(root, "outcome");
  const QString result = parse.Text(outcome, "result");
  const auto word = std::find(std::begin(kOutcomeWords), std::end(kOutcomeWords), result);
  if (word == std::end(kOutcomeWords))
    parse.Fail("result");
  else
    record.outcome = static_cast<AuditRecord::Outcome>(word - std::begin(kOutcomeWords));
  record.message = parse.Strings(outcome, "message");
  for (const QJsonValue& value : parse.Array(outcome, "worstCases")) {
    const QJsonObject object = value.toObject();
    record.worstCases.push_back({parse.Text(object, "compound"),
                                 parse.Text(object, "concentration"),
                                 static_cast<int>(parse.Number(object, "applicationId")),
                                 parse.Text(object, "firstApplicationDay")});
  }
  record.outputs = parse.Files(root, "outputs");
  if (!parse.why.isEmpty()) {
    why = parse.why;
    return std::nullopt;
  }
  return record;
}

void WriteAuditRecord(const QString& path, const AuditRecord& record) {
  const QByteArray json = AuditRecordJson(record);
  // Created exclusively under a new name in the same folder, then renamed over the record.
  QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
  QString problem;
  if (!file.open() || file.write(json) != json.size() || !file.flush() ||
      !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                           QFile::ReadOther)) {
    problem = file.errorString();
  } else {
    file.close();
    std::error_code error;
    std::filesystem::rename(QFile(file.fileName()).filesystemFileName(),
                            QFile(path).filesystemFileName(), error);
    if (error)
      problem = QString::fromStdString(error.message());
    else
      file.setAutoRemove(false);
  }
  if (!problem.isEmpty()) {
    throw std::runtime_error(QStringLiteral("Unable to write the audit record %1: %2")
                                 .arg(QDir::toNativeSeparators(path), problem)
                                 .toStdString());
  }
}

std::optional<AuditRecord> ReadAuditRecord(const QString& path, QString& why) {
  const std::optional<QByteArray> json = ReadRegularFile(path, why);
  if (!json) return std::nullopt;
  return ParseAuditRecord(*json, why);
}

void CopyAuditRecord(const RunSettings& settings, const QString& path) {
  QString why;
  const std::optional<AuditRecord> record =
      ReadAuditRecord(AuditRecordPath(settings.outputPath), why);
  if (record && record->runId == RunBaseName(settings.tolvaFile)) {
    WriteAuditRecord(path, *record);
    return;
  }
  if (record) why = QStringLiteral("it is the record of the run %1").arg(record->runId);
  throw std::runtime_error(
      QStringLiteral("Unable to write the audit record %1: the output folder's record %2 cannot "
                     "be used: %3")
          .arg(QDir::toNativeSeparators(path),
               QDir::toNativeSeparators(AuditRecordPath(settings.outputPath)), why)
          .toStdString());
}

VerifyStatus VerifyAuditRecord(const QString& recordPath, const QString& folder, std::ostream& out,
                               std::ostream& err) {
  QString why;
  const std::optional<AuditRecord> record = ReadAuditRecord(recordPath, why);
  if (!record) {
    WriteLine(err, QStringLiteral("Unable to read the audit record %1: %2")
                       .arg(QDir::toNativeSeparators(recordPath), why));
    return kRecordUnreadable;
  }
  const QString filesFolder =
      WithSeparator(folder.isEmpty() ? record->outputFolder : QFileInfo(folder).absoluteFilePath());
  // A copy of an input is also a file the run left: it is checked once when both agree.
  std::vector<FileCheck> checks;
  std::set<std::pair<QString, QString>> seen;
  for (const auto* files : {&record->inputs, &record->outputs}) {
    for (const RecordedFile& file : *files) {
      const QString path = file.name.isEmpty() ? file.path : filesFolder + file.name;
      if (!seen.insert({path, file.sha256}).second) continue;
      checks.push_back(
          {file.name.isEmpty() ? QDir::toNativeSeparators(file.path) : file.name, path, &file});
    }
  }
  int differing = 0;
  for (const FileCheck& check : checks) {
    QString verdict = QStringLiteral("ok");
    QString note;
    if (!check.recorded->unreadable.isEmpty()) {
      verdict = QStringLiteral("UNKNOWN");
      note = QStringLiteral(": it could not be read for the record (%1)")
                 .arg(check.recorded->unreadable);
    } else {
      const RecordedFile now = Hashed(check.path);
      const QFileInfo there(check.path);
      if (!there.exists()) {
        verdict = QStringLiteral("MISSING");
      } else if (!now.unreadable.isEmpty()) {
        verdict = QStringLiteral("UNREADABLE");
        note = QStringLiteral(": %1").arg(now.unreadable);
      } else if (now.sha256 != check.recorded->sha256) {
        verdict = QStringLiteral("CHANGED");
      }
    }
    if (verdict != QLatin1String("ok")) ++differing;
    WriteLine(out, verdict.leftJustified(11) + check.shown + note);
  }
  const int total = static_cast<int>(checks.size());
  if (differing == 0) {
    WriteLine(out, QStringLiteral("All %1 files are the ones the record names.").arg(total));
    return kRecordVerified;
  }
  WriteLine(out, QStringLiteral("%1 of %2 files are not the ones the record names.")
                     .arg(differing)
                     .arg(total));
  return kRecordDiffers;
}

std::optional<QString> RecordMismatch(const RunSettings& settings) {
  QString why;
  const QString recordPath = AuditRecordPath(settings.outputPath);
  const std::optional<AuditRecord> record = ReadAuditRecord(recordPath, why);
  if (!record) return QStringLiteral("it holds no readable audit record (%1)").arg(why);
  if (record->outcome != AuditRecord::Outcome::kSucceeded ||
      record->runId != RunBaseName(settings.tolvaFile))
    return QStringLiteral("it holds no successful run of %1").arg(RunBaseName(settings.tolvaFile));
  const auto absolute = [](const QString& path) {
    return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
  };
  const bool userDefined = settings.option == QLatin1String(ScheduleWord(Schedule::kUserDefined));
  if (record->option != settings.option || (userDefined && (record->interval != settings.interval ||
                                                            record->firstDay != settings.firstDay ||
                                                            record->lastDay != settings.lastDay)))
    return QStringLiteral("its run had other settings");
  if (record->launcher != absolute(settings.launcherFile))
    return QStringLiteral("its run had another model launcher");

  // The inputs as this run would use them: the originals, whose copies the record hashed, and
  // the programs.
  std::vector<std::pair<const char*, QString>> inputs = {{"model input", settings.tolvaFile}};
  for (const QString& companion : CompanionFiles(settings.tolvaFile))
    inputs.push_back({"companion", companion});
  inputs.push_back({"model executable",
                    QFileInfo(settings.modelFile).dir().filePath(QLatin1String(kModelProgram))});
  if (!settings.launcherFile.isEmpty())
    inputs.push_back({"model launcher", absolute(settings.launcherFile)});
  inputs.push_back({"driver", absolute(settings.driverFile)});
  if (inputs.size() != record->inputs.size()) return QStringLiteral("its run had other inputs");
  for (size_t i = 0; i < inputs.size(); ++i) {
    const auto& [role, path] = inputs[i];
    const RecordedFile& recorded = record->inputs[i];
    const bool copy = !recorded.name.isEmpty();
    if (recorded.role != QLatin1String(role) ||
        (copy ? recorded.name != QFileInfo(path).fileName() : recorded.path != absolute(path)))
      return QStringLiteral("its run had other inputs");
    const RecordedFile now = Hashed(path);
    if (!now.unreadable.isEmpty() || now.sha256 != recorded.sha256)
      return QStringLiteral("the %1 %2 changed")
          .arg(QLatin1String(role), QDir::toNativeSeparators(path));
  }
  std::ostringstream lines;
  if (VerifyAuditRecord(recordPath, settings.outputPath, lines, lines) != kRecordVerified)
    return QStringLiteral("a file of its run changed or went missing");
  return std::nullopt;
}

}  // namespace tarn::frontend
