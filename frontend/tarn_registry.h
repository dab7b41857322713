// TTARNRegistry: the front end's settings store behind one guarded instance. The per-user part
// holds the paths the user picked; the machine part holds defaults an installer wrote.
// Each operation opens the store afresh and closes it (written values flushed) before it
// returns. Misuse raises std::runtime_error with the messages below.
#pragma once

#include <QString>

#include "frontend/platform.h"

namespace tarn::frontend {

inline constexpr char cRegKeyTarn[] = "LanthModels\\TARN\\";
inline constexpr char cRegTolvaFilePath[] = "TolvaFilePath";
inline constexpr char cRegTolvaModelPath[] = "TolvaModelPath";
inline constexpr char cRegOutputPath[] = "OutputPath";
// The optional program that runs each model run; empty or absent for none.
inline constexpr char cRegModelLauncherPath[] = "ModelLauncherPath";
inline constexpr char cSoftware[] = "SOFTWARE\\";

class TTARNRegistry {
 public:
  // Creates the one instance for the key `keyName` below "SOFTWARE\"; raises when it exists.
  static TTARNRegistry& CreateSingleton(const QString& keyName);
  // Destroys the instance, if any.
  static void DestroySingleton();
  // The instance; raises when there is none.
  static TTARNRegistry& GetSingleton();
  static bool Created();

  // The guarded construction and destruction: only CreateSingleton and DestroySingleton may
  // use them; any other call raises and changes nothing.
  static TTARNRegistry* Create(const QString& keyName);
  void Destroy();

  TTARNRegistry(const TTARNRegistry&) = delete;
  TTARNRegistry& operator=(const TTARNRegistry&) = delete;

  // Whether the per-user key holds the value `name`; raises the "not found" message instead of
  // answering false when `mustExist`.
  bool HKCUVarExists(const QString& name, bool mustExist) const;
  // The per-user string value `name`; raises when it does not exist.
  QString HKCUGetStr(const QString& name) const;
  void HKCUSetStr(const QString& name, const QString& value) const;
  void HKCUDelVar(const QString& name) const;
  // Deletes the key `keyName`, given relative to the per-user root itself.
  void HKCUDelKey(const QString& keyName) const;

  bool HKLMVarExists(const QString& name, bool mustExist) const;
  QString HKLMGetStr(const QString& name) const;
  void HKLMSetStr(const QString& name, const QString& value) const;

 private:
  explicit TTARNRegistry(const QString& keyName);
  ~TTARNRegistry() = default;

  bool VarExists(SettingsRoot root, const QString& name, bool mustExist) const;
  QString GetStr(SettingsRoot root, const QString& name) const;
  void SetStr(SettingsRoot root, const QString& name, const QString& value) const;

  QString FSoftwareKeyName;
};

}  // namespace tarn::frontend
