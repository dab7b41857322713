// The driver's table of open files. Every file is addressed by a unit number; the fixed units
// name the run's own files, FreeFil hands out the others. A unit is open for reading (the whole
// file is held, with a line cursor that can be rewound or stepped back) or for writing (every
// line reaches the file as it is written, so a model started meanwhile reads it whole).
#pragma once

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tarn {

constexpr int kInputUnit = 20;   // control file, then model input file
constexpr int kOutUnit = 21;     // <RunId>.out
constexpr int kLogUnit = 22;     // <RunId>.log
constexpr int kSumUnit = 23;     // <RunId>.sum
constexpr int kErrUnit = 24;     // <RunId>.err
constexpr int kReportUnit = 27;  // <RunId>_Tsb.sum
constexpr int kBusyUnit = 28;    // <RunId>.bus
constexpr int kFirstFreeUnit = 26;
constexpr int kLastFreeUnit = 200;

class UnitTable {
 public:
  UnitTable() = default;
  UnitTable(const UnitTable&) = delete;
  UnitTable& operator=(const UnitTable&) = delete;
  ~UnitTable();

  // Opens an existing file for reading (a unit already open is closed first). Returns 0, or the
  // system's error number when the file cannot be read.
  int OpenExisting(int unit, const std::string& path);
  // Creates the file, or empties an existing one, and opens it for writing. Returns 0 or the
  // system's error number.
  int OpenNew(int unit, const std::string& path);
  // Closes the unit, deleting its file when asked. Closing a unit that is not open does nothing.
  void Close(int unit, bool deleteFile = false);

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
  // Writes one line and its line end through to the file. False when the write failed.
  bool WriteLine(int unit, std::string_view line);

 private:
  struct OpenFile {
    std::string path;
    std::FILE* out = nullptr;        // open for writing
    std::vector<std::string> lines;  // open for reading
    size_t next = 0;
  };
  std::map<int, OpenFile> files_;
};

}  // namespace tarn
