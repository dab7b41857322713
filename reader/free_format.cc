#include "reader/free_format.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <limits>
#include <utility>

namespace tarn {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Counts the digits at `pos` and moves past them.
size_t SkipDigits(std::string_view text, size_t& pos) {
  const size_t start = pos;
  while (pos < text.size() && IsDigit(text[pos])) ++pos;
  return pos - start;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

// "NaN", "Inf" and "Infinity" in any case, after an optional sign.
bool ParseNonFinite(std::string_view text, double& value) {
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
  if (EqualsIgnoringCase(text, "nan")) {
    value = std::numeric_limits<double>::quiet_NaN();
    return true;
  }
  if (EqualsIgnoringCase(text, "inf") || EqualsIgnoringCase(text, "infinity")) {
    value = negative ? -std::numeric_limits<double>::infinity()
                     : std::numeric_limits<double>::infinity();
    return true;
  }
  return false;
}

// A repeat count ("3*1.0") stands for several items in Fortran's list-directed input; the
// model family's files never use one, so it is refused rather than half supported.
bool IsRepeatCount(std::string_view item) {
  size_t pos = 0;
  return SkipDigits(item, pos) > 0 && pos < item.size() && item[pos] == '*';
}

}  // namespace

// The grammar: [sign] (digits [. [digits]] | . digits) [(E|e|D|d) [sign] digits]. Fortran's
// exponent without a letter ("1.0+5") is refused: no input of the model family writes it, and a
// stray sign inside a word is then an error instead of a silent factor.
bool ParseFreeFormatNumber(std::string_view text, double& value, bool allowNonFinite) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  if (allowNonFinite && ParseNonFinite(text, value)) return true;

  size_t pos = 0;
  const bool negative = pos < text.size() && text[pos] == '-';
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
  const size_t mantissaStart = pos;
  size_t digits = SkipDigits(text, pos);
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    digits += SkipDigits(text, pos);
  }
  if (digits == 0) return false;
  std::string number(text.substr(mantissaStart, pos - mantissaStart));
  if (pos < text.size() && std::string_view("EeDd").find(text[pos]) != std::string_view::npos) {
    ++pos;
    const size_t exponentStart = pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
    if (SkipDigits(text, pos) == 0) return false;
    std::string_view exponent = text.substr(exponentStart, pos - exponentStart);
    if (exponent.front() == '+') exponent.remove_prefix(1);  // from_chars takes no '+'
    number += 'e';
    number += exponent;
  }
  if (pos != text.size()) return false;

  // A number beyond the range of a double, too large or too small, is refused rather than
  // turned into infinity or zero.
  double magnitude = 0;
  const auto result = std::from_chars(number.data(), number.data() + number.size(), magnitude);
  if (result.ec != std::errc() || result.ptr != number.data() + number.size()) return false;
  value = negative ? -magnitude : magnitude;
  return true;
}

FreeFormatReader::FreeFormatReader(LineSource nextLine, bool allowNonFinite)
    : nextLine_(std::move(nextLine)), allowNonFinite_(allowNonFinite) {}

bool FreeFormatReader::ReadNumber(double& value) {
  std::string item;
  return NextItem(item) && ParseFreeFormatNumber(item, value, allowNonFinite_);
}

bool FreeFormatReader::ReadText(std::string& text, size_t keep) {
  std::string item;
  if (!NextItem(item)) return false;
  text = item.substr(0, keep);
  return true;
}

// Blanks, tabs and line ends around one comma make one separator; a comma where an item is
// due (",," or a comma that opens the read) is a null value, which is a read error here.
bool FreeFormatReader::NextItem(std::string& item) {
  while (true) {
    if (pos_ >= line_.size()) {
      if (!nextLine_(line_)) return false;
      pos_ = 0;
      continue;
    }
    const char c = line_[pos_];
    if (IsBlank(c)) {
      ++pos_;
    } else if (c == ',') {
      if (!commaAllowed_) return false;
      commaAllowed_ = false;
      ++pos_;
    } else {
      break;
    }
  }
  const size_t end = std::min(line_.find_first_of(" \t,", pos_), line_.size());
  item = line_.substr(pos_, end - pos_);
  pos_ = end;
  commaAllowed_ = true;
  return !IsRepeatCount(item);
}

}  // namespace tarn
