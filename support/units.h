// The driver's table of open files. Every file is addressed by a unit number; the fixed units
// name the run's own files, FreeFil hands out the others. A unit is open for reading (the whole
// file is held, with a line cursor that can be rewound or stepped back) or for writing (lines are
// buffered and reach the file at a flush or close, whose failure the caller must act on).
#pragma once

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "driver/public/files.h"
#include "driver/public/run_files.h"

namespace tarn {

constexpr int kFirstFreeUnit = 26;
constexpr int kLastFreeUnit = 200;

class UnitTable {
 public:
  UnitTable() = default;
  UnitTable(const UnitTable&) = delete;
  UnitTable& operator=(const UnitTable&) = delete;
  ~UnitTable();

  // Opens an existing regular file for reading (a unit already open is closed first). Returns 0,
  // or the system's error number (kNotARegularFile for anything else) when it cannot be read.
  int OpenExisting(int unit, const std::string& path);
  // Creates the file anew (see CreateNewFile: whatever bore its name is removed first, a link
  // is never written through) and opens it for writing. Returns 0 or the system's error number.
  int OpenNew(int unit, const std::string& path);
  // Opens `path` for writing on `unit` through `file`, a stream opened elsewhere (a locked file).
  void Adopt(int unit, const std::string& path, std::FILE* file);
  // Closes the unit, deleting its file when asked. Closing a unit that is not open does nothing.
  // Returns 0, or the system's error number when lines written to it could not be kept.
  int Close(int unit, bool deleteFile = false);

  bool IsOpen(int unit) const;
  // The path the file was opened with; empty when the unit is not open.
  std::string NameOf(int unit) const;
  // The open units, lowest first.
  std::vector<int> OpenUnits() const;

  // Reads the next line without its line end (LF or CR LF). False at the end of the file or
  // when the unit is not open for reading.
  bool ReadLine(int unit, std::string& line);
  void Rewind(int unit);
  void BackOneLine(int unit);
  // Writes one line and its line end. False when the unit is not open for writing or the write
  // failed already; a failure may also show only at the next Flush or Close.
  bool WriteLine(int unit, std::string_view line);
  // Hands the lines written to the unit to the file. Returns 0 or the system's error number.
  int Flush(int unit);
  // The stream of a unit open for writing; nullptr otherwise.
  std::FILE* StreamOf(int unit) const;

 private:
  struct OpenFile {
    std::string path;
    std::FILE* out = nullptr;        // open for writing
    std::vector<std::string> lines;  // open for reading
    size_t next = 0;
    int error = 0;  // the first failed write's error number
  };
  std::map<int, OpenFile> files_;
};

}  // namespace tarn
