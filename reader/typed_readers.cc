#include "reader/typed_readers.h"

#include "driver/public/number_format.h"
#include "reader/free_format.h"
#include "reader/records.h"
#include "support/text.h"

namespace tarn {

namespace {

constexpr size_t kCompoundNameLength = 200;

}  // namespace

void WriteSeparator(Runtime& rt) { rt.WriteLine(kLogUnit, std::string(80, '-')); }

std::string RdString(Runtime& rt, std::string_view name, size_t capacity) {
  GetRecord(rt, name, 2);
  return Cut(Words(rt).Word(1), capacity);
}

int RdOption(Runtime& rt, std::string_view name, std::string_view optionList) {
  GetRecord(rt, name, 2);
  // Splitting the option list replaces the record's words.
  const std::string value = Words(rt).Word(1);
  WriteSeparator(rt);
  SplitWords(rt, optionList);
  std::string available;
  for (int i = 1; i <= Words(rt).NumWords(); ++i) {
    if (Words(rt).Word(i) == value) {
      rt.WriteLine(kLogUnit, fmt::A(TrimRight(name), 18) + " " + fmt::A(value, 18));
      return i;
    }
    available += " " + Words(rt).Word(i);
  }
  rt.Fail(
      -1,
      " Option in input file does not match possible options for " + std::string(TrimRight(name)),
      " The following options are available:", available);
}

double RdFloat(Runtime& rt, std::string_view name, std::string_view unitText, double min,
               double max) {
  GetRecord(rt, name, 2, unitText);
  WriteSeparator(rt);
  // The value is the first free-format item of the record line itself, so that forms such as
  // "90," are read as the number they start with.
  rt.units.BackOneLine(kInputUnit);
  std::string line;
  ReadUnitLine(rt, kInputUnit, line);
  bool lineGiven = false;
  FreeFormatReader reader([&](std::string& next) {
    if (lineGiven) return false;
    next = line;
    lineGiven = true;
    return true;
  });
  double value = 0;
  if (!reader.ReadNumber(value)) {
    rt.Fail(-1, " Fatal while reading record " + std::string(TrimRight(name)));
  }
  rt.WriteLine(kLogUnit, fmt::A(TrimRight(name), 18) + " " + fmt::A(TrimRight(unitText), 18) + " " +
                             fmt::G(value, 12, 5));
  CheckForMinimum(rt, name, value, min);
  CheckForMaximum(rt, name, value, max);
  return value;
}

void CheckForMinimum(Runtime& rt, std::string_view name, double value, double min) {
  if (value < min) {
    rt.Fail(-1, "FATAL: value < minimum",
            "Input was: " + fmt::G(value, 15, 7) + "; the mimimum value is: " + fmt::G(min, 15, 7),
            "Variable name is: " + std::string(TrimRight(name)));
  }
}

void CheckForMaximum(Runtime& rt, std::string_view name, double value, double max) {
  if (value > max) {
    rt.Fail(-1, "FATAL: value > maximum", "The maximum value is: " + fmt::F(max, 15, 7),
            "Variable name is: " + std::string(TrimRight(name)));
  }
}

void GetCompoundList(Runtime& rt) {
  WriteSeparator(rt);
  GetRecord(rt, "compounds", 2);
  const int count = CountRecord(rt, "compounds");
  GetRecord(rt, "compounds", 2);
  Compounds(rt).clear();
  std::string line;
  for (int i = 1; i <= count; ++i) {
    ReadUnitLine(rt, kInputUnit, line);
    Compounds(rt).emplace_back(TrimRight(Cut(line, kCompoundNameLength)));
    rt.WriteLine(kLogUnit, "Compound " + fmt::I(i, 3) + " " +
                               PadRight(Compounds(rt).back(), kCompoundNameLength));
  }
}

int NumberOfCompounds(Runtime& rt) { return static_cast<int>(Compounds(rt).size()); }

const std::string& CompoundName(Runtime& rt, int i) { return Compounds(rt).at(i - 1); }

}  // namespace tarn
