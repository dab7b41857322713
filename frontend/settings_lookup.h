// Settings lookup: where a run's paths come from when the user has not just picked them:
// the per-user value when it exists (even empty), else the machine-wide default, else the
// built-in default.
#pragma once

#include <QString>

#include "frontend/platform.h"

namespace tarn::frontend {

// The model input offered when no setting names one: GW_Test.tol in the current folder.
QString BuiltInTolvaFile();
// The output folder offered when no setting names one: output in the current folder.
QString BuiltInOutputPath();

// The string value `name` of the key `key` of `root`; empty when the key or the value is
// missing.
QString lfReadRegistryKeyValue(SettingsRoot root, const QString& key, const QString& name);

// The setting `name` (one of the cReg... value names), looked up through the TTARNRegistry
// singleton, which must exist.
QString LookUpSetting(const char* name, const QString& builtIn);

}  // namespace tarn::frontend
