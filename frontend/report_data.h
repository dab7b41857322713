// Report data: the leaching concentration of every application id and compound of a finished
// run, placed in the year by its first application day and ranked, read from the run's own
// files in the output folder (the driver's summary report and the per-application model inputs)
// and checked against the driver's ranking and selection. Feeds the report window's charts and
// the CSV export; needs no widgets.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace tarn::frontend {

// One application id's result for one compound.
struct ApplicationResult {
  int appId = 0;
  QString firstDate;       // dd-Mmm of the id's first application, from its model input
  int dayOfYear = 0;       // that date's day in a common year: 15-Jan is 15, 15-Dec is 349
  QString concText;        // the concentration as the results table writes it (4 digits)
  double conc = 0;         // its value, in ug/L
  int rank = 0;            // 1 for the lowest concentration, N for the selected one
  double percentile = 0;   // the Hazen plotting position of the rank, (rank - 0.5) / N * 100
  bool worstCase = false;  // the application the driver selected for the compound
};

// The results of one compound, in the order of the application ids.
struct CompoundResults {
  QString name;  // as the report shows it: its first 15 characters
  std::vector<ApplicationResult> results;

  const ApplicationResult& WorstCase() const;
};

// The results of a run, complete and in agreement with the driver's report.
struct ReportData {
  QString outputFolder;
  QString baseName;
  std::vector<CompoundResults> compounds;  // in the order of the compound list
};

// The report data of a run, or the note that tells the user why there are none (a sentence
// that names the file at fault).
struct RunReportData {
  std::optional<ReportData> data;
  QString note;
};

// Reads <base>_Tsb.sum and the first application row of every <base>_<AppId>.tol in
// `outputFolder`. Files that are missing, incomplete or do not agree with each other give a
// note instead of data.
RunReportData LoadReportData(const QString& outputFolder, const QString& baseName);

// The day in a common year (1900) of a dd-Mmm date, 0 for 00-Jan; nothing for any other text.
std::optional<int> DayOfYear(const QString& date);

// A number as the results table writes it (fixed or 0.dddd with an exponent) as a decimal
// number without exponent and with the same digits: 0.4688E-03 gives 0.0004688.
QString PlainDecimal(const QString& tableText);

// A field as the CSV export writes it: quoted only when it holds a comma, a double quote, a
// line break or a leading or trailing blank.
QString CsvField(const QString& text);

// The CSV form of the data: a header row, then one row per application id and compound.
QByteArray ReportCsv(const ReportData& data);

// Writes ReportCsv to `path`, replacing the file only once it is complete. Throws
// std::runtime_error when it cannot be written.
void WriteReportCsv(const QString& path, const ReportData& data);

}  // namespace tarn::frontend
