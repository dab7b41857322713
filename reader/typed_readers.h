// Typed values from records of the input unit: a text, an option out of a list, a real with its
// unit text and range, and the compound list of the model input. Each value read is echoed to
// the log file after a line of 80 hyphens; a bad value stops the run.
#pragma once

#include <string>
#include <string_view>

#include "reader/reader_state.h"
#include "support/runtime.h"

namespace tarn {

// The record's first word, cut to `capacity` characters.
std::string RdString(Runtime& rt, std::string_view name, size_t capacity = 512);

// The position (from 1) of the record's first word in the blank-separated `optionList`.
int RdOption(Runtime& rt, std::string_view name, std::string_view optionList);

// The record's value as a real; its third word must be `unitText`, and it must lie in
// [min, max].
double RdFloat(Runtime& rt, std::string_view name, std::string_view unitText, double min,
               double max);

// The line of 80 hyphens that the log holds before each value read.
void WriteSeparator(Runtime& rt);

void CheckForMinimum(Runtime& rt, std::string_view name, double value, double min);
void CheckForMaximum(Runtime& rt, std::string_view name, double value, double max);

// Reads the table compounds of the model input into Compounds(rt) and lists it in the log.
void GetCompoundList(Runtime& rt);
int NumberOfCompounds(Runtime& rt);
// The name of compound i (from 1): the row's first 200 characters without trailing blanks.
const std::string& CompoundName(Runtime& rt, int i);

}  // namespace tarn
