#include "driver/model_run.h"

#include <filesystem>

#include "driver/public/app_id.h"
#include "driver/public/number_format.h"
#include "support/platform.h"
#include "support/run_identity.h"
#include "support/text.h"

namespace tarn {

std::string FromRunFolder(const std::string& runFolder, const std::string& path) {
  const std::filesystem::path given(path);
  if (path.empty() || given.is_absolute()) return path;
  return (std::filesystem::path(runFolder) / given).string();
}

std::string ModelCommand(const RunState& state, const std::string& runFile,
                         const std::string& runFolder) {
  auto resolved = [&](const std::string& path) {
    return runFolder.empty() ? path : FromRunFolder(runFolder, path);
  };
  const std::string executable =
      resolved(std::string(TrimRight(state.binDir))) + kPathSeparator + kModelProgram;
  const bool bareLauncher = !std::filesystem::path(state.modelLauncher).has_parent_path();
  const std::string launcher =
      state.modelLauncher.empty()
          ? ""
          : QuoteForShell(bareLauncher ? state.modelLauncher : resolved(state.modelLauncher)) + " ";
  return AsDirectChild(launcher + QuoteForShell(executable) + " " +
                       std::string(TrimRight(runFile)));
}

void RunModelForAppId(Runtime& rt, const RunState& state, int appId, const std::string& runFile) {
  const int exitCode =
      rt.RunOnConsole(ModelCommand(state, runFile), std::string(TrimRight(rt.identity.runFolder)));
  if (StopRequest() != 0) {
    DiscardSummary(rt, appId);
    rt.StopIfRequested();
  }
  if (exitCode != 0) HandleFailedModelRun(rt, appId);
}

void DiscardSummary(Runtime& rt, int appId) {
  DeleteIfExists(rt.InRunFolder(AppIdFileName(CheckRunId(rt), appId, kAppIdSummary.name)));
}

void HandleFailedModelRun(Runtime& rt, int appId) {
  const std::string failure = " Error while calling AppId " + fmt::I(appId, 5);
  rt.WriteLine(kLogUnit, " ");
  rt.WriteLine(kLogUnit, failure);
  rt.WriteLine(kErrUnit, failure);
  DiscardSummary(rt, appId);
}

}  // namespace tarn
