// Small helpers for the blank-padded texts of the model family's files.
#pragma once

#include <string>
#include <string_view>

namespace tarn {

// The text without its trailing blanks (leading blanks stay).
std::string_view TrimRight(std::string_view text);

// The first `capacity` characters of the text.
std::string Cut(std::string_view text, size_t capacity);

// The text blank-padded on the right to `width` characters (a longer text stays whole).
std::string PadRight(std::string_view text, size_t width);

// True when the text holds nothing but blanks.
bool IsBlank(std::string_view text);

}  // namespace tarn
