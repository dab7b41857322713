// The fixed-column forms in which the driver writes texts and numbers in its logs, messages,
// model inputs and reports, as Fortran's edit descriptors print them. A number too wide for its
// field is written as that many asterisks.
#pragma once

#include <string>
#include <string_view>

namespace tarn::fmt {

// Aw: the text right-aligned in w characters, or cut to its first w characters.
std::string A(std::string_view text, int w);

// Iw: the integer right-aligned in w characters.
std::string I(long long value, int w);

// Fw.d: fixed notation with d decimals, right-aligned in w characters.
std::string F(double value, int w, int d);

// Ew.d (letter 'E') and Dw.d (letter 'D'): 0.ddddE+xx with d >= 1 digits, right-aligned in w
// characters. An exponent beyond 99 in magnitude takes the letter's place: 0.dddd+xxx.
std::string E(double value, int w, int d, char letter = 'E');

// Gw.d (d >= 1): for a magnitude that, rounded to d significant digits, lies from 0.1 to below
// 10**d (and for zero), fixed notation with d significant digits in w-4 characters followed by
// 4 blanks; the E form otherwise.
std::string G(double value, int w, int d);

}  // namespace tarn::fmt
