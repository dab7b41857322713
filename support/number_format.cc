#include "driver/public/number_format.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace tarn::fmt {
namespace {

std::string Asterisks(int w) { return std::string(std::max(w, 0), '*'); }

std::string RightAlign(const std::string& text, int w) {
  if (static_cast<int>(text.size()) > w) return Asterisks(w);
  return std::string(w - text.size(), ' ') + text;
}

// Places a number's text in its field. Like Fortran, the zero before the decimal point is
// optional: it is dropped when only that lets the number fit.
std::string FitNumber(std::string text, int w) {
  const size_t zero = text[0] == '-' ? 1 : 0;
  // "0." alone (no decimals) keeps its zero.
  if (static_cast<int>(text.size()) == w + 1 && text.compare(zero, 2, "0.") == 0 &&
      text.size() > zero + 2 && std::isdigit(static_cast<unsigned char>(text[zero + 2]))) {
    text.erase(zero, 1);
  }
  return RightAlign(text, w);
}

// NaN and infinities as gfortran writes them in every numeric field: "Infinity" shrinks to
// "Inf" in a narrow field; a positive value carries no sign.
std::string NonFinite(double value, int w) {
  if (std::isnan(value)) return RightAlign("NaN", w);
  const std::string sign = value < 0 ? "-" : "";
  const bool roomForWord = w >= static_cast<int>(sign.size()) + 8;
  return RightAlign(sign + (roomForWord ? "Infinity" : "Inf"), w);
}

std::string Sign(double value) { return std::signbit(value) ? "-" : ""; }

// The digits of a non-negative finite value with `precision` decimals, correctly rounded.
std::string ToChars(double magnitude, std::chars_format format, int precision) {
  // Room for 309 integer digits, the point and the exponent besides the decimals.
  std::string text(precision + 330, '\0');
  text.resize(
      std::to_chars(text.data(), text.data() + text.size(), magnitude, format, precision).ptr -
      text.data());
  return text;
}

// The magnitude rounded to `digits` significant digits (correct decimal rounding of the binary
// value, halves to even), as 0.<digits> times 10 to the power `exponent`.
struct Significand {
  std::string digits;
  int exponent;
};

Significand RoundToDigits(double magnitude, int digits) {
  if (magnitude == 0) return {std::string(digits, '0'), 0};
  // The text is d[.ddd]e±xx.
  const std::string text = ToChars(magnitude, std::chars_format::scientific, digits - 1);
  const size_t e = text.find('e');
  std::string mantissa = text.substr(0, e);
  std::erase(mantissa, '.');
  return {mantissa, std::atoi(text.c_str() + e + 1) + 1};
}

// 10**n by repeated multiplication, as the bounds of G editing are computed.
double PowerOfTen(int n) {
  double power = 1;
  for (int i = 0; i < n; ++i) power *= 10;
  return power;
}

// E+xx for exponents up to 99 in magnitude; beyond that Fortran drops the letter to keep three
// digits in the same four characters: +xxx.
std::string ExponentText(int exponent, char letter) {
  const char sign = exponent < 0 ? '-' : '+';
  const int magnitude = std::abs(exponent);
  std::string digits = std::to_string(magnitude);
  if (magnitude > 99) return sign + digits;
  if (digits.size() < 2) digits.insert(0, 1, '0');
  return std::string{letter, sign} + digits;
}

}  // namespace

std::string A(std::string_view text, int w) {
  if (static_cast<int>(text.size()) >= w) return std::string(text.substr(0, std::max(w, 0)));
  return std::string(w - text.size(), ' ') + std::string(text);
}

std::string I(long long value, int w) { return RightAlign(std::to_string(value), w); }

std::string F(double value, int w, int d) {
  if (!std::isfinite(value)) return NonFinite(value, w);
  std::string digits = ToChars(std::fabs(value), std::chars_format::fixed, d);
  if (d == 0) digits += '.';
  // A negative value that rounds to zero keeps its sign, as gfortran writes it.
  return FitNumber(Sign(value) + digits, w);
}

std::string E(double value, int w, int d, char letter) {
  if (!std::isfinite(value)) return NonFinite(value, w);
  const Significand rounded = RoundToDigits(std::fabs(value), d);
  return FitNumber(Sign(value) + "0." + rounded.digits + ExponentText(rounded.exponent, letter), w);
}

std::string G(double value, int w, int d) {
  if (!std::isfinite(value)) return NonFinite(value, w);
  // The form follows from comparing the magnitude with the bounds at which rounding to d
  // digits carries into one more digit, 10**k * (1 - 0.5 / 10**d), computed in double
  // arithmetic as gfortran does: so 99.9995 (just below its decimal text in binary) already
  // takes three integer digits with G12.5.
  const double m = std::fabs(value);
  const double limit = PowerOfTen(d);
  const double carry = 1 - 0.5 / limit;
  if (m > 0 && (m < 0.1 * carry || 0.5 >= limit - m)) return E(value, w, d);
  int integerDigits = 0;
  while (integerDigits < d && m >= PowerOfTen(integerDigits) * carry) ++integerDigits;
  const std::string fixed = F(value, w - 4, m == 0 ? d - 1 : d - integerDigits);
  if (fixed.find('*') != std::string::npos) return Asterisks(w);
  return fixed + std::string(4, ' ');
}

}  // namespace tarn::fmt
