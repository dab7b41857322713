// TfrmReport: shows the lines extracted from the driver's summary report in a fixed-pitch text
// box and copies them to the clipboard.
#pragma once

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;
class QPushButton;

namespace tarn::frontend {

class TfrmReport : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmReport(QWidget* parent = nullptr);

  // Empties the text box, then fills it with `lines`.
  void SetReport(const QStringList& lines);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void btnCopyToCliipBoardClick();

  QPlainTextEdit* memReoport;
  QPushButton* btnCopyToCliipBoard;
  QPushButton* btnCancel;
};

// Shows a new report window modally with `lines` and releases it afterwards.
void ShowReport(const QStringList& lines);

}  // namespace tarn::frontend
