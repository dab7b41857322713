// The dossier PDF of the bundled example, written by the headless program without a display and
// read back with poppler's tools; and the dossier files that headless mode refuses or cannot
// write.
#include "frontend/dossier_pdf.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <optional>
#include <sstream>

#include "driver/public/report_layout.h"
#include "frontend/audit_record.h"
#include "frontend/batch_mode.h"
#include "frontend/report_reader.h"
#include "frontend/testing.h"
#include "frontend/version.h"

namespace tarn::frontend {
namespace {

using testing::ProgramOutput;
using testing::TempFolder;

// The bundled example in a model input folder, an empty output folder and the built driver in
// bin below the current folder.
class DossierPdfTest : public ::testing::Test {
 protected:
  DossierPdfTest() : current(root.Path()) {
    testing::ClearSettings();
    root.MakeFolder("out");
    root.PlaceExample("in");
    root.PlaceDriver();
  }

  ~DossierPdfTest() override { testing::ClearSettings(); }

  QStringList ExampleOptions() const {
    return {"--input",  root.Path("in/GW_Test.tol"),
            "--model",  TARN_BIN_DIR "/model/TolvaModel.exe",
            "--output", root.Path("out"),
            "--quiet"};
  }

  TempFolder root;
  testing::CurrentFolder current;
};

// The program without a display writes the dossier of the example: every number of the report's
// result sections, the model input's hash and the versions can be read from it, its fonts are
// embedded, its charts are no pictures, every page names the run and the input's hash, and the
// run's audit record and CSV are attached as they are.
TEST_F(DossierPdfTest, ShowsTheReportWithItsEvidence) {
  for (const char* tool : {"pdftotext", "pdffonts", "pdfimages", "pdfdetach"}) {
    if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
      GTEST_SKIP() << tool << " is missing: install poppler-utils (tools/install-deps.sh)";
  }
  const QString pdf = root.Path("GW_Test.pdf");
  QProcess frontEnd;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    environment.remove(display);
  environment.insert("XDG_CONFIG_HOME", root.Path("config"));
  environment.insert("XDG_CONFIG_DIRS", root.Path("config"));
  frontEnd.setProcessEnvironment(environment);
  frontEnd.setWorkingDirectory(root.Path());
  frontEnd.start(TARN_BIN_DIR "/TARN_SB", QStringList("--batch") + ExampleOptions()
                                              << "--csv" << root.Path("GW_Test.csv") << "--pdf"
                                              << pdf);
  ASSERT_TRUE(frontEnd.waitForFinished(120000));
  ASSERT_EQ(frontEnd.exitCode(), kBatchSucceeded) << frontEnd.readAllStandardError().toStdString();

  const std::optional<QString> text = ProgramOutput("pdftotext", {"-layout", pdf, "-"});
  ASSERT_TRUE(text);
  static const QRegularExpression blanks(QStringLiteral("\\s+"));
  const QStringList words = text->split(blanks, Qt::SkipEmptyParts);
  const QSet<QString> shown(words.begin(), words.end());
  // Every number and date from the table of collected results to the end of the leaching
  // section, as the report writes it.
  const QStringList report = TextLines(root.Read("out/GW_Test_Tsb.sum"));
  const qsizetype from = report.indexOf(QRegularExpression(QStringLiteral("\\* ApplicationId .*")));
  const qsizetype to = report.indexOf(QLatin1String(prLEACHend));
  ASSERT_GE(from, 0);
  ASSERT_GT(to, from);
  static const QRegularExpression number(
      QStringLiteral("^([0-9]+(\\.[0-9]+)?([ED][+-][0-9]+)?|[0-9]{2}-[A-Z][a-z]{2})$"));
  int numbers = 0;
  for (qsizetype i = from; i <= to; ++i) {
    for (const QString& word : report[i].split(blanks, Qt::SkipEmptyParts)) {
      if (!number.match(word).hasMatch()) continue;
      ++numbers;
      EXPECT_TRUE(shown.contains(word)) << word.toStdString() << " of: " << report[i].toStdString();
    }
  }
  EXPECT_GT(numbers, 100);
  const QString sha256 = QString::fromLatin1(
      QCryptographicHash::hash(root.Read("in/GW_Test.tol"), QCryptographicHash::Sha256).toHex());
  // The driver's version as its report's header names it.
  const qsizetype driverLine =
      report.indexOf(QRegularExpression(QStringLiteral("\\* TARN Doduvovuv version .*")));
  ASSERT_GE(driverLine, 0);
  const QString driverVersion = report[driverLine].section(QLatin1Char(':'), 1).trimmed();
  const QString flowing = text->simplified();
  for (const QString& phrase :
       {QStringLiteral("version %1,").arg(QLatin1String(cProductVersion)),
        QStringLiteral("driver TARN_DoduVovuv version %1,").arg(driverVersion),
        QStringLiteral("front end TARN_SB version %1").arg(QLatin1String(cFrontEndVersion)),
        QStringLiteral("GW_Test.tol 4728 "), sha256}) {
    EXPECT_TRUE(flowing.contains(phrase)) << phrase.toStdString();
  }
  const QStringList pages = text->split(QLatin1Char('\f'), Qt::SkipEmptyParts);
  ASSERT_GE(pages.size(), 2);
  for (qsizetype page = 0; page < pages.size(); ++page) {
    EXPECT_TRUE(pages[page].simplified().contains(
        QStringLiteral("Run GW_Test Model input SHA-256 %1 Page %2 of %3")
            .arg(sha256)
            .arg(page + 1)
            .arg(pages.size())))
        << "page " << page + 1;
  }

  // pdffonts: a table below two heading lines; "emb" is the fifth column from the right.
  const std::optional<QString> fonts = ProgramOutput("pdffonts", {pdf});
  ASSERT_TRUE(fonts);
  const QStringList fontLines = fonts->split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
  EXPECT_FALSE(fontLines.isEmpty());
  for (const QString& line : fontLines) {
    const QStringList columns = line.split(blanks, Qt::SkipEmptyParts);
    ASSERT_GE(columns.size(), 6) << line.toStdString();
    EXPECT_EQ(columns[columns.size() - 5], "yes") << line.toStdString();
  }
  const std::optional<QString> images = ProgramOutput("pdfimages", {"-list", pdf});
  ASSERT_TRUE(images);
  EXPECT_EQ(images->split(QLatin1Char('\n'), Qt::SkipEmptyParts).size(), 2)
      << images->toStdString();

  root.MakeFolder("attached");
  ASSERT_TRUE(ProgramOutput("pdfdetach", {"-saveall", "-o", root.Path("attached"), pdf}));
  EXPECT_EQ(root.Names("attached"), QStringList({"GW_Test.csv", "GW_Test_record.json"}));
  EXPECT_EQ(root.Read("attached/GW_Test_record.json"),
            root.Read(QStringLiteral("out/") + kAuditRecordFile));
  EXPECT_EQ(root.Read("attached/GW_Test.csv"), root.Read("GW_Test.csv"));
}

// A dossier that would replace an input or land in the output folder is refused before the run;
// one that cannot be written after a successful run gives its own status, and no file.
TEST_F(DossierPdfTest, RefusesOrReportsADossierItCannotWrite) {
  const QString input = root.Path("in/GW_Test.tol");
  const struct {
    QString pdf;
    int status;
    QString errLine;  // its start when the system's reason follows
  } cases[] = {
      {input, kBatchNotStarted,
       "Unable to export the dossier to " + input + ": it is the model input file " + input},
      {root.Path("out/GW_Test.pdf"), kBatchNotStarted,
       "Unable to export the dossier to " + root.Path("out/GW_Test.pdf") +
           ": it lies in the output folder " + root.Path("out") + "/, which the next run empties"},
      {root.Path("missing/GW_Test.pdf"), kBatchExportNotWritten,
       "Unable to write the PDF file " + root.Path("missing/GW_Test.pdf") + ": "},
  };
  const QByteArray before = root.Read("in/GW_Test.tol");
  for (const auto& c : cases) {
    std::ostringstream out, err, console;
    EXPECT_EQ(RunBatch(QStringList({"TARN_SB", "--batch"}) + ExampleOptions() << "--pdf" << c.pdf,
                       out, err, console),
              c.status)
        << c.pdf.toStdString();
    const QStringList errLines = TextLines(QByteArray::fromStdString(err.str()));
    ASSERT_EQ(errLines.size(), 1) << err.str();
    EXPECT_TRUE(errLines[0].startsWith(c.errLine)) << errLines[0].toStdString();
    EXPECT_EQ(out.str().empty(), c.status == kBatchNotStarted);
    EXPECT_FALSE(root.Exists("missing"));
    EXPECT_EQ(root.Read("in/GW_Test.tol"), before);
  }
}

}  // namespace
}  // namespace tarn::frontend
