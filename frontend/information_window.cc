#include "frontend/information_window.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "frontend/screen_placement.h"
#include "frontend/title_picture.h"

namespace tarn::frontend {

TfrmInformation::TfrmInformation(QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);
  // A client area of 748 by 564; the text label takes what the picture, heading and buttons leave.
  setFixedSize(748, 564);

  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setAlignment(Qt::AlignCenter);
  Image1->setFixedHeight(241);
  Image1->setPixmap(TitlePicture().scaledToHeight(241, Qt::SmoothTransformation));

  QFont fixedBold = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixedBold.setBold(true);
  pnlHeading =
      new QLabel(QStringLiteral("TARN (Tool for Application-date Ranking and Nomination)"), this);
  pnlHeading->setObjectName(QStringLiteral("pnlHeading"));
  pnlHeading->setFont(fixedBold);
  pnlHeading->setAlignment(Qt::AlignCenter);
  pnlHeading->setMargin(2);
  QPalette tooltip = pnlHeading->palette();
  tooltip.setColor(QPalette::Window, tooltip.color(QPalette::ToolTipBase));
  tooltip.setColor(QPalette::WindowText, tooltip.color(QPalette::ToolTipText));
  pnlHeading->setPalette(tooltip);
  pnlHeading->setAutoFillBackground(true);

  lblInfo = new QLabel(this);
  lblInfo->setObjectName(QStringLiteral("lblInfo"));
  lblInfo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  lblInfo->setTextFormat(Qt::PlainText);
  lblInfo->setWordWrap(true);
  lblInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblInfo->setFixedWidth(719);
  lblInfo->setMaximumHeight(304);

  btnCancel = new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton),
                              QStringLiteral("Close"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* bottom = new QHBoxLayout;
  bottom->addStretch();
  bottom->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(0);
  layout->addWidget(Image1);
  layout->addWidget(pnlHeading);
  layout->addWidget(lblInfo, 1, Qt::AlignHCenter);
  layout->addLayout(bottom);
  CentreOnScreen(*this);
}

void TfrmInformation::SetInfo(const QString& text) {
  // The label breaks lines at LF alone.
  lblInfo->setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

bool TfrmInformation::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate)
    setWindowTitle(QGuiApplication::applicationDisplayName());
  return QDialog::event(event);
}

void ShowInformation(const QString& text) {
  auto* window = new TfrmInformation;
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->SetInfo(text);
  window->exec();
}

}  // namespace tarn::frontend
