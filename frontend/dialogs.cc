#include "frontend/dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <utility>

namespace tarn::frontend {
namespace {

// The chosen path of a dialog confirmed by the user, with the system's separators.
std::optional<QString> Chosen(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(dialog.selectedFiles().front());
}

}  // namespace

void QtDialogs::ShowError(const QString& text) {
  QMessageBox box(QMessageBox::Critical, QGuiApplication::applicationDisplayName(), text,
                  QMessageBox::Ok);
  box.exec();
}

bool QtDialogs::Confirm(const QString& text, Default defaultButton) {
  QMessageBox box(QMessageBox::Question, QGuiApplication::applicationDisplayName(), text,
                  QMessageBox::Ok | QMessageBox::Cancel);
  box.setDefaultButton(defaultButton == Default::kOk ? QMessageBox::Ok : QMessageBox::Cancel);
  QMessageBox* const outer = std::exchange(FQuestion, &box);
  const bool confirmed = box.exec() == QMessageBox::Ok;
  FQuestion = outer;
  return confirmed;
}

void QtDialogs::WithdrawQuestion() {
  if (FQuestion) FQuestion->reject();
}

std::optional<QString> QtDialogs::PickTolvaFile(const QString& initialFolder) {
  // No options: a typed name need not exist yet.
  QFileDialog dialog(nullptr, QString(), initialFolder,
                     QStringLiteral("Tolva file (*.tol);;All files (*)"));
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QStringLiteral("tol"));
  return Chosen(dialog);
}

std::optional<QString> QtDialogs::PickModelFile(const QString& folder) {
  QFileDialog dialog(nullptr, QStringLiteral("Select model execubtable"), folder);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Select"));
  dialog.setDefaultSuffix(QStringLiteral("exe"));
  dialog.selectFile(QStringLiteral("Tolvamodel.exe"));
  return Chosen(dialog);
}

std::optional<QString> QtDialogs::PickModelLauncher(const QString& folder) {
  QFileDialog dialog(nullptr, QStringLiteral("Select model launcher"), folder);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Select"));
  return Chosen(dialog);
}

std::optional<QString> QtDialogs::PickOutputFolder(const QString& folder) {
  QFileDialog dialog(nullptr, QStringLiteral("Select output directory"), folder);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Select"));
  return Chosen(dialog);
}

std::optional<QString> QtDialogs::PickExportFile(const QString& title, const QString& filter,
                                                 const QString& suggestedPath) {
  QFileDialog dialog(nullptr, title, QFileInfo(suggestedPath).absolutePath(),
                     filter + QStringLiteral(";;All files (*)"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QFileInfo(suggestedPath).suffix());
  dialog.selectFile(suggestedPath);
  return Chosen(dialog);
}

}  // namespace tarn::frontend
