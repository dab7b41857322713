#include "frontend/tarn_registry.h"

#include <QFileInfo>
#include <QSettings>
#include <memory>
#include <stdexcept>

namespace tarn::frontend {
namespace {

constexpr char kClassName[] = "TTARNRegistry";
constexpr char cSingletonAlreadyExists[] = "Error: Object already created, use %1.GetSingleton.";
constexpr char cSingletonCreateErrorMsg[] = "Error: Do not use %1.Create, use %1.CreateSingleton.";
constexpr char cSingletonDestroyErrorMsg[] =
    "Error: Do not use %1.Destroy, this would destroy the singleton object, use "
    "%1.DestroySingleton !";
constexpr char cSingletonNotCreatedErrorMsg[] =
    "Error: Object not created, use %1.CreateSingleton.";

TTARNRegistry* FSingleton = nullptr;
bool FAllowCreate = false;
bool FAllowDestroy = false;

[[noreturn]] void Raise(const QString& message) { throw std::runtime_error(message.toStdString()); }

[[noreturn]] void RaiseFor(const char* message) {
  Raise(QString::fromLatin1(message).arg(QLatin1String(kClassName)));
}

void RequireCreated() {
  if (!FSingleton) RaiseFor(cSingletonNotCreatedErrorMsg);
}

// The assertion of a name that must not be blank: its message names this file and the line of
// the assertion.
void AssertNotBlank(const QString& text, const char* file = __builtin_FILE(),
                    int line = __builtin_LINE()) {
  if (!text.trimmed().isEmpty()) return;
  Raise(QStringLiteral("Assertion failure (%1, line %2)")
            .arg(QFileInfo(QString::fromUtf8(file)).fileName())
            .arg(line));
}

// Writes what `settings` holds to its store at once, or raises.
void Flush(QSettings& settings, const QString& name) {
  settings.sync();
  if (settings.status() != QSettings::NoError)
    Raise(QStringLiteral("Failed to set data for '%1'").arg(name));
}

// Frees an instance that is left when the program ends.
struct UnitFinalization {
  ~UnitFinalization() { TTARNRegistry::DestroySingleton(); }
} finalization;

}  // namespace

TTARNRegistry& TTARNRegistry::CreateSingleton(const QString& keyName) {
  if (FSingleton) RaiseFor(cSingletonAlreadyExists);
  FAllowCreate = true;
  FAllowDestroy = true;
  struct ClearSwitches {
    ~ClearSwitches() { FAllowCreate = FAllowDestroy = false; }
  } clear;
  FSingleton = Create(keyName);
  return *FSingleton;
}

void TTARNRegistry::DestroySingleton() {
  if (!FSingleton) return;
  FAllowDestroy = true;
  TTARNRegistry* instance = FSingleton;
  FSingleton = nullptr;
  instance->Destroy();
}

TTARNRegistry& TTARNRegistry::GetSingleton() {
  RequireCreated();
  return *FSingleton;
}

bool TTARNRegistry::Created() { return FSingleton != nullptr; }

TTARNRegistry* TTARNRegistry::Create(const QString& keyName) {
  if (!FAllowCreate) RaiseFor(cSingletonCreateErrorMsg);
  return new TTARNRegistry(keyName);
}

void TTARNRegistry::Destroy() {
  if (!FAllowDestroy) RaiseFor(cSingletonDestroyErrorMsg);
  FAllowDestroy = false;
  delete this;
}

TTARNRegistry::TTARNRegistry(const QString& keyName) : FSoftwareKeyName(keyName) {
  AssertNotBlank(keyName);
}

bool TTARNRegistry::VarExists(SettingsRoot root, const QString& name, bool mustExist) const {
  RequireCreated();
  AssertNotBlank(name);
  const bool exists =
      OpenSettingsKey(root, QLatin1String(cSoftware) + FSoftwareKeyName)->contains(name);
  if (!exists && mustExist) {
    const QString message =
        root == SettingsRoot::kCurrentUser
            ? QStringLiteral("Key\\Variable: HKEY_CURRENT_USER\\%1%2\\%3 not found")
            : QStringLiteral("Key\\Variable: HKEY_LOCAL_MACHINE\\%1%2\\%3 not found");
    Raise(message.arg(QLatin1String(cSoftware), FSoftwareKeyName, name));
  }
  return exists;
}

QString TTARNRegistry::GetStr(SettingsRoot root, const QString& name) const {
  RequireCreated();
  VarExists(root, name, true);
  return OpenSettingsKey(root, QLatin1String(cSoftware) + FSoftwareKeyName)->value(name).toString();
}

void TTARNRegistry::SetStr(SettingsRoot root, const QString& name, const QString& value) const {
  RequireCreated();
  AssertNotBlank(name);
  const auto settings = OpenSettingsKey(root, QLatin1String(cSoftware) + FSoftwareKeyName);
  settings->setValue(name, value);
  Flush(*settings, name);
}

bool TTARNRegistry::HKCUVarExists(const QString& name, bool mustExist) const {
  return VarExists(SettingsRoot::kCurrentUser, name, mustExist);
}

QString TTARNRegistry::HKCUGetStr(const QString& name) const {
  return GetStr(SettingsRoot::kCurrentUser, name);
}

void TTARNRegistry::HKCUSetStr(const QString& name, const QString& value) const {
  SetStr(SettingsRoot::kCurrentUser, name, value);
}

void TTARNRegistry::HKCUDelVar(const QString& name) const {
  RequireCreated();
  AssertNotBlank(name);
  const auto settings =
      OpenSettingsKey(SettingsRoot::kCurrentUser, QLatin1String(cSoftware) + FSoftwareKeyName);
  settings->remove(name);
  Flush(*settings, name);
}

void TTARNRegistry::HKCUDelKey(const QString& keyName) const {
  RequireCreated();
  AssertNotBlank(keyName);
  const auto settings = OpenSettingsKey(SettingsRoot::kCurrentUser, keyName);
  // An empty name removes everything below the key.
  settings->remove(QString());
  Flush(*settings, keyName);
}

bool TTARNRegistry::HKLMVarExists(const QString& name, bool mustExist) const {
  return VarExists(SettingsRoot::kLocalMachine, name, mustExist);
}

QString TTARNRegistry::HKLMGetStr(const QString& name) const {
  return GetStr(SettingsRoot::kLocalMachine, name);
}

void TTARNRegistry::HKLMSetStr(const QString& name, const QString& value) const {
  SetStr(SettingsRoot::kLocalMachine, name, value);
}

}  // namespace tarn::frontend
