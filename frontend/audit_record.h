// Audit record: what one run of the front end was and what it left, so that the archived files
// can later be shown to be the ones that gave the report's numbers. Every run keeps its record
// as the hidden JSON file .tarn-record.json in its output folder: its inputs hashed before the
// driver started, the versions, the settings, the start and end, the outcome with the worst
// cases of a success, and every file the run left, hashed after its end.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <ostream>
#include <vector>

#include "frontend/run_outcome.h"
#include "frontend/run_preparation.h"

namespace tarn::frontend {

// The record's name in the output folder; hidden, so that emptying the folder leaves it and the
// preparation deletes it by name.
inline constexpr char kAuditRecordFile[] = ".tarn-record.json";

// One file as the record saw it: a file of the output folder by its name, a program by its
// absolute path.
struct RecordedFile {
  QString role;  // what the run used it as, e.g. "model input"; empty for what the run left
  QString name;  // the file name in the output folder; empty for a program
  QString path;  // the absolute path of a program; empty for a file of the output folder
  qint64 size = 0;
  QDateTime modified;  // in UTC, to the second
  QString sha256;      // lower-case hex; empty when the file could not be read
  QString unreadable;  // why it could not be read; then size and modified are not known either
};

// What the report names as the worst case of one compound.
struct RecordedWorstCase {
  QString compound;       // as the report shows it
  QString concentration;  // exactly as the leaching section writes it, in ug/L
  int applicationId = 0;
  QString firstApplicationDay;  // dd-Mmm
};

struct AuditRecord {
  enum class Outcome { kRunning, kSucceeded, kFailed, kStopped };

  QString runId;
  QString outputFolder;  // absolute, with its trailing separator
  QString productVersion, driverVersion, frontEndVersion;
  // The settings the run was started with.
  QString option, interval, firstDay, lastDay;
  int parallelRuns = 1;
  QString launcher;          // empty when the driver started the model itself
  QDateTime started, ended;  // in UTC; ended is null while the run goes on
  Outcome outcome = Outcome::kRunning;
  // For a failed or stopped run, the lines of its message (a failure's error lines included).
  QStringList message;
  // Hashed before the driver started: the copies of the model input and its companions, the
  // model executable, the model launcher and the driver.
  std::vector<RecordedFile> inputs;
  // Hashed after the run's end: every file of the output folder but the front end's own.
  std::vector<RecordedFile> outputs;
  // For a success, the worst case of every compound, in the order of the compound list.
  std::vector<RecordedWorstCase> worstCases;
};

// The record's path in `outputFolder`.
QString AuditRecordPath(const QString& outputFolder);

// The record of the run of `settings` as it starts: versions, settings, the start time and its
// inputs hashed. Called once the output folder is prepared, before the driver starts.
AuditRecord StartAuditRecord(const RunSettings& settings);
// Completes `record` with the end time, `outcome` and the files the run left in its folder.
void EndAuditRecord(AuditRecord& record, const RunOutcome& outcome);

// The record as JSON text, and back; nothing from a text that is no record, with `why` set.
QByteArray AuditRecordJson(const AuditRecord& record);
std::optional<AuditRecord> ParseAuditRecord(const QByteArray& json, QString& why);

// Writes `record` to `path` as a whole: into a new file beside it that then replaces the name,
// so that a reader never sees half a record and a link of that name is replaced, never written
// through. Throws std::runtime_error ("Unable to write the audit record ...") when it cannot.
void WriteAuditRecord(const QString& path, const AuditRecord& record);
// The record at `path`; nothing, with `why` set, when it cannot be read or is no record.
std::optional<AuditRecord> ReadAuditRecord(const QString& path, QString& why);
// Writes the record that the run of `settings` left in its output folder to `path`. Throws
// std::runtime_error ("Unable to write the audit record ...") when the folder holds no record
// of that run or `path` cannot be written.
void CopyAuditRecord(const RunSettings& settings, const QString& path);

// The exit status of a verification.
enum VerifyStatus : int {
  kRecordVerified = 0,    // every file is the one the record names
  kRecordDiffers = 1,     // a file differs, is missing or cannot be read
  kRecordUnreadable = 2,  // the record cannot be read
};

// Hashes every file the record at `recordPath` names again (programs by their paths, the others
// in `folder`, or when empty in the output folder the record names) and writes one line per
// file to `out`, then a summary line; a record that cannot be read is told on `err`.
VerifyStatus VerifyAuditRecord(const QString& recordPath, const QString& folder, std::ostream& out,
                               std::ostream& err);

// Nothing when the output folder of `settings` holds a successful run of these settings whose
// result still stands: its record tells of a success of the same run id, option, days (for
// UserDefined) and launcher, the model input and its companions are the files whose copies the
// run used (by SHA-256), the model executable, launcher and driver are the recorded ones, and
// every file the record names is still as it was. Else why not, a phrase.
std::optional<QString> RecordMismatch(const RunSettings& settings);

}  // namespace tarn::frontend
