// The names of an application id's files and folders: <RunId>_<AppId>, the id in decimal, then
// what the file is (its extension, see driver/public/run_files.h). The driver names them so, and
// the front end finds them so.
#pragma once

#include <string>
#include <string_view>

namespace tarn {

// The application id in decimal without blanks (asterisks when it does not fit five columns).
std::string AppIdToText(int appId);

// The name of an application id's file: <RunId>_<AppId><extension>.
std::string AppIdFileName(std::string_view runId, int appId, std::string_view extension);

// Whether `name` is <RunId>_<AppId> of run `runId` (the id in digits), with nothing after it.
bool IsAppIdName(std::string_view name, std::string_view runId);

// The extension of `name` when it names a file of an application id of run `runId`
// (<RunId>_<AppId><extension>, the id in digits, the extension from its full stop on); empty
// when it names none.
std::string AppIdFileExtension(std::string_view name, std::string_view runId);

}  // namespace tarn
