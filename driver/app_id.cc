#include "driver/public/app_id.h"

#include <algorithm>

#include "driver/public/number_format.h"

namespace tarn {
namespace {

// The length of the <RunId>_<AppId> that `name` starts with; 0 when it starts with none.
size_t AppIdNameLength(std::string_view name, std::string_view runId) {
  if (name.substr(0, runId.size()) != runId || name.substr(runId.size(), 1) != "_") return 0;
  const size_t first = runId.size() + 1;
  const size_t end = std::min(name.find_first_not_of("0123456789", first), name.size());
  return end == first ? 0 : end;
}

}  // namespace

std::string AppIdToText(int appId) {
  const int width = appId <= 9 ? 1 : appId <= 99 ? 2 : appId <= 999 ? 3 : appId <= 9999 ? 4 : 5;
  return fmt::I(appId, width);
}

std::string AppIdFileName(std::string_view runId, int appId, std::string_view extension) {
  return std::string(runId) + "_" + AppIdToText(appId) + std::string(extension);
}

bool IsAppIdName(std::string_view name, std::string_view runId) {
  const size_t length = AppIdNameLength(name, runId);
  return length > 0 && length == name.size();
}

std::string AppIdFileExtension(std::string_view name, std::string_view runId) {
  const size_t end = AppIdNameLength(name, runId);
  if (end == 0 || end == name.size() || name[end] != '.') return "";
  return std::string(name.substr(end));
}

}  // namespace tarn
