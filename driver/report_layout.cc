#include "driver/public/report_layout.h"

#include <charconv>

#include "driver/public/number_format.h"
#include "support/text.h"

namespace tarn {
namespace {

constexpr char kResultTableHeadingStart[] =
    "* ApplicationId      PEC80 for each compound; total number of compounds is: ";
// A results row: 2 blanks, the id in 4 columns, 12 blanks, then each value in 12 columns with 2
// blanks between two values.
constexpr size_t kFirstValueColumn = 18;
constexpr size_t kValueWidth = 12;
constexpr size_t kValueStep = 14;
// A ranked row: the compound's name in columns 11-25, the application id in columns 38-42.
constexpr size_t kNameColumn = 10;
constexpr size_t kShownNameLength = 15;
constexpr size_t kRankedIdColumn = 37;
constexpr size_t kRankedIdWidth = 5;
// Below this a ranked concentration is shown as 0.00.
constexpr double kSmallestShownConc = 1e-25;

// The columns of `line` from `first` on, at most `width` of them; empty past its end.
std::string_view Field(std::string_view line, size_t first, size_t width) {
  return first < line.size() ? line.substr(first, width) : std::string_view();
}

// `text` without the white space around it.
std::string_view Trimmed(std::string_view text) {
  const char* const kSpace = " \t\n\v\f\r";
  const size_t first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

// The whole of `text` as a number; nothing when it is not one.
template <typename Number>
std::optional<Number> WholeNumber(std::string_view text) {
  Number value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The value of a number written by G editing: fixed, 0.dddd with E and a two-digit exponent,
// 0.dddd+xxx for a three-digit exponent, NaN or Infinity.
std::optional<double> TableNumber(std::string_view field) {
  std::string text(Trimmed(field));
  const size_t sign = text.find_last_of("+-");
  if (sign != std::string::npos && sign > 0 && text[sign - 1] != 'E') text.insert(sign, 1, 'E');
  return WholeNumber<double>(text);
}

}  // namespace

std::string ResultTableHeading(int numCompounds) {
  return kResultTableHeadingStart + fmt::I(numCompounds, 3);
}

bool StartsAsResultTableHeading(std::string_view line) {
  return line.substr(0, sizeof kResultTableHeadingStart - 1) == kResultTableHeadingStart;
}

std::optional<int> ParseResultTableHeading(std::string_view line) {
  if (!StartsAsResultTableHeading(line)) return std::nullopt;
  const std::optional<int> numCompounds =
      WholeNumber<int>(Trimmed(line.substr(sizeof kResultTableHeadingStart - 1)));
  if (!numCompounds || *numCompounds < 1 || line != ResultTableHeading(*numCompounds)) {
    return std::nullopt;
  }
  return numCompounds;
}

std::string ResultTableValue(double conc) { return fmt::G(conc, kValueWidth, 4); }

std::string ResultTableRow(int appId, const std::vector<double>& concentrations) {
  std::string line = "  " + fmt::I(appId, 4) + std::string(12, ' ');
  for (size_t k = 0; k < concentrations.size(); ++k) {
    if (k > 0) line += "  ";
    line += ResultTableValue(concentrations[k]);
  }
  return line;
}

std::optional<std::vector<double>> ParseResultTableRow(std::string_view line, int appId,
                                                       int numCompounds) {
  std::vector<double> values;
  for (int k = 0; k < numCompounds; ++k) {
    const std::optional<double> value =
        TableNumber(Field(line, kFirstValueColumn + k * kValueStep, kValueWidth));
    if (!value) return std::nullopt;
    values.push_back(*value);
  }
  if (line != ResultTableRow(appId, values)) return std::nullopt;
  return values;
}

std::string ShownCompoundName(const std::string& name) {
  return std::string(TrimRight(Cut(name, kShownNameLength)));
}

std::string RankedRow(int position, const std::string& compoundName, double percentile, int appId,
                      double conc) {
  return "  " + fmt::I(position, 4) + "    " +
         PadRight(Cut(compoundName, kShownNameLength), kShownNameLength) + " " +
         fmt::F(percentile, 8, 2) + "   " + fmt::I(appId, 5) + std::string(8, ' ') +
         (conc < kSmallestShownConc ? fmt::F(0, 15, 2) : ConcText(conc));
}

std::optional<RankedRowFields> ParseRankedRow(std::string_view line) {
  const std::optional<int> appId =
      WholeNumber<int>(Trimmed(Field(line, kRankedIdColumn, kRankedIdWidth)));
  if (!appId) return std::nullopt;
  return RankedRowFields{std::string(Field(line, kNameColumn, kShownNameLength)), *appId};
}

std::string ConcText(double conc) { return fmt::E(conc, 15, 4, 'D'); }

std::vector<std::string> LeachingLines(const std::string& compoundName, double maxConc, int appId,
                                       const std::string& firstDate) {
  return {"* ", "* Results for compound: " + ShownCompoundName(compoundName),
          "* The maximum leaching concentration is: " + ConcText(maxConc) + " ug/L",
          "* This maximum occurs for applicationId: " + fmt::I(appId, 5),
          "* The first day of application for this applicationId is: " +
              fmt::A(TrimRight(firstDate), 6)};
}

}  // namespace tarn
