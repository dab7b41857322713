// Dossier PDF: the report of a successful run as an A4 PDF file that an assessor can file. It
// shows what was run (the programs, the model input and its companions with their hashes, the
// settings), what came out (the results as the driver's report writes them, ranked per compound
// with percentiles, the worst case set apart and charted) and how the candidates were ranked, and
// carries the run's audit record and its results as CSV as attached files.
#pragma once

#include <QString>

#include "frontend/report_data.h"
#include "frontend/run_preparation.h"

namespace tarn::frontend {

// Writes the dossier of the run of `settings`, which succeeded with the results `data`, to
// `path`, replacing the file only once it is complete. The run's audit record is read from its
// output folder. Needs a QApplication, since the charts are widgets. Throws std::runtime_error
// ("Unable to write the PDF file ...") when the file cannot be written or the output folder
// holds no record of this run and these results.
void WriteDossierPdf(const QString& path, const RunSettings& settings, const ReportData& data);

}  // namespace tarn::frontend
