// Dossier PDF: the report of a successful run as an A4 PDF file that an assessor can file. It
// shows what was run (the programs, the model input and its companions with their hashes, the
// settings), what came out (the results as the driver's report writes them, ranked per compound
// with percentiles, the worst case set apart and charted) and how the candidates were ranked, and
// carries the run's audit record and its results as CSV as attached files.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

#include "frontend/report_data.h"
#include "frontend/run_preparation.h"

namespace tarn::frontend {

// Writes the dossier of the run of `settings`, which succeeded with the results `data`, to
// `path`, replacing the file only once it is complete. The run's audit record is read from its
// output folder. Needs a QApplication, since the charts are widgets. Throws std::runtime_error
// ("Unable to write the PDF file ...") when the file cannot be written or the output folder
// holds no record of this run and these results.
void WriteDossierPdf(const QString& path, const RunSettings& settings, const ReportData& data);

// A successful scenario of a run plan, whose dossier is a part of the plan's.
struct PlanDossierRun {
  QString scenario;  // its name in the plan
  RunSettings settings;
  ReportData data;
};

// What the dossier of a run plan shows: the plan, its summary, and its successful scenarios.
struct PlanDossier {
  QString planFile;      // the plan's path
  QString outputFolder;  // the plan's output folder
  // The summary table's rows below its heading row: scenario, compound, concentration,
  // application id, first application day, day of year and outcome.
  std::vector<QStringList> summary;
  QByteArray summaryCsv;  // the summary as its CSV file holds it
  std::vector<PlanDossierRun> runs;
};

// Writes the dossier of a run plan to `path`: the summary table first, then the dossier of each
// successful scenario as WriteDossierPdf writes it, its pages naming the scenario too. Attached
// are the summary as CSV and each scenario's audit record and results as CSV. Needs a
// QApplication and throws as WriteDossierPdf does.
void WritePlanDossierPdf(const QString& path, const PlanDossier& plan);

}  // namespace tarn::frontend
