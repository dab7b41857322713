// The driver's reading of a run's files for a reader outside the run (the front end's live run log
// and its judgement of a finished run): the compounds of the model input, the concentrations of a
// model run's summary and the first application date of an application id's copy, each read as
// the driver reads it, so that the front end takes a file for what the driver would.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarn {

// Reads the files of one run; a file the driver could not read gives nothing.
class RunFileReader {
 public:
  // Reads the compound list of the model input at `modelInput` first.
  explicit RunFileReader(const std::string& modelInput);
  ~RunFileReader();

  // The compound names of the model input, in its order; nothing when they could not be read.
  const std::optional<std::vector<std::string>>& Compounds() const { return compounds_; }

  // The concentration of every compound in the model run's summary at `path`, as the driver
  // collects them; nothing when the compounds or the summary cannot be read.
  std::optional<std::vector<double>> Concentrations(const std::string& path);

  // The date word of the first application row of the copy of the model input at `path`, as
  // the driver reports it (empty when the copy has none); nothing when it cannot be read.
  std::optional<std::string> FirstAppDate(const std::string& path);

 private:
  struct Reading;
  std::unique_ptr<Reading> reading_;
  std::optional<std::vector<std::string>> compounds_;
};

}  // namespace tarn
