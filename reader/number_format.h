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

// Ew.d (letter 'E') and Dw.d (letter 'D'): 0.ddddE+xx with d digits, right-aligned in w
// characters.
std::string E(double value, int w, int d, char letter = 'E');

// Gw.d: fixed notation in w-4 characters followed by 4 blanks for magnitudes from 0.1 to below
// 10**d (and zero), the E form otherwise.
std::string G(double value, int w, int d);

}  // namespace tarn::fmt
