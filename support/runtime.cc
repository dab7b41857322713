#include "support/runtime.h"

#include <cstring>
#include <filesystem>

#include "driver/public/error_end.h"
#include "driver/public/number_format.h"
#include "support/run_identity.h"
#include "support/text.h"

namespace tarn {

namespace {

constexpr int kModelOutputRow = 22;
const char* const kNormalEndText = "End of program";

// Whether a normal end keeps the file open on `unit`: any but a run file that it deletes.
bool KeptAtNormalEnd(int unit) {
  for (const RunFile* file : kRunFiles) {
    if (file->unit == unit && !file->keptAtNormalEnd) return false;
  }
  return true;
}

}  // namespace

const char* const kErrorEndText = "An error occurred - program stopped";

Runtime::Runtime(std::vector<std::string> arguments, std::ostream& outStream,
                 std::ostream& errStream, Console& theConsole)
    : args(std::move(arguments)), out(outStream), err(errStream), console(theConsole) {}

std::string Runtime::InRunFolder(const std::string& name) const {
  const std::string& folder = identity.runFolder;
  if (!folder.empty() && folder.back() == kPathSeparator) return folder + name;
  return folder + kPathSeparator + name;
}

int Runtime::RunOnConsole(const std::string& command, const std::string& workingFolder) {
  FlushAll();
  console.GoToRow(kModelOutputRow);
  return RunCommand(command, workingFolder);
}

void Runtime::FailWriting(const std::string& path, int error) {
  Fail(-1, " Cannot write file " + path, std::string(" ") + std::strerror(error));
}

void Runtime::WriteLine(int unit, std::string_view line) {
  // A line for a unit that is not open goes nowhere, as it always did.
  if (!units.WriteLine(unit, line) && units.IsOpen(unit)) {
    FailWriting(units.NameOf(unit), units.Flush(unit));
  }
}

void Runtime::FlushAll() {
  for (int unit : units.OpenUnits()) {
    if (const int error = units.Flush(unit)) FailWriting(units.NameOf(unit), error);
  }
}

void Runtime::CloseKept(int unit) {
  const std::string path = units.NameOf(unit);
  if (const int error = units.Close(unit)) FailWriting(path, error);
}

void Runtime::StopIfRequested() {
  if (const int signal = StopRequest()) {
    Fail(-1, " The run was stopped before its end", " Signal: " + std::to_string(signal));
  }
}

void Runtime::Fail(int status, std::string line1, std::string line2, std::string line3,
                   int inputUnit) {
  error.status = status;
  error.line1 = Cut(line1, 512);
  error.line2 = Cut(line2, 512);
  error.line3 = Cut(line3, 512);
  FatalError(inputUnit);
}

void Runtime::FatalError(int inputUnit) {
  const std::string fileName = units.NameOf(inputUnit);
  const std::string runId = CheckRunId(*this);
  console.ShowLine(kErrorFoundLine + runId, 2);
  console.ShowLine(" The error occurred in file " + fileName, 3);
  const std::string* lines[] = {&error.line1, &error.line2, &error.line3};
  for (int i = 0; i < 3; ++i) {
    const std::string_view line = TrimRight(*lines[i]);
    if (line.empty()) continue;
    console.ShowLine(line, 5 + i);
    units.WriteLine(kErrUnit, line);
  }
  // Lines that no error file holds (none is open yet, or it cannot be written) go to standard
  // error, so none is lost.
  if (!units.IsOpen(kErrUnit) || units.Flush(kErrUnit) != 0) {
    for (const std::string* line : lines) {
      if (!IsBlank(*line)) err << TrimRight(*line) << '\n';
    }
  }
  EndOfProgram(error.status);
}

void Runtime::EndOfProgram(int status) {
  const bool normal = status == 0;
  if (normal) {
    // A success must be a whole one: a stop request or a file that could not be written
    // completely turns it into an error end while the error file is still open.
    StopIfRequested();
    FlushAll();
    for (int unit : units.OpenUnits()) {
      if (KeptAtNormalEnd(unit)) CloseKept(unit);
    }
  }
  if (normal) {
    // The busy marker goes last, below.
    for (const RunFile* file : kRunFiles) {
      if (file->unit != 0 && file->unit != kBusyUnit && !file->keptAtNormalEnd) {
        units.Close(file->unit, true);
      }
    }
  } else {
    const char code = CheckCallingProgram(*this);
    if (code != 'B' && code != 'D' && code != 'E') console.Beep();
  }
  for (int unit : units.OpenUnits()) {
    if (unit != kBusyUnit) units.Close(unit);
  }

  // The model runs in the run folder: a user's files of these names elsewhere are not its.
  for (const RunFile* file : kRunFiles) {
    if (file->form == NameForm::kFixed && file != &kSuccessMarker &&
        !(normal ? file->keptAtNormalEnd : file->keptAtErrorEnd)) {
      DeleteIfExists(InRunFolder(std::string(file->name)));
    }
  }
  bool markerWritten = true;
  if (normal) {
    const int unit = FreeFil(*this);
    const std::string marker = InRunFolder(std::string(kSuccessMarker.name));
    markerWritten = units.OpenNew(unit, marker) == 0 &&
                    units.WriteLine(unit, "TOLVA run succesfully terminated!");
    markerWritten = units.Close(unit) == 0 && markerWritten;
    // Without the marker the run cannot be told from a failed one: say so, and end as an error.
    if (!markerWritten) {
      DeleteIfExists(marker);
      err << " Unable to write the success marker " << marker << '\n';
    }
  }
  // "tolva.ok" is this driver's word alone: a model may leave one of its own, which must not
  // outlast an error end. Only the driver that holds the run's busy marker may remove it.
  if (!normal && units.IsOpen(kBusyUnit) && !RemoveSuccessMarker(*this)) {
    err << "Cannot remove tolva.ok\n";
  }
  // The run is over only now: until the marker goes, no other driver may start in the folder
  // (it would see this run's scratch files go and its success marker come).
  units.Close(kBusyUnit, /*deleteFile=*/true);
  const char* lastLine = normal && markerWritten ? kNormalEndText : kErrorEndText;
  err << lastLine << '\n' << std::flush;
  out << std::flush;
  throw ProgramStop(lastLine);
}

void Runtime::StopDirectly(const std::string& text) {
  err << text << '\n' << std::flush;
  out << std::flush;
  throw ProgramStop(text);
}

int FreeFil(Runtime& rt) {
  for (int unit = kFirstFreeUnit; unit <= kLastFreeUnit; ++unit) {
    if (!rt.units.IsOpen(unit)) return unit;
  }
  rt.Fail(-1, "Cannot find a free file", "There may be too many opened files");
}

void OpenAfterDelete(Runtime& rt, int unit, const std::string& name) {
  // The old file is removed before the new one is created, so a link is never written through.
  const int status = rt.units.OpenNew(unit, std::string(TrimRight(name)));
  if (status != 0) {
    rt.out << "Error in OpenAfterDelete routine, IOStat = " << fmt::I(status, 5) << '\n';
    rt.StopDirectly("Error in OpenAfterDelete routine - no error file generated");
  }
}

void DeleteIfExists(const std::string& name) {
  std::error_code ignored;
  std::filesystem::remove(std::string(TrimRight(name)), ignored);
}

bool RemoveSuccessMarker(const Runtime& rt) {
  const std::string marker = rt.InRunFolder(std::string(kSuccessMarker.name));
  DeleteIfExists(marker);
  std::error_code ignored;
  return std::filesystem::symlink_status(marker, ignored).type() ==
         std::filesystem::file_type::not_found;
}

std::string GetFolderOfFile(const std::string& path) {
  const std::string_view trimmed = TrimRight(path);
  const size_t last = trimmed.find_last_of(std::string{kPathSeparator, '/'});
  return last == std::string_view::npos ? std::string() : std::string(trimmed.substr(0, last + 1));
}

}  // namespace tarn
