#include "support/text.h"

namespace tarn {

std::string_view TrimRight(std::string_view text) {
  size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

std::string Cut(std::string_view text, size_t capacity) {
  return std::string(text.substr(0, capacity));
}

std::string PadRight(std::string_view text, size_t width) {
  std::string padded(text);
  if (padded.size() < width) padded.append(width - padded.size(), ' ');
  return padded;
}

bool IsBlank(std::string_view text) { return TrimRight(text).empty(); }

}  // namespace tarn
