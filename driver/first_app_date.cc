#include "driver/public/first_app_date.h"

#include "support/text.h"

namespace tarn {
namespace {

constexpr size_t kCopyLineLength = 500;
constexpr size_t kDateLineLength = 250;
constexpr size_t kDateLength = 11;

}  // namespace

std::optional<std::string> FirstApplicationRow(const std::function<bool(std::string&)>& nextLine) {
  for (std::string line; nextLine(line);) {
    if (std::string_view(line).substr(0, kCopyLineLength).find("table Applications") ==
        std::string_view::npos) {
      continue;
    }
    if (!nextLine(line)) return std::nullopt;
    return Cut(line, kDateLineLength);
  }
  return std::nullopt;
}

std::string FirstAppDateOf(std::string_view row) {
  const size_t start = row.find_first_not_of(" \t");
  if (start == std::string_view::npos) return "";
  return Cut(row.substr(start, row.find_first_of(" \t", start) - start), kDateLength);
}

}  // namespace tarn
