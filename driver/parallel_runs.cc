#include "driver/parallel_runs.h"

#include <atomic>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

#include "driver/model_run.h"
#include "driver/schedule.h"
#include "support/run_identity.h"

namespace tarn {

namespace fs = std::filesystem;

namespace {

const char* const kRunFolderPrefix = ".tarn-run-";

// Files of the run folder that no model run may share: other ids' inputs and outputs, the
// scratch files a model writes, and the driver's own files (which it holds open: on Windows a
// link to an open file cannot be deleted).
bool KeptOutOfRunFolders(const std::string& name, const std::string& runId) {
  static const std::set<std::string> kScratch = {"tolva.tmp", "evtfil.tmp",   "prnevtfil.tmp",
                                                 "zund.log",  "meteodat.tmp", "tolva.ok"};
  if (kScratch.count(name)) return true;
  for (const char* ending : {".bus", ".err", ".out", ".log", ".sum", "_Tsb.sum"}) {
    if (name == runId + ending) return true;
  }
  const std::string prefix = runId + "_";
  if (name.compare(0, prefix.size(), prefix) != 0) return false;
  const size_t digits = name.find_first_not_of("0123456789", prefix.size());
  return digits > prefix.size() && digits != std::string::npos && name[digits] == '.';
}

void LinkOrCopy(const fs::path& from, const fs::path& to) {
  std::error_code linkFailed;
  fs::create_hard_link(from, to, linkFailed);
  if (linkFailed) fs::copy_file(from, to);
}

// Runs the model for one id in a folder of its own; returns the exit code, -1 when the folder
// could not be prepared. `runFolderLock` guards the run folder: while one run links its files,
// another must not be moving its outputs in (on Windows a replaced file cannot be renamed over).
int RunInOwnFolder(const fs::path& runFolder, const std::string& runId, const std::string& binDir,
                   int appId, std::mutex& runFolderLock) {
  const std::string runFile = runId + "_" + AppIdToText(appId) + ".tol";
  const fs::path folder = runFolder / (kRunFolderPrefix + runId + "_" + AppIdToText(appId));
  try {
    std::set<std::string> linked;
    std::unique_lock<std::mutex> lock(runFolderLock);
    fs::remove_all(folder);
    fs::create_directory(folder);
    for (const fs::directory_entry& entry : fs::directory_iterator(runFolder)) {
      const std::string name = entry.path().filename().string();
      if (!entry.is_regular_file() || (KeptOutOfRunFolders(name, runId) && name != runFile)) {
        continue;
      }
      LinkOrCopy(entry.path(), folder / name);
      linked.insert(name);
    }
    lock.unlock();
    const int exitCode = RunCommand(ModelCommand(binDir, runFile), folder.string());
    lock.lock();
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
      const std::string name = entry.path().filename().string();
      if (linked.count(name)) continue;
      fs::remove_all(runFolder / name);
      fs::rename(entry.path(), runFolder / name);
    }
    fs::remove_all(folder);
    return exitCode;
  } catch (const fs::filesystem_error&) {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return -1;
  }
}

}  // namespace

void RunModelsInParallel(Runtime& rt, const RunState& state, const std::vector<int>& appIds,
                         int parallel) {
  const fs::path runFolder(rt.identity.runFolder);
  const std::string runId = CheckRunId(rt);
  std::vector<int> exitCodes(appIds.size(), 0);
  std::atomic<size_t> next{0};
  std::mutex runFolderLock;
  auto worker = [&] {
    for (size_t i; (i = next++) < appIds.size();) {
      exitCodes[i] = RunInOwnFolder(runFolder, runId, state.binDir, appIds[i], runFolderLock);
    }
  };
  rt.console.GoToRow(22);
  std::vector<std::thread> workers;
  for (int i = 0; i < parallel && static_cast<size_t>(i) < appIds.size(); ++i) {
    workers.emplace_back(worker);
  }
  for (std::thread& thread : workers) thread.join();
  for (size_t i = 0; i < appIds.size(); ++i) {
    if (exitCodes[i] != 0) HandleFailedModelRun(rt, appIds[i]);
  }
}

void RemoveStrayRunFolders(Runtime& rt) {
  const std::string prefix = kRunFolderPrefix + CheckRunId(rt) + "_";
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(rt.identity.runFolder, error)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_directory() && name.compare(0, prefix.size(), prefix) == 0) {
      fs::remove_all(entry.path(), error);
    }
  }
}

}  // namespace tarn
