// Dialogs: everything the main window and the report window ask their user through a modal
// dialog, so that tests can answer without a dialog on the screen.
#pragma once

#include <QString>
#include <optional>

class QMessageBox;

#include "frontend/messages.h"

namespace tarn::frontend {

class Dialogs : public Messages {
 public:
  // The classic open-file dialog for the model input, starting in `initialFolder`; nothing
  // when the user cancels.
  virtual std::optional<QString> PickTolvaFile(const QString& initialFolder) = 0;
  // The dialog that selects the model executable, starting in `folder`.
  virtual std::optional<QString> PickModelFile(const QString& folder) = 0;
  // The dialog that selects the program that runs each model run, starting in `folder`.
  virtual std::optional<QString> PickModelLauncher(const QString& folder) = 0;
  // The dialog that selects an existing output folder, starting in `folder`; the result has
  // no trailing separator.
  virtual std::optional<QString> PickOutputFolder(const QString& folder) = 0;
  // The dialog titled `title` that chooses the file an export is saved as, proposing
  // `suggestedPath` (whose suffix is added to a name without one) and offering the files of
  // `filter` ("CSV files (*.csv)").
  virtual std::optional<QString> PickExportFile(const QString& title, const QString& filter,
                                                const QString& suggestedPath) = 0;
  // Takes back the confirmation that is open, if any, as if the user had cancelled it: what it
  // asked about has changed meanwhile.
  virtual void WithdrawQuestion() = 0;
};

// The dialogs as message boxes and file dialogs of the toolkit.
class QtDialogs : public Dialogs {
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

 private:
  // The confirmation on the screen; none when no question is open.
  QMessageBox* FQuestion = nullptr;
};

}  // namespace tarn::frontend
