// Free-format (list-directed) input of numbers and words from text lines, as the model family's
// files are read: items are separated by blanks, tabs or one comma; a read that needs more items
// than a line holds continues on the next line.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tarn {

// One free-format read statement: its items come in order from the lines of a source, beginning
// with a fresh line.
class FreeFormatReader {
 public:
  // Hands the next line to the reader; false when there is none left.
  using LineSource = std::function<bool(std::string& line)>;

  // `allowNonFinite`: "NaN" and "Inf" (in any case, "Infinity" too, with a sign) are numbers.
  explicit FreeFormatReader(LineSource nextLine, bool allowNonFinite = false);

  // Reads the next item as a number: integer, decimal or exponent form with E or D in either
  // case and optional signs. False when no line is left, the item is not a number, or two
  // separators stand with nothing between them.
  bool ReadNumber(double& value);

  // Reads the next item as a word of which the first `keep` characters are kept. False when no
  // line is left, two separators stand with nothing between them, or the item is a repeat
  // count ("3*abc").
  bool ReadText(std::string& text, size_t keep);

 private:
  bool NextItem(std::string& item);

  LineSource nextLine_;
  bool allowNonFinite_;
  std::string line_;
  size_t pos_ = 0;
  // After an item, until the one comma its separator may hold has been passed.
  bool commaAllowed_ = false;
};

// Reads `text` as one free-format number item that stands alone (for example a word of a
// record). False when it is not a number.
bool ParseFreeFormatNumber(std::string_view text, double& value, bool allowNonFinite = false);

}  // namespace tarn
