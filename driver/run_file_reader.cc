#include "driver/public/run_file_reader.h"

#include "driver/results.h"
#include "reader/reader_state.h"
#include "reader/typed_readers.h"
#include "support/runtime.h"

namespace tarn {

struct RunFileReader::Reading {
  // Runs `read` on the file at `path`, opened on a unit of its own; false when the file cannot
  // be opened or read.
  template <typename Read>
  bool OnFile(const std::string& path, Read read) {
    const int unit = FreeFil(detached.rt);
    if (detached.rt.units.OpenExisting(unit, path) != 0) return false;
    bool done = false;
    try {
      read(unit);
      done = true;
    } catch (const ProgramStop&) {
    }
    detached.rt.units.Close(unit);
    return done;
  }

  DetachedRuntime detached;
};

RunFileReader::RunFileReader(const std::string& modelInput)
    : reading_(std::make_unique<Reading>()) {
  Runtime& rt = reading_->detached.rt;
  try {
    if (rt.units.OpenExisting(kInputUnit, modelInput) == 0) {
      GetCompoundList(rt);
      compounds_ = tarn::Compounds(rt);
    }
  } catch (const ProgramStop&) {
  }
}

RunFileReader::~RunFileReader() = default;

std::optional<std::vector<double>> RunFileReader::Concentrations(const std::string& path) {
  std::vector<double> concentrations;
  if (!compounds_ || !reading_->OnFile(path, [&](int unit) {
        concentrations = ReadSummaryConcentrations(reading_->detached.rt, unit);
      })) {
    return std::nullopt;
  }
  return concentrations;
}

std::optional<std::string> RunFileReader::FirstAppDate(const std::string& path) {
  std::string date;
  if (!reading_->OnFile(path,
                        [&](int unit) { date = ReadFirstAppDate(reading_->detached.rt, unit); })) {
    return std::nullopt;
  }
  return date;
}

}  // namespace tarn
