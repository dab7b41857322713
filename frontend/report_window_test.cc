// The report window's charts and CSV export, driven offscreen on the bundled example's run.
#include "frontend/report_window.h"

#include <gtest/gtest.h>

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QLegendMarker>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScatterSeries>
#include <QTest>
#include <QXYSeries>
#include <algorithm>
#include <functional>
#include <sstream>

#include "frontend/audit_record.h"
#include "frontend/batch_mode.h"
#include "frontend/testing.h"

namespace tarn::frontend {
namespace {

using testing::TempFolder;

// The bundled example's Monthly run in the output folder "out", made by the headless mode.
class ReportWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::CurrentFolder current(root.Path());
    root.MakeFolder("out");
    root.PlaceExample("in");
    root.PlaceDriver();
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(RunBatch({"TARN_SB", "--batch", "--input", root.Path("in/GW_Test.tol"), "--model",
                        TARN_BIN_DIR "/model/TolvaModel.exe", "--output", root.Path("out")},
                       out, err, err),
              kBatchSucceeded)
        << err.str();
  }

  RunReportData Load() const { return LoadReportData(root.Path("out"), "GW_Test"); }
  RunSettings Settings() const {
    return {root.Path("in/GW_Test.tol"),
            TARN_BIN_DIR "/model/TolvaModel.exe",
            root.Path("out"),
            root.Path("bin/TARN_DoduVovuv"),
            "Monthly",
            "20",
            "80",
            "310"};
  }

  TempFolder root;
  testing::RecordingDialogs dialogs;
};

// What a chart shows: its title, the season's points and the marked point with its label.
struct Chart {
  QString title;
  QList<QPointF> season;
  QList<QPointF> selected;
  QString selectedLabel;
};

std::vector<Chart> Charts(TfrmReport& window) {
  std::vector<Chart> charts;
  for (QChartView* view : window.findChildren<QChartView*>("chtLeaching")) {
    const QList<QAbstractSeries*> series = view->chart()->series();
    EXPECT_EQ(series.size(), 2);
    if (series.size() != 2) continue;
    auto* selected = qobject_cast<QScatterSeries*>(series[1]);
    EXPECT_NE(selected, nullptr);
    if (!selected) continue;
    // The legend shows the selected point's label, and nothing else.
    QList<QLegendMarker*> markers = view->chart()->legend()->markers();
    EXPECT_EQ(std::count_if(markers.begin(), markers.end(),
                            [](QLegendMarker* marker) { return marker->isVisible(); }),
              1);
    EXPECT_TRUE(view->chart()->legend()->markers(selected).front()->isVisible());
    charts.push_back({view->chart()->title(), static_cast<QXYSeries*>(series[0])->points(),
                      selected->points(), selected->name()});
  }
  return charts;
}

// The example run's report shows a chart per compound: the concentration of each month's id
// on its first application day, the driver's selection marked and labelled.
TEST_F(ReportWindowTest, ChartsTheExampleRun) {
  std::vector<Chart> charts;
  bool exportEnabled = false;
  const auto show = [&] { ShowReport({"* the report"}, Load(), Settings(), dialogs); };

  EXPECT_EQ(testing::AnswerModal<TfrmReport>(
                show,
                [&](TfrmReport& window) {
                  charts = Charts(window);
                  exportEnabled = window.findChild<QPushButton*>("btnExportCsv")->isEnabled();
                  EXPECT_EQ(window.findChild<QLabel*>("lblChartNote"), nullptr);
                }),
            1);

  ASSERT_EQ(charts.size(), 2u);
  EXPECT_EQ(charts[0].title, "Tarnazine");
  EXPECT_EQ(charts[0].season, QList<QPointF>({{15, 0.2682},
                                              {46, 0.1590},
                                              {74, 0.05401},
                                              {105, 0.0004688},
                                              {135, 0.0007632},
                                              {166, 0.002431},
                                              {196, 0.008320},
                                              {227, 0.02876},
                                              {258, 0.08484},
                                              {288, 0.1939},
                                              {319, 0.2971},
                                              {349, 0.3211}}));
  EXPECT_EQ(charts[0].selected, QList<QPointF>({{349, 0.3211}}));
  EXPECT_EQ(charts[0].selectedLabel, "Selected: id 12, 15-Dec, 0.3211 ug/L");
  EXPECT_EQ(charts[1].title, "Tarnazine_Met");
  EXPECT_EQ(charts[1].season, QList<QPointF>({{15, 0.07934},
                                              {46, 0.04984},
                                              {74, 0.02572},
                                              {105, 0.01714},
                                              {135, 0.02186},
                                              {166, 0.02972},
                                              {196, 0.04124},
                                              {227, 0.05748},
                                              {258, 0.07686},
                                              {288, 0.09602},
                                              {319, 0.1057},
                                              {349, 0.09966}}));
  EXPECT_EQ(charts[1].selected, QList<QPointF>({{319, 0.1057}}));
  EXPECT_EQ(charts[1].selectedLabel, "Selected: id 11, 15-Nov, 0.1057 ug/L");
  EXPECT_TRUE(exportEnabled);
}

