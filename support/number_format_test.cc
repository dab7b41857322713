#include "driver/public/number_format.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

namespace tarn::fmt {
namespace {

// Named as tools/format_oracle.f90 prints them, so that its rows can be pasted here.
const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Infinity = std::numeric_limits<double>::infinity();

// Every expected text below is what gfortran writes for the value and descriptor
// (tools/format_oracle.f90).
struct RealCase {
  double value;
  const char* descriptor;
  const char* expected;
};
const RealCase kRealCases[] = {
    {1.5, "F9.3", "    1.500"},
    {-0.0, "F9.3", "   -0.000"},
    {0.0625, "F9.3", "    0.062"},
    {99.9995, "F9.3", "   99.999"},
    {0.9995, "F9.3", "    1.000"},
    {99999.5, "F9.3", "99999.500"},
    {-99999.5, "F9.3", "*********"},
    {1e100, "F9.3", "*********"},
    {NaN, "F9.3", "      NaN"},
    {Infinity, "F9.3", " Infinity"},
    {-Infinity, "F9.3", "-Infinity"},
    {0.125, "F8.2", "    0.12"},
    {-0.004, "F8.2", "   -0.00"},
    {Infinity, "F8.2", "Infinity"},
    {-Infinity, "F8.2", "    -Inf"},
    {365, "F15.7", "    365.0000000"},
    {3.14159265, "F15.7", "      3.1415927"},
    {1234567.0, "F15.7", "1234567.0000000"},
    {12345678.0, "F15.7", "***************"},
    {90, "G12.5", "  90.000    "},
    {-0.0, "G12.5", " -0.0000    "},
    {0.0999995, "G12.5", " 0.10000    "},
    {99.9995, "G12.5", "  100.00    "},
    {9999.5, "G12.5", "  9999.5    "},
    {99999.5, "G12.5", " 0.10000E+06"},
    {-1e-25, "G12.5", "-0.10000E-24"},
    {1e100, "G12.5", " 0.10000+101"},
    {NaN, "G12.5", "         NaN"},
    {-1, "G15.7", "  -1.000000    "},
    {0, "G15.7", "   0.000000    "},
    {0.05, "G15.7", "  0.5000000E-01"},
    {1234567.0, "G15.7", "   1234567.    "},
    {12345678.0, "G15.7", "  0.1234568E+08"},
    {5e-324, "G15.7", "  0.4940656-323"},
    {0, "G12.4", "   0.000    "},
    {0.1234, "G12.4", "  0.1234    "},
    {12.34, "G12.4", "   12.34    "},
    {0.001234, "G12.4", "  0.1234E-02"},
    {0.09995, "G12.4", "  0.9995E-01"},
    {0.099995, "G12.4", "  0.1000    "},
    {9.99995, "G12.4", "   10.00    "},
    {9999.4, "G12.4", "   9999.    "},
    {9999.5, "G12.4", "  0.1000E+05"},
    {8192.5, "G12.4", "   8192.    "},
    {8193.5, "G12.4", "   8194.    "},
    {-Infinity, "G12.4", "   -Infinity"},
    {0, "E12.4", "  0.0000E+00"},
    {-0.0, "E12.4", " -0.0000E+00"},
    {0.1, "E12.4", "  0.1000E+00"},
    {0.099995, "E12.4", "  0.1000E+00"},
    {1.0625, "E12.4", "  0.1062E+01"},
    {1.1875, "E12.4", "  0.1188E+01"},
    {1e-25, "E12.4", "  0.1000E-24"},
    {-1e100, "E12.4", " -0.1000+101"},
    {1.234e-100, "E12.4", "  0.1234E-99"},
    {1.797e308, "E12.4", "  0.1797+309"},
    {NaN, "E12.4", "         NaN"},
    {0.01234, "D15.4", "     0.1234D-01"},
    {-1e-25, "D15.4", "    -0.1000D-24"},
    {1e100, "D15.4", "     0.1000+101"},
    {Infinity, "D15.4", "       Infinity"},
    {999999.5, "E15.7", "  0.9999995E+06"},
    {-123456.789, "E15.7", " -0.1234568E+06"},
    {0.5, "F4.3", ".500"},
    {-0.5, "F4.3", "****"},
    {0.5, "F2.0", "0."},
    {-0.5, "F2.0", "**"},
    {1, "E9.4", ".1000E+01"},
    {0.5, "G6.1", ".5    "},
    {0, "G6.1", "0.    "},
    {-0.5, "G6.1", "******"},
};

struct IntegerCase {
  long long value;
  const char* descriptor;
  const char* expected;
};
const IntegerCase kIntegerCases[] = {
    {7, "I3", "  7"},        {-99, "I3", "-99"},
    {365, "I3", "365"},      {-365, "I3", "***"},
    {1000, "I3", "***"},     {-999, "I4", "-999"},
    {-9999, "I4", "****"},   {10000, "I5", "10000"},
    {100000, "I5", "*****"}, {2147483647, "I5", "*****"},
};

struct TextCase {
  const char* value;
  const char* descriptor;
  const char* expected;
};
const TextCase kTextCases[] = {
    {"", "A18", "                  "},
    {"abc", "A18", "               abc"},
    {"DayInYeaAppFirst", "A18", "  DayInYeaAppFirst"},
    {"NineteenCharacters!", "A18", "NineteenCharacters"},
    {"trail  ", "A18", "           trail  "},
    {"DayInYeaAppFirst", "A6", "DayInY"},
    {"  lead", "A6", "  lead"},
    {"trail  ", "A6", "trail "},
};

// Applies a descriptor such as "F9.3" or "D15.4".
std::string Edit(double value, const std::string& descriptor) {
  char* rest = nullptr;
  const int w = static_cast<int>(std::strtol(descriptor.c_str() + 1, &rest, 10));
  const int d = static_cast<int>(std::strtol(rest + 1, nullptr, 10));
  switch (descriptor[0]) {
    case 'F':
      return F(value, w, d);
    case 'E':
      return E(value, w, d);
    case 'D':
      return E(value, w, d, 'D');
    default:
      return G(value, w, d);
  }
}

TEST(NumberFormat, RealsAsGfortranWritesThem) {
  for (const RealCase& c : kRealCases) {
    EXPECT_EQ(Edit(c.value, c.descriptor), c.expected) << c.value << " as " << c.descriptor;
  }
}

TEST(NumberFormat, IntegersAsGfortranWritesThem) {
  for (const IntegerCase& c : kIntegerCases) {
    EXPECT_EQ(I(c.value, std::atoi(c.descriptor + 1)), c.expected)
        << c.value << " as " << c.descriptor;
  }
}

TEST(NumberFormat, TextsAsGfortranWritesThem) {
  for (const TextCase& c : kTextCases) {
    EXPECT_EQ(A(c.value, std::atoi(c.descriptor + 1)), c.expected)
        << '"' << c.value << "\" as " << c.descriptor;
  }
}

}  // namespace
}  // namespace tarn::fmt
