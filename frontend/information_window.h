// TfrmInformation: the About window, the title picture above the product's full name and the
// About text.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace tarn::frontend {

class TfrmInformation : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmInformation(QWidget* parent = nullptr);

  // Puts `text` into the information label.
  void SetInfo(const QString& text);

 protected:
  bool event(QEvent* event) override;

 private:
  QLabel* Image1;
  QLabel* pnlHeading;
  QLabel* lblInfo;
  QPushButton* btnCancel;
};

// Shows a new information window modally with `text` and releases it afterwards.
void ShowInformation(const QString& text);

}  // namespace tarn::frontend
