#include "frontend/splash_window.h"

#include <QFontMetrics>
#include <QLabel>
#include <QTimer>

#include "frontend/screen_placement.h"
#include "frontend/title_picture.h"
#include "frontend/version.h"

namespace tarn::frontend {
namespace {

// The smallest pixel size the splash's version line shrinks to before it is cut short.
constexpr int cSmallestVersionFont = 10;

}  // namespace

TfrmSplash::TfrmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setFixedSize(648, 343);

  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(rect());
  Image1->setAlignment(Qt::AlignCenter);
  Image1->setPixmap(TitlePicture().scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));

  // The version line stays one line at its place whatever font the system gives for Tahoma:
  // the font shrinks until the line fits, and a line that still does not fit is cut short.
  const QString version = QString::fromLatin1(cSplashVersion);
  const QRect place(104, 288, width() - 104 - 8, height() - 288);
  QFont font(QStringLiteral("Tahoma"));
  font.setPixelSize(16);
  font.setBold(true);
  while (font.pixelSize() > cSmallestVersionFont &&
         QFontMetrics(font).horizontalAdvance(version) > place.width())
    font.setPixelSize(font.pixelSize() - 1);
  lblInfo = new QLabel(QFontMetrics(font).elidedText(version, Qt::ElideRight, place.width()), this);
  lblInfo->setObjectName(QStringLiteral("lblInfo"));
  lblInfo->setFont(font);
  QPalette red = lblInfo->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  lblInfo->setPalette(red);
  lblInfo->setGeometry(place);
  lblInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  connect(Timer1, &QTimer::timeout, this, &TfrmSplash::Timer1Timer);
  CentreOnScreen(*this);
}

void TfrmSplash::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Only the first showing starts the splash time.
  if (FShown) return;
  FShown = true;
  FormShow();
}

void TfrmSplash::FormShow() {
  Completed = false;
  Timer1->setInterval(3000);
  Timer1->start();
}

void TfrmSplash::Timer1Timer() {
  Timer1->stop();
  Completed = true;
}

}  // namespace tarn::frontend