// At its smallest the window still fits its parts (nothing is cut off by a layout that needs
// more room), and every month of every chart is wide enough for its name, so none is shortened.
TEST_F(ReportWindowTest, ReadableAtItsSmallestSize) {
  TfrmReport window;
  window.SetReport({"* the report"});
  window.SetReportData(Load(), Settings(), dialogs);
  window.resize(window.minimumSize());
  window.show();
  QCoreApplication::processEvents();

  EXPECT_LE(window.layout()->totalMinimumSize().width(), window.width());
  EXPECT_LE(window.layout()->totalMinimumSize().height(), window.height());
  const QList<QChartView*> views = window.findChildren<QChartView*>("chtLeaching");
  ASSERT_EQ(views.size(), 2);
  for (QChartView* view : views) {
    auto* months = qobject_cast<QCategoryAxis*>(view->chart()->axes(Qt::Horizontal).value(0));
    ASSERT_NE(months, nullptr);
    const QFontMetrics metrics(months->labelsFont());
    const qreal dayWidth = view->chart()->plotArea().width() / months->max();
    qreal monthStart = 0;
    for (const QString& name : months->categoriesLabels()) {
      const qreal monthEnd = months->endValue(name);
      EXPECT_GE((monthEnd - monthStart) * dayWidth, metrics.horizontalAdvance(name))
          << view->chart()->title().toStdString() << " " << name.toStdString();
      monthStart = monthEnd;
    }
  }
}

// Export CSV proposes <base>.csv beside the output folder and writes the chosen file; a
// cancelled choice writes nothing, a file that cannot be written gives an error, and so do a
// link to the model input and a file in the output folder, which stay as they are. Only a file
// written is confirmed.
TEST_F(ReportWindowTest, ExportsTheCsvToTheChosenFile) {
  const RunReportData report = Load();
  ASSERT_TRUE(report.data);
  ASSERT_TRUE(QFile::link(root.Path("in/GW_Test.tol"), root.Path("chosen.tol")));
  const QByteArray input = root.Read("in/GW_Test.tol");
  const QByteArray summary = root.Read("out/GW_Test_Tsb.sum");
  const struct {
    std::optional<QString> pick;
    bool written;
    // The whole message, or its start when the system's reason follows.
    QStringList errors;
  } cases[] = {
      {root.Path("chosen.csv"), true, {}},
      {std::nullopt, false, {}},
      {root.Path("missing/chosen.csv"),
       false,
       {"Unable to write the CSV file " + root.Path("missing/chosen.csv") + ": "}},
      {root.Path("chosen.tol"),
       false,
       {"Unable to export the results to " + root.Path("chosen.tol") +
        ": it is the model input file " + root.Path("in/GW_Test.tol")}},
      {root.Path("out/GW_Test_Tsb.sum"),
       false,
       {"Unable to export the results to " + root.Path("out/GW_Test_Tsb.sum") +
        ": it lies in the output folder " + root.Path("out") + "/, which the next run empties"}},
  };
  for (const auto& c : cases) {
    root.Remove("chosen.csv");
    testing::RecordingDialogs answers;
    answers.picks = {c.pick};
    TfrmReport window;
    window.SetReportData(report, Settings(), answers);

    QTest::mouseClick(window.findChild<QPushButton*>("btnExportCsv"), Qt::LeftButton);

    EXPECT_EQ(answers.pickerFolders, QStringList({root.Path("GW_Test.csv")}));
    EXPECT_EQ(root.Read("chosen.csv"), c.written ? ReportCsv(*report.data) : QByteArray());
    EXPECT_EQ(window.findChild<QLabel*>("lblStatus")->text(),
              c.written ? "Saved chosen.csv" : "");
    ASSERT_EQ(answers.errors.size(), c.errors.size());
    if (!c.errors.isEmpty() && c.errors[0].endsWith(": ")) {
      EXPECT_TRUE(answers.errors[0].startsWith(c.errors[0])) << answers.errors[0].toStdString();
    } else {
      EXPECT_EQ(answers.errors, c.errors);
    }
  }
  EXPECT_EQ(root.Read("in/GW_Test.tol"), input);
  EXPECT_EQ(root.Read("out/GW_Test_Tsb.sum"), summary);
}

