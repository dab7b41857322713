#include "reader/records.h"

#include <algorithm>

#include "driver/public/number_format.h"
#include "support/text.h"

namespace tarn {

bool ReadUnitLine(Runtime& rt, int unit, std::string& line, size_t capacity) {
  if (!rt.units.ReadLine(unit, line)) {
    line.clear();
    return false;
  }
  if (line.size() > capacity) line.resize(capacity);
  return true;
}

bool FindRecord(Runtime& rt, std::string_view keyword, int column) {
  const std::string key(TrimRight(keyword));
  rt.units.Rewind(kInputUnit);
  for (std::string line; ReadUnitLine(rt, kInputUnit, line);) {
    // The substring test only skips lines cheaply (and spares them the word-length check); the
    // word comparison decides.
    if (IsBlank(line) || line.find(key) == std::string::npos) continue;
    SplitWords(rt, line);
    if (Words(rt).NumWords() >= column && Words(rt).Word(column) == key) return true;
  }
  return false;
}

void GetRecord(Runtime& rt, std::string_view keyword, int column,
               std::optional<std::string_view> unitText) {
  const std::string key(TrimRight(keyword));
  if (!FindRecord(rt, key, column)) {
    rt.Fail(-1, "Cannot find record " + key + " (column " + fmt::I(column, 2) + ", unit " +
                    fmt::I(kInputUnit, 3) + ")");
  }
  if (!unitText) return;
  const std::string unit(TrimRight(*unitText));
  if (Words(rt).NumWords() <= column) {
    rt.Fail(-1, "You have to specify a dimension for " + key + " Its value should be " + unit);
  }
  if (Words(rt).Word(column + 1) != unit) {
    rt.Fail(-1, "Dimension for " + key + " should be " + unit);
  }
}

int CountRecord(Runtime& rt, std::string_view tableName) {
  int count = 0;
  std::string line;
  for (;;) {
    if (!ReadUnitLine(rt, kInputUnit, line)) {
      rt.Fail(-1, "FATAL while COUNTING records in " + std::string(TrimRight(tableName)));
    }
    if (line.find("end_table") != std::string::npos) return count;
    ++count;
  }
}

void SplitWords(Runtime& rt, std::string_view line) {
  std::string text(line);
  std::replace(text.begin(), text.end(), '\t', ' ');
  std::vector<std::string> words;
  size_t pos = 0;
  for (;;) {
    size_t start = text.find_first_not_of(' ', pos);
    if (start == std::string::npos) break;
    size_t end = std::min(text.find(' ', start), text.size());
    if (end - start > WordList::kWordLength) {
      rt.Fail(-1, "Word too long in line: " + std::string(TrimRight(text)),
              "Word is: " + text.substr(start, WordList::kWordLength),
              "Maximum length is: " + std::to_string(WordList::kWordLength));
    }
    words.push_back(text.substr(start, end - start));
    pos = end;
  }
  Words(rt).Assign(std::move(words));
}

std::string WordsToScratch(Runtime& rt, int skip) {
  std::string line;
  for (int i = skip + 1; i <= Words(rt).NumWords(); ++i) line += Words(rt).Word(i) + "   ";
  return line;
}

}  // namespace tarn
