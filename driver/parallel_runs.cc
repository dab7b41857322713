#include "driver/parallel_runs.h"

#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

#include "driver/model_run.h"
#include "driver/public/app_id.h"
#include "support/run_identity.h"

namespace tarn {

namespace fs = std::filesystem;

namespace {

const char* const kRunFolderPrefix = ".tarn-run-";

// The scratch files and the success marker: what a model run leaves of them in its own folder is
// discarded with that folder (the driver removes the scratch files of the run folder anyway, and
// the success marker is the driver's alone).
bool IsScratchFile(const std::string& name) { return FixedRunFile(name) != nullptr; }

// Files of the run folder that no model run may share: other ids' inputs and outputs, the
// scratch files a model writes, and the driver's own files (which it holds open: on Windows a
// link to an open file cannot be deleted).
bool KeptOutOfRunFolders(const std::string& name, const std::string& runId) {
  for (const RunFile* file : kRunFiles) {
    if (file->form != NameForm::kOfAppId && !file->sharedWithModelRuns &&
        name == RunFileName(*file, runId)) {
      return true;
    }
  }
  return !AppIdFileExtension(name, runId).empty();
}

// The folder of one application id's model run.
fs::path FolderOfRun(const fs::path& runFolder, const std::string& runId, int appId) {
  return runFolder / RunFolderName(runId, appId);
}

// Gives the per-run folder the file `from` of the run folder: a hard link, or a symbolic link
// where the file system refuses hard links. Never a copy: a large file would be written once per
// application id.
void LinkInto(const fs::path& from, const fs::path& to) {
  std::error_code hardLinkRefused;
  fs::create_hard_link(from, to, hardLinkRefused);
  if (hardLinkRefused) fs::create_symlink(fs::absolute(from), to);
}

// The files that the model runs of one parallel phase moved back into the run folder, by their
// path inside it: the highest application id that created each, and those that more than one
// created.
struct MovedBack {
  std::map<fs::path, int> keptAppId;
  std::set<fs::path> createdByMore;
};

// Moves what the model run of `appId` left at `from` to `relative` in the run folder `runFolder`,
// as the model would have left it there: a file (or link) replaces what bears its name, unless a
// run of a higher id of this phase created it too (one run at a time would leave that one's); a
// folder is merged into the folder of that name, never replacing it as a whole, and never through
// a link.
void MoveBack(const fs::path& from, const fs::path& runFolder, const fs::path& relative, int appId,
              MovedBack& moved) {
  const fs::path to = runFolder / relative;
  if (!fs::is_directory(fs::symlink_status(from))) {
    auto [kept, first] = moved.keptAppId.try_emplace(relative, appId);
    if (!first) {
      moved.createdByMore.insert(relative);
      if (kept->second > appId) {
        fs::remove(from);
        return;
      }
      kept->second = appId;
    }
    fs::rename(from, to);
    return;
  }
  const fs::file_status target = fs::symlink_status(to);
  if (!fs::exists(target)) {
    fs::rename(from, to);
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(to)) {
      if (!fs::is_directory(entry.symlink_status())) {
        moved.keptAppId.emplace(relative / entry.path().lexically_relative(to), appId);
      }
    }
    return;
  }
  if (!fs::is_directory(target)) {
    throw fs::filesystem_error("a folder cannot be merged into what is not a folder", from, to,
                               std::make_error_code(std::errc::not_a_directory));
  }
  for (const fs::directory_entry& entry : fs::directory_iterator(from)) {
    MoveBack(entry.path(), runFolder, relative / entry.path().filename(), appId, moved);
  }
  fs::remove(from);
}

// A file of the run folder as a model run's folder holds it: which file its link is, and whether
// the link is a symbolic one.
struct LinkedFile {
  FileIdentity identity;
  bool symbolic = false;

