// Records, tables and words of the keyword-and-table files read on the input unit: a record is
// the first line whose word number Column is the keyword; a table is a header line naming it,
// its rows, and the first line that holds "end_table".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "reader/reader_state.h"
#include "support/runtime.h"

namespace tarn {

constexpr size_t kLineLength = 512;

// Reads the next line of `unit`, cut to `capacity` characters. False at the end of the file.
bool ReadUnitLine(Runtime& rt, int unit, std::string& line, size_t capacity = kLineLength);

// Like GetRecord without a unit text, for a record that may be absent: false when there is none.
bool FindRecord(Runtime& rt, std::string_view keyword, int column);

// Positions the input unit just after the record line of `keyword` (word number `column`) and
// leaves that line's words in the word list. With a unit text, the next word must be that text.
void GetRecord(Runtime& rt, std::string_view keyword, int column,
               std::optional<std::string_view> unitText = std::nullopt);

// The number of lines from the input unit's position up to the first one holding "end_table";
// the unit is left just after that line.
int CountRecord(Runtime& rt, std::string_view tableName);

// Splits the line into the shared word list (blanks and tabs separate words).
void SplitWords(Runtime& rt, std::string_view line);

// The line that the scratch copy of a row holds: the words after the first `skip`, each followed
// by three blanks. It is read in free format from memory; no scratch file is left behind.
std::string WordsToScratch(Runtime& rt, int skip);

}  // namespace tarn
