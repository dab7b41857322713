#include "frontend/settings_lookup.h"

#include <QDir>
#include <QSettings>

#include "frontend/run_preparation.h"
#include "frontend/tarn_registry.h"

namespace tarn::frontend {

QString BuiltInTolvaFile() {
  return WithSeparator(QDir::currentPath()) + QStringLiteral("GW_Test.tol");
}

QString BuiltInOutputPath() {
  return WithSeparator(WithSeparator(QDir::currentPath()) + QStringLiteral("output"));
}

QString lfReadRegistryKeyValue(SettingsRoot root, const QString& key, const QString& name) {
  return OpenSettingsKey(root, key)->value(name).toString();
}

QString LookUpSetting(const char* name, const QString& builtIn) {
  const TTARNRegistry& registry = TTARNRegistry::GetSingleton();
  const QString valueName = QLatin1String(name);
  if (registry.HKCUVarExists(valueName, false)) return registry.HKCUGetStr(valueName);
  const QString machine =
      lfReadRegistryKeyValue(SettingsRoot::kLocalMachine,
                             QStringLiteral("SOFTWARE\\Wow6432Node\\LanthModels\\TARN"), valueName);
  return machine.isEmpty() ? builtIn : machine;
}

}  // namespace tarn::frontend
