// TfrmSplash: the borderless title window that covers the start of the program for at least
// three seconds from its first showing.
#pragma once

#include <QWidget>

class QLabel;
class QTimer;

namespace tarn::frontend {

class TfrmSplash : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmSplash(QWidget* parent = nullptr);

  // The splash time is over.
  bool Completed = false;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();
  void Timer1Timer();

  QLabel* Image1;
  QLabel* lblInfo;
  QTimer* Timer1;
  bool FShown = false;
};

}  // namespace tarn::frontend