  // The link at `path` as it stands; nothing bears the name when `identity` cannot be told.
  static std::optional<LinkedFile> At(const fs::path& path) {
    LinkedFile linked;
    if (!IdentityOf(path.string(), linked.identity)) return std::nullopt;
    linked.symbolic = fs::is_symlink(fs::symlink_status(path));
    return linked;
  }
  bool operator==(const LinkedFile&) const = default;
};

// What became of one application id's model run.
struct RunOutcome {
  int exitCode = 0;
  std::string failure;  // why its folder could not be prepared or cleared; empty when it could
};

// Runs the model for one id in a folder of its own. `runFolderLock` guards the run folder and
// `moved`: while one run links its files, another must not be moving its outputs in (on Windows a
// replaced file cannot be renamed over).
RunOutcome RunInOwnFolder(const fs::path& runFolder, const std::string& runId,
                          const RunState& state, int appId, std::mutex& runFolderLock,
                          MovedBack& moved) {
  const std::string runFile = AppIdFileName(runId, appId, kAppIdInput.name);
  const fs::path folder = FolderOfRun(runFolder, runId, appId);
  RunOutcome outcome;
  try {
    std::map<std::string, LinkedFile> linked;
    std::unique_lock<std::mutex> lock(runFolderLock);
    fs::remove_all(folder);
    fs::create_directory(folder);
    for (const fs::directory_entry& entry : fs::directory_iterator(runFolder)) {
      const std::string name = entry.path().filename().string();
      if (!entry.is_regular_file() || (KeptOutOfRunFolders(name, runId) && name != runFile)) {
        continue;
      }
      LinkInto(entry.path(), folder / name);
      if (std::optional<LinkedFile> link = LinkedFile::At(folder / name)) linked[name] = *link;
    }
    lock.unlock();
    const std::string command = ModelCommand(state, runFile, fs::absolute(runFolder).string());
    outcome.exitCode = RunCommand(command, folder.string());
    lock.lock();
    // A run cut short by a stop request leaves nothing that counts.
    if (StopRequest() == 0) {
      for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        // A link the model replaced by a file of its own counts as created.
        auto link = linked.find(name);
        if (IsScratchFile(name) ||
            (link != linked.end() && LinkedFile::At(entry.path()) == link->second)) {
          continue;
        }
        MoveBack(entry.path(), runFolder, name, appId, moved);
      }
    }
    fs::remove_all(folder);
  } catch (const std::exception& failure) {
    outcome.failure = failure.what();
    if (outcome.failure.empty()) outcome.failure = "unknown error";
  }
  return outcome;
}

}  // namespace

void RunModelsInParallel(Runtime& rt, const RunState& state, const std::vector<int>& appIds,
                         int parallel) {
  const fs::path runFolder(rt.identity.runFolder);
  const std::string runId = CheckRunId(rt);
  std::vector<RunOutcome> outcomes(appIds.size());
  std::atomic<size_t> next{0};
  std::atomic<bool> failed{false};
  std::mutex runFolderLock;
  MovedBack moved;
  // Nothing escapes a worker: RunInOwnFolder turns every failure into its outcome.
  auto worker = [&] {
    for (size_t i; !failed && StopRequest() == 0 && (i = next++) < appIds.size();) {
      outcomes[i] = RunInOwnFolder(runFolder, runId, state, appIds[i], runFolderLock, moved);
      if (!outcomes[i].failure.empty()) failed = true;
    }
  };
  rt.FlushAll();
  rt.console.GoToRow(22);
  {
    std::vector<std::jthread> workers;
    for (int i = 0; i < parallel && static_cast<size_t>(i) < appIds.size(); ++i) {
      workers.emplace_back(worker);
    }
  }
  // One run at a time would leave only the last run's version of such a file: say which one
  // stays, since the others' content is lost.
  for (const fs::path& file : moved.createdByMore) {
    rt.out << " Warning: more than one model run created " << rt.InRunFolder(file.string())
           << "; the one of application id " << AppIdToText(moved.keptAppId[file]) << " is kept"
           << std::endl;
  }
  // The runs cut short by a stop request left nothing in the run folder.
  rt.StopIfRequested();
  for (size_t i = 0; i < appIds.size(); ++i) {
    if (!outcomes[i].failure.empty()) {
      rt.Fail(-1,
              " Cannot prepare or clear the model run folder " +
                  FolderOfRun(runFolder, runId, appIds[i]).string(),
              " " + outcomes[i].failure);
    }
  }
  for (size_t i = 0; i < appIds.size(); ++i) {
    if (outcomes[i].exitCode != 0) HandleFailedModelRun(rt, appIds[i]);
  }
}

std::string RunFolderName(const std::string& runId, int appId) {
  return kRunFolderPrefix + AppIdFileName(runId, appId, "");
}

void RemoveStrayRunFolders(Runtime& rt) {
  // Only this run's folders: the folders of run A_B are not those of run A.
  const std::string prefix = kRunFolderPrefix;
  const std::string runId = CheckRunId(rt);
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(rt.identity.runFolder, error)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_directory() && name.compare(0, prefix.size(), prefix) == 0 &&
        IsAppIdName(std::string_view(name).substr(prefix.size()), runId)) {
      fs::remove_all(entry.path(), error);
    }
  }
}

}  // namespace tarn
