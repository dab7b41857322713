// Test support of the front end: temporary folders with files, dialogs that tests answer,
// the settings stores redirected to a temporary folder, and modal windows answered by a timer.
#pragma once

#include <QByteArray>
#include <QDialog>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <optional>
#include <ostream>
#include <vector>

#include "frontend/dialogs.h"

namespace tarn::frontend::testing {

// A temporary folder that tests fill with files; removed with everything in it.
class TempFolder {
 public:
  TempFolder();
  // The path of `relative` inside the folder (the folder itself for an empty text).
  QString Path(const QString& relative = QString()) const;
  // Writes `bytes` as the file `relative`, creating its folders.
  void Write(const QString& relative, const QByteArray& bytes = "x") const;
  QByteArray Read(const QString& relative) const;
  bool Exists(const QString& relative) const;
  void MakeFolder(const QString& relative) const;
  // Removes the file or the folder (with everything in it) `relative`.
  void Remove(const QString& relative) const;
  // Every name in the folder `relative`, hidden ones included, sorted.
  QStringList Names(const QString& relative = QString()) const;
  // Copies the bundled example's model input and companions into the folder `relative`, made
  // first.
  void PlaceExample(const QString& relative) const;
  // Links the built driver as bin/TARN_DoduVovuv, where the front end looks for it below the
  // current folder.
  void PlaceDriver() const;

 private:
  QTemporaryDir dir_;
};

// Dialogs answered from queues and recorded for the test to check.
class RecordingDialogs : public Dialogs {
 public:
  void ShowError(const QString& text) override;
  bool Confirm(const QString& text, Default defaultButton) override;
  std::optional<QString> PickTolvaFile(const QString& initialFolder) override;
  std::optional<QString> PickModelFile(const QString& folder) override;
  std::optional<QString> PickModelLauncher(const QString& folder) override;
  std::optional<QString> PickOutputFolder(const QString& folder) override;
  std::optional<QString> PickExportFile(const QString& title, const QString& filter,
                                        const QString& suggestedPath) override;
  void WithdrawQuestion() override;

  QStringList errors;
  QStringList questions;
  // The default button of each question.
  std::vector<Default> defaults;
  // Folders the pickers were opened in (the proposed file for an export).
  QStringList pickerFolders;
  // The answer to every question.
  bool confirm = true;
  // What happens while a question is open, before it is answered (nothing by default).
  std::function<void()> whileAsking;
  // The questions withdrawn while they were open; a withdrawn question answers Cancel.
  QStringList withdrawn;
  // The answers of the pickers, in order; nothing is a cancel.
  std::deque<std::optional<QString>> picks;

 private:
  std::optional<QString> NextPick(const QString& folder);
  // The question now open; empty when none is.
  QString open_;
};

// Redirects the per-user and machine settings stores to `folder` and empties them.
void UseSettingsFolder(const QString& folder);
// Removes every stored setting of both stores.
void ClearSettings();
// Writes a value the way an installer (machine) or an earlier session (user) left it.
void WriteUserSetting(const QString& name, const QString& value);
void WriteMachineSetting(const QString& name, const QString& value);
// The stored per-user value, read with a fresh settings object; nothing when absent.
std::optional<QString> UserSetting(const QString& name);

// Runs `action`; whenever a modal window is shown during it, `answer` is given it and closes
// it when it is the expected one (returning true). Returns how many windows were answered.
int RunAnsweringModals(const std::function<void()>& action,
                       const std::function<bool(QWidget&)>& answer);

// Runs `action` and hands every modal dialog of type T shown during it to `inspect`, then
// closes it. Returns how many were shown.
template <typename T>
int AnswerModal(const std::function<void()>& action, const std::function<void(T&)>& inspect) {
  return RunAnsweringModals(action, [&](QWidget& window) {
    auto* dialog = qobject_cast<T*>(&window);
    if (!dialog) return false;
    inspect(*dialog);
    dialog->reject();
    return true;
  });
}

// Writes a stand-in model TolvaModel.exe into `folder` that writes its process id to `pidFile`
// and then waits far longer than any test.
void WriteSlowModel(const QString& folder, const QString& pidFile);
// Whether the process whose id `pidText` holds has ended (a zombie waiting to be reaped has).
bool ProcessEnded(const QByteArray& pidText);

// What `program` with `arguments` writes to standard output; nothing when it cannot be started
// or fails.
std::optional<QString> ProgramOutput(const QString& program, const QStringList& arguments);

// Makes the current folder `folder` while it lives, and restores the previous one.
class CurrentFolder {
 public:
  explicit CurrentFolder(const QString& folder);
  ~CurrentFolder();

 private:
  QString previous_;
};

}  // namespace tarn::frontend::testing

// Readable values in test failures.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QByteArray& bytes, std::ostream* out) {
  *out << '"' << bytes.toStdString() << '"';
}
