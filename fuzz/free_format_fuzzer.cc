// The free-format reader on arbitrary lines: numbers and texts in the order the input's second
// byte asks for, and every field form in which the driver writes a number it has read.
#include <cmath>
#include <vector>

#include "driver/public/number_format.h"
#include "fuzz/fuzz_run.h"
#include "reader/free_format.h"

using namespace tarn;
using namespace tarn::fuzz;

namespace {

// A number read keeps the width of every field it may be written in, and its 17-digit exponent
// form reads back as the same number.
void CheckNumber(double value, bool allowNonFinite) {
  Require(allowNonFinite || std::isfinite(value), "a number that is not finite");
  struct Field {
    std::string text;
    size_t width;
  };
  const Field kFields[] = {
      {fmt::F(value, 9, 3), 9},        {fmt::F(value, 8, 2), 8},   {fmt::F(value, 15, 7), 15},
      {fmt::G(value, 12, 4), 12},      {fmt::G(value, 12, 5), 12}, {fmt::G(value, 15, 7), 15},
      {fmt::E(value, 15, 4, 'D'), 15},
  };
  for (const Field& field : kFields) {
    Require(field.text.size() == field.width, "a number that does not keep its field's width");
  }
  if (!std::isfinite(value)) return;
  const std::string exact = fmt::E(value, 26, 17);
  double back = 0;
  // Exponents beyond 99 are written without their letter, which the reader refuses.
  if (exact.find('E') == std::string::npos) return;
  Require(ParseFreeFormatNumber(exact, back) && back == value,
          "a number whose exponent form reads back as another number");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const bool allowNonFinite = (data[0] & 1) != 0;
  const uint8_t plan = data[1];  // bit i: item i is a number (1) or a text (0)
  const std::string_view text = AsText(data + 2, size - 2);

  const std::vector<std::string> lines = Split(text, '\n');
  size_t next = 0;
  FreeFormatReader reader(
      [&](std::string& line) {
        if (next == lines.size()) return false;
        line = lines[next++];
        return true;
      },
      allowNonFinite);
  for (int i = 0; i < 8; ++i) {
    if ((plan >> i) & 1) {
      double value = 0;
      if (!reader.ReadNumber(value)) break;
      CheckNumber(value, allowNonFinite);
    } else {
      const size_t keep = i % 2 ? 5 : 12;
      std::string item;
      if (!reader.ReadText(item, keep)) break;
      Require(item.size() <= keep && item.find_first_of(" \t,") == std::string::npos,
              "a text item longer than kept or holding a separator");
    }
  }
  double value = 0;
  if (ParseFreeFormatNumber(text, value, allowNonFinite)) CheckNumber(value, allowNonFinite);
  return 0;
}
