// The lines of the driver's summary report <RunId>_Tsb.sum: its marker lines and the lines of its
// result sections, each with the parser of what it writes. The report's writer (driver/report.h)
// writes them; whoever reads a report (the front end) reads it through these.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarn {

// The lines that open and close the report's header and leaching sections.
inline constexpr char prREPORTstart[] = "* TARN Doduvovuv REPORT: Header";
inline constexpr char prREPORTend[] = "* End of TARN Doduvovuv REPORT: Header";
inline constexpr char prLEACHstart[] = "* TARN Doduvovuv Report: Leaching";
inline constexpr char prLEACHend[] = "* End of TARN Doduvovuv Report: Leaching";

// The heading of the table of collected results, which ends in the number of compounds.
std::string ResultTableHeading(int numCompounds);
// Whether `line` starts as that heading does, whatever its number.
bool StartsAsResultTableHeading(std::string_view line);
// The number of compounds of a heading written as ResultTableHeading writes it (at least 1);
// nothing for any other line.
std::optional<int> ParseResultTableHeading(std::string_view line);

// A concentration as that table writes it: 4 digits in 12 columns.
std::string ResultTableValue(double conc);
// An application id's row of that table: each compound's concentration.
std::string ResultTableRow(int appId, const std::vector<double>& concentrations);
// The concentrations of the `numCompounds` compounds in a row written as ResultTableRow writes
// it for `appId`; nothing for any other line.
std::optional<std::vector<double>> ParseResultTableRow(std::string_view line, int appId,
                                                       int numCompounds);

// A row of the ranked table: the `position`-th lowest concentration of a compound.
std::string RankedRow(int position, const std::string& compoundName, double percentile, int appId,
                      double conc);
// The fields of a ranked row that a reader cannot know beforehand: the compound's name as the
// row shows it (its field, blanks kept) and the application id.
struct RankedRowFields {
  std::string nameField;
  int appId = 0;
};
// Those fields of a line read as a ranked row; nothing when the application id is no number. The
// caller checks the whole line against RankedRow.
std::optional<RankedRowFields> ParseRankedRow(std::string_view line);

// A concentration in the report's 15-column exponent form, as the leaching section and the
// ranked table write it.
std::string ConcText(double conc);

// A compound's lines of the leaching section: its highest concentration, the application id that
// gave it and that id's first application date.
std::vector<std::string> LeachingLines(const std::string& compoundName, double maxConc, int appId,
                                       const std::string& firstDate);

// A compound's name as the report shows it: its first 15 characters.
std::string ShownCompoundName(const std::string& name);

}  // namespace tarn