// Export PDF proposes <base>.pdf beside the output folder and writes the dossier to the chosen
// file; an input or a file in the output folder is refused, and a file that cannot be written
// is named.
TEST_F(ReportWindowTest, ExportsTheDossierToTheChosenFile) {
  const struct {
    std::optional<QString> pick;
    bool written;
    QString error;  // its start when the system's reason follows
  } cases[] = {
      {root.Path("chosen.pdf"), true, {}},
      {std::nullopt, false, {}},
      {root.Path("missing/chosen.pdf"), false,
       "Unable to write the PDF file " + root.Path("missing/chosen.pdf") + ": "},
      {root.Path("in/GW_Test.tol"), false,
       "Unable to export the dossier to " + root.Path("in/GW_Test.tol") +
           ": it is the model input file " + root.Path("in/GW_Test.tol")},
      {root.Path("out/chosen.pdf"), false,
       "Unable to export the dossier to " + root.Path("out/chosen.pdf") +
           ": it lies in the output folder " + root.Path("out") + "/, which the next run empties"},
  };
  const QByteArray input = root.Read("in/GW_Test.tol");
  for (const auto& c : cases) {
    testing::RecordingDialogs answers;
    answers.picks = {c.pick};
    TfrmReport window;
    window.SetReportData(Load(), Settings(), answers);

    auto* btnExportPdf = window.findChild<QPushButton*>("btnExportPdf");
    ASSERT_NE(btnExportPdf, nullptr);
    EXPECT_EQ(btnExportPdf->text().remove(QLatin1Char('&')), "Export PDF...");
    QTest::mouseClick(btnExportPdf, Qt::LeftButton);

    EXPECT_EQ(answers.pickerFolders, QStringList({root.Path("GW_Test.pdf")}));
    EXPECT_EQ(root.Read("chosen.pdf").startsWith("%PDF-"), c.written);
    EXPECT_FALSE(root.Exists("out/chosen.pdf"));
    EXPECT_EQ(window.findChild<QLabel*>("lblStatus")->text(), c.written ? "Saved chosen.pdf" : "");
    ASSERT_EQ(answers.errors.size(), c.error.isEmpty() ? 0 : 1);
    if (!c.error.isEmpty()) {
      EXPECT_TRUE(answers.errors[0].startsWith(c.error)) << answers.errors[0].toStdString();
    }
    root.Remove("chosen.pdf");
  }
  EXPECT_EQ(root.Read("in/GW_Test.tol"), input);
}

// Save audit record proposes <base>_record.json beside the output folder and writes the run's
// record there; never into the output folder, and not when the folder holds no record.
TEST_F(ReportWindowTest, SavesTheAuditRecord) {
  const QString record = QStringLiteral("out/") + kAuditRecordFile;
  const QByteArray recorded = root.Read(record);
  const struct {
    QString pick;
    std::function<void()> setUp;
    bool written;
    QString error;  // its start when the system's reason follows
  } cases[] = {
      {root.Path("chosen.json"), [] {}, true, {}},
      {root.Path("out/chosen.json"), [] {}, false,
       "Unable to export the audit record to " + root.Path("out/chosen.json") +
           ": it lies in the output folder " + root.Path("out") + "/, which the next run empties"},
      {root.Path("chosen.json"), [&] { root.Remove(record); }, false,
       "Unable to write the audit record " + root.Path("chosen.json") +
           ": the output folder's record " + root.Path(record) +
           " cannot be used: it cannot be read ("},
  };
  for (const auto& c : cases) {
    c.setUp();
    testing::RecordingDialogs answers;
    answers.picks = {c.pick};
    TfrmReport window;
    window.SetReportData(Load(), Settings(), answers);

    QTest::mouseClick(window.findChild<QPushButton*>("btnSaveRecord"), Qt::LeftButton);

    EXPECT_EQ(answers.pickerFolders, QStringList({root.Path("GW_Test_record.json")}));
    EXPECT_EQ(root.Exists("chosen.json") || root.Exists("out/chosen.json"), c.written);
    EXPECT_EQ(root.Read("chosen.json"), c.written ? recorded : QByteArray());
    EXPECT_EQ(window.findChild<QLabel*>("lblStatus")->text(), c.written ? "Saved chosen.json" : "");
    ASSERT_EQ(answers.errors.size(), c.error.isEmpty() ? 0 : 1);
    if (!c.error.isEmpty()) {
      EXPECT_TRUE(answers.errors[0].startsWith(c.error)) << answers.errors[0].toStdString();
    }
    root.Remove("chosen.json");
  }
}

// A run whose files are missing or incomplete keeps its text and shows a note in place of the
// charts; there is nothing to export.
TEST_F(ReportWindowTest, ShowsANoteInPlaceOfTheCharts) {
  const QString summary = root.Path("out/GW_Test_Tsb.sum");
  const struct {
    const char* name;
    std::function<void(TfrmReport&)> setUp;
    QString note;
  } cases[] = {
      {"no run files given", [](TfrmReport&) {},
       "No chart: The report window was not told where the run's files are."},
      {"missing summary report",
       [&](TfrmReport& window) {
         root.Remove("out/GW_Test_Tsb.sum");
         window.SetReportData(Load(), Settings(), dialogs);
       },
       "No chart: The summary report " + summary + " was not found."},
  };
  for (const auto& c : cases) {
    TfrmReport window;
    window.SetReport({"* the report"});
    c.setUp(window);

    const QLabel* note = window.findChild<QLabel*>("lblChartNote");
    ASSERT_NE(note, nullptr) << c.name;
    EXPECT_EQ(note->text(), c.note) << c.name;
    EXPECT_EQ(window.findChildren<QChartView*>().size(), 0) << c.name;
    EXPECT_FALSE(window.findChild<QPushButton*>("btnExportCsv")->isEnabled()) << c.name;
    EXPECT_EQ(window.findChild<QPlainTextEdit*>("memReoport")->toPlainText(), "* the report")
        << c.name;
  }
}

}  // namespace
}  // namespace tarn::frontend
