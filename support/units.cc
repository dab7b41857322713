#include "support/units.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "support/platform.h"

namespace tarn {

namespace {

// Reads every line of the file, without LF or CR LF line ends. Returns 0 or an error number.
int ReadAllLines(const std::string& path, std::vector<std::string>& lines) {
  int error = 0;
  std::FILE* file = OpenForReading(path, error);
  if (!file) return error;
  std::string line;
  bool pending = false;
  for (int c; (c = std::fgetc(file)) != EOF;) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(std::move(line));
      line.clear();
      pending = false;
    } else {
      line.push_back(static_cast<char>(c));
      pending = true;
    }
  }
  const bool failed = std::ferror(file);
  std::fclose(file);
  if (failed) return EIO;
  if (pending) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  return 0;
}

}  // namespace

std::string ReasonFor(int error) {
  return error == kNotARegularFile ? "not a regular file" : std::strerror(error);
}

UnitTable::~UnitTable() {
  for (auto& [unit, file] : files_) {
    if (file.out) std::fclose(file.out);
  }
}

int UnitTable::OpenExisting(int unit, const std::string& path) {
  Close(unit);
  OpenFile file;
  file.path = path;
  errno = 0;
  if (int status = ReadAllLines(path, file.lines)) return status;
  files_[unit] = std::move(file);
  return 0;
}

int UnitTable::OpenNew(int unit, const std::string& path) {
  Close(unit);
  int error = 0;
  std::FILE* out = CreateNewFile(path, error);
  if (!out) return error ? error : EIO;
  Adopt(unit, path, out);
  return 0;
}

void UnitTable::Adopt(int unit, const std::string& path, std::FILE* out) {
  Close(unit);
  OpenFile file;
  file.path = path;
  file.out = out;
  files_[unit] = std::move(file);
}

int UnitTable::Close(int unit, bool deleteFile) {
  auto it = files_.find(unit);
  if (it == files_.end()) return 0;
  int error = 0;
  if (std::FILE* out = it->second.out) {
    error = Flush(unit);
    if (std::fclose(out) != 0 && error == 0) error = errno ? errno : EIO;
  }
  if (deleteFile) std::remove(it->second.path.c_str());
  files_.erase(it);
  return error;
}

bool UnitTable::IsOpen(int unit) const { return files_.count(unit) != 0; }

std::string UnitTable::NameOf(int unit) const {
  auto it = files_.find(unit);
  return it == files_.end() ? std::string() : it->second.path;
}

std::vector<int> UnitTable::OpenUnits() const {
  std::vector<int> units;
  for (const auto& entry : files_) units.push_back(entry.first);
  return units;
}

bool UnitTable::ReadLine(int unit, std::string& line) {
  auto it = files_.find(unit);
  if (it == files_.end() || it->second.out) return false;
  OpenFile& file = it->second;
  if (file.next >= file.lines.size()) return false;
  line = file.lines[file.next++];
  return true;
}

void UnitTable::Rewind(int unit) {
  auto it = files_.find(unit);
  if (it != files_.end()) it->second.next = 0;
}

void UnitTable::BackOneLine(int unit) {
  auto it = files_.find(unit);
  if (it != files_.end() && it->second.next > 0) --it->second.next;
}

bool UnitTable::WriteLine(int unit, std::string_view line) {
  auto it = files_.find(unit);
  if (it == files_.end() || !it->second.out) return false;
  OpenFile& file = it->second;
  errno = 0;
  // An empty line may have no storage at all (a null data pointer), which fwrite must not get.
  const bool ok =
      (line.empty() || std::fwrite(line.data(), 1, line.size(), file.out) == line.size()) &&
      std::fwrite(kLineEnd.data(), 1, kLineEnd.size(), file.out) == kLineEnd.size();
  if (!ok && file.error == 0) file.error = errno ? errno : EIO;
  return file.error == 0;
}

int UnitTable::Flush(int unit) {
  auto it = files_.find(unit);
  if (it == files_.end() || !it->second.out) return 0;
  OpenFile& file = it->second;
  errno = 0;
  if (std::fflush(file.out) != 0 && file.error == 0) file.error = errno ? errno : EIO;
  return file.error;
}

std::FILE* UnitTable::StreamOf(int unit) const {
  auto it = files_.find(unit);
  return it == files_.end() ? nullptr : it->second.out;
}

}  // namespace tarn
