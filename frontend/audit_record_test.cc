// The audit record of real runs of the bundled example (the built driver and stand-in model,
// started by the headless mode), and its verification by TARN_SB --verify.
#include "frontend/audit_record.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <sstream>

#include "frontend/batch_mode.h"
#include "frontend/command_line.h"
#include "frontend/report_reader.h"
#include "frontend/testing.h"

namespace tarn::frontend {
namespace {

using testing::TempFolder;

// The bundled example in a model input folder, an empty output folder "out" and the built
// driver in bin below the current folder.
class AuditRecordTest : public ::testing::Test {
 protected:
  AuditRecordTest() : current(root.Path()) {
    testing::ClearSettings();
    root.MakeFolder("out");
    root.PlaceExample("in");
    root.PlaceDriver();
  }
  ~AuditRecordTest() override { testing::ClearSettings(); }

  // Runs the headless mode on the example with `options` added.
  int Run(const QStringList& options = {}) {
    err.str("");
    std::ostringstream out;
    return RunBatch(QStringList({"TARN_SB", "--batch", "--input", root.Path("in/GW_Test.tol"),
                                 "--model", model, "--output", root.Path("out")}) +
                        options,
                    out, err, err);
  }
  QStringList ErrLines() const { return TextLines(QByteArray::fromStdString(err.str())); }

  // The record the run left in the output folder.
  AuditRecord Record() const {
    QString why;
    const std::optional<AuditRecord> record =
        ReadAuditRecord(root.Path("out/") + kAuditRecordFile, why);
    EXPECT_TRUE(record) << why.toStdString();
    return record.value_or(AuditRecord());
  }

  TempFolder root;
  testing::CurrentFolder current;
  QString model = TARN_BIN_DIR "/model/TolvaModel.exe";
  std::ostringstream err;
};

QString Sha256(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  return QString::fromLatin1(
      QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex());
}

// Every recorded file has the size and the SHA-256 of the file it names.
void ExpectHashesOf(const std::vector<RecordedFile>& files, const QString& folder) {
  for (const RecordedFile& file : files) {
    const QString path = file.name.isEmpty() ? file.path : folder + file.name;
    EXPECT_EQ(file.sha256, Sha256(path)) << path.toStdString();
    EXPECT_EQ(file.size, QFileInfo(path).size()) << path.toStdString();
    EXPECT_TRUE(file.unreadable.isEmpty()) << path.toStdString();
  }
}

// A successful run's record: its inputs hashed, every file it left hashed (the front end's own
// hidden files aside), its settings, outcome and worst cases as the report names them; --record
// writes the same record elsewhere. The model is the program the driver runs, whichever file of
// its folder the user picked.
TEST_F(AuditRecordTest, RecordsASuccessfulRun) {
  root.MakeFolder("model");
  ASSERT_TRUE(QFile::copy(model, root.Path("model/TolvaModel.exe")));
  root.Write("model/picked.exe", "not the model");
  model = root.Path("model/picked.exe");
  ASSERT_EQ(Run({"--record", root.Path("GW_Test_record.json")}), kBatchSucceeded) << err.str();

  const AuditRecord record = Record();
  EXPECT_EQ(record.runId, "GW_Test");
  EXPECT_EQ(record.outputFolder, root.Path("out/"));
  EXPECT_EQ(record.outcome, AuditRecord::Outcome::kSucceeded);
  EXPECT_EQ(record.message, QStringList());
  EXPECT_EQ(record.productVersion, "1.1");
  EXPECT_EQ(record.option, "Monthly");
  EXPECT_LE(record.started, record.ended);

  QStringList inputs;
  for (const RecordedFile& file : record.inputs)
    inputs << file.role + ": " + (file.name.isEmpty() ? file.path : file.name);
  EXPECT_EQ(inputs, QStringList({"model input: GW_Test.tol", "companion: GW_Test.bot",
                                 "companion: GW_Test.met",
                                 "model executable: " + root.Path("model/TolvaModel.exe"),
                                 "driver: " + root.Path("bin/TARN_DoduVovuv")}));
  ExpectHashesOf(record.inputs, root.Path("out/"));

  QStringList outputs;
  for (const RecordedFile& file : record.outputs) outputs << file.name;
  QStringList left = root.Names("out");
  left.removeIf([](const QString& name) { return name.startsWith('.'); });
  EXPECT_EQ(outputs, left);
  EXPECT_TRUE(outputs.contains("GW_Test_Tsb.sum"));
  ExpectHashesOf(record.outputs, root.Path("out/"));

  ASSERT_EQ(record.worstCases.size(), 2u);
  const RecordedWorstCase& first = record.worstCases[0];
  EXPECT_EQ(QStringList({first.compound, first.concentration, QString::number(first.applicationId),
                         first.firstApplicationDay}),
            QStringList({"Tarnazine", "0.3211D+00", "12", "15-Dec"}));
  const RecordedWorstCase& second = record.worstCases[1];
  EXPECT_EQ(QStringList({second.compound, second.concentration,
                         QString::number(second.applicationId), second.firstApplicationDay}),
            QStringList({"Tarnazine_Met", "0.1057D+00", "11", "15-Nov"}));

  EXPECT_EQ(root.Read("GW_Test_record.json"), root.Read(QString("out/") + kAuditRecordFile));
}

#ifndef _WIN32
// A failed run's record carries the lines of its error, as the user was shown them.
TEST_F(AuditRecordTest, RecordsTheErrorOfAFailedRun) {
  root.Write("failing/TolvaModel.exe", "#!/bin/sh\nexit 1\n");
  QFile::setPermissions(root.Path("failing/TolvaModel.exe"), QFile::ReadOwner | QFile::ExeOwner);
  model = root.Path("failing/TolvaModel.exe");

  ASSERT_EQ(Run({"--record", root.Path("failed.json")}), kBatchRunFailed);

  const AuditRecord record = Record();
  EXPECT_EQ(record.outcome, AuditRecord::Outcome::kFailed);
  EXPECT_GT(record.message.size(), 1);
  EXPECT_EQ(record.message.value(0),
            "Unable to complete the run GW_Test: the driver ended with an error.");
  // The error lines follow on standard error after the driver's console lines.
  const QStringList errLines = ErrLines();
  EXPECT_EQ(errLines.mid(errLines.size() - record.message.size()), record.message);
  EXPECT_TRUE(record.worstCases.empty());
  EXPECT_TRUE(root.Exists("failed.json"));
}

// The next preparation deletes the record before anything else, so that one that goes no
// further (here: the control file's name is taken by a folder) leaves no record of the run
// before.
TEST_F(AuditRecordTest, NoRecordOutlivesTheNextPreparation) {
  ASSERT_EQ(Run(), kBatchSucceeded) << err.str();
  ASSERT_TRUE(root.Exists(QString("out/") + kAuditRecordFile));
  root.Remove("out/GW_Test.tsb");
  root.MakeFolder("out/GW_Test.tsb");

  EXPECT_EQ(Run(), kBatchNotStarted);

  EXPECT_FALSE(root.Exists(QString("out/") + kAuditRecordFile)) << err.str();
}

// A copy of the record that cannot be written ends with status 3 after a successful run; one
// that would land in the output folder or replace an input is refused before the run.
TEST_F(AuditRecordTest, RecordCopyGoesOnlyWhereItMay) {
  const struct {
    QString path;
    int status;
    QString errLine;  // the last line on standard error, up to the system's reason
  } cases[] = {
      {root.Path("missing/record.json"), kBatchExportNotWritten,
       "Unable to write the audit record " + root.Path("missing/record.json") + ": "},
      {root.Path("out/record.json"), kBatchNotStarted,
       "Unable to export the audit record to " + root.Path("out/record.json") +
           ": it lies in the output folder " + root.Path("out") + "/, which the next run empties"},
      {root.Path("in/GW_Test.bot"), kBatchNotStarted,
       "Unable to export the audit record to " + root.Path("in/GW_Test.bot") +
           ": it is the companion file " + root.Path("in/GW_Test.bot")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run({"--record", c.path}), c.status) << c.path.toStdString();

    EXPECT_TRUE(ErrLines().value(ErrLines().size() - 1).startsWith(c.errLine)) << err.str();
    EXPECT_FALSE(root.Exists("out/record.json"));
    EXPECT_FALSE(root.Exists("missing"));
  }
}
#endif

// --verify names every file of the record with its state and tells by its status whether all
// are still the ones of the run; the run's folder may be moved (--output).
TEST_F(AuditRecordTest, VerifyNamesEveryFileThatChanged) {
  ASSERT_EQ(Run(), kBatchSucceeded) << err.str();
  const QString record = root.Path(QString("out/") + kAuditRecordFile);
  const auto changeOneByte = [&](const QString& relative) {
    QByteArray bytes = root.Read(relative);
    bytes[10] = bytes[10] == 'x' ? 'y' : 'x';
    root.Write(relative, bytes);
  };
  const struct {
    const char* name;
    std::function<QStringList()> setUp;  // returns the arguments after the record
    int status;
    QStringList notOk;  // the lines that are not "ok"
  } cases[] = {
      {"unchanged", [] { return QStringList(); }, kRecordVerified, {}},
      {"an input changed in an archive",
       [&] {
         root.MakeFolder("archive");
         for (const QString& name : root.Names("out"))
           QFile::copy(root.Path("out/" + name), root.Path("archive/" + name));
         changeOneByte("archive/GW_Test.bot");
         root.Remove("archive/GW_Test_3.sum");
         return QStringList({"--output", root.Path("archive")});
       },
       kRecordDiffers,
       {"CHANGED    GW_Test.bot", "MISSING    GW_Test_3.sum"}},
      {"a result changed in place",
       [&] {
         changeOneByte("out/GW_Test_Tsb.sum");
         return QStringList();
       },
       kRecordDiffers,
       {"CHANGED    GW_Test_Tsb.sum"}},
  };
  for (const auto& c : cases) {
    const QStringList more = c.setUp();
    std::ostringstream out, verifyErr;

    EXPECT_EQ(
        AnswerCommandLine(QStringList({"TARN_SB", "--verify", record}) + more, out, verifyErr),
        c.status)
        << c.name;

    QStringList lines = TextLines(QByteArray::fromStdString(out.str()));
    ASSERT_FALSE(lines.isEmpty()) << c.name;
    const QString summary = lines.takeLast();
    EXPECT_TRUE(lines.contains("ok         GW_Test.tol")) << c.name;
    EXPECT_TRUE(lines.contains("ok         " + model)) << c.name;
    lines.removeIf([](const QString& line) { return line.startsWith("ok "); });
    EXPECT_EQ(lines, c.notOk) << c.name;
    EXPECT_EQ(summary.startsWith("All "), c.notOk.isEmpty()) << summary.toStdString();
    EXPECT_EQ(verifyErr.str(), "") << c.name;
  }
}

// A record that cannot be read ends the verification with status 2 and the reason.
TEST_F(AuditRecordTest, VerifyRefusesWhatIsNoRecord) {
  ASSERT_EQ(Run(), kBatchSucceeded) << err.str();
  QByteArray record = root.Read(QString("out/") + kAuditRecordFile);
  record.replace("\"sha256\"", "\"sha-256\"");
  root.Write("no-hashes.json", record);
  root.Write("garbage.json", "{ not json");
  const struct {
    const char* file;
    const char* reason;
  } cases[] = {
      {"missing.json", "it cannot be read ("},
      {"garbage.json", "it is no JSON text ("},
      {"no-hashes.json", "its field \"sha256\" is missing or wrong"},
  };
  for (const auto& c : cases) {
    std::ostringstream out, verifyErr;

    EXPECT_EQ(AnswerCommandLine({"TARN_SB", "--verify", root.Path(c.file)}, out, verifyErr),
              kRecordUnreadable);

    EXPECT_EQ(out.str(), "");
    EXPECT_TRUE(
        QString::fromStdString(verifyErr.str())
            .startsWith("Unable to read the audit record " + root.Path(c.file) + ": " + c.reason))
        << verifyErr.str();
  }
}

}  // namespace
}  // namespace tarn::frontend
