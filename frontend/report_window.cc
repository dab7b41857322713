#include "frontend/report_window.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTextBlock>
#include <QVBoxLayout>

namespace tarn::frontend {

TfrmReport::TfrmReport(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("TARN Report"));
  resize(1025, 563);

  memReoport = new QPlainTextEdit(this);
  memReoport->setObjectName(QStringLiteral("memReoport"));
  memReoport->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  memReoport->setLineWrapMode(QPlainTextEdit::NoWrap);
  memReoport->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memReoport->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memReoport->installEventFilter(this);

  btnCopyToCliipBoard = new QPushButton(QStringLiteral("Copy To Clipboard"), this);
  btnCopyToCliipBoard->setObjectName(QStringLiteral("btnCopyToCliipBoard"));
  btnCopyToCliipBoard->setAutoDefault(false);
  connect(btnCopyToCliipBoard, &QPushButton::clicked, this, &TfrmReport::btnCopyToCliipBoardClick);

  // Esc answers the dialog's reject, which is this button's result.
  btnCancel = new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton),
                              QStringLiteral("Close"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnCancel->setAutoDefault(false);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnCopyToCliipBoard);
  buttons->addStretch();
  buttons->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(memReoport, 1);
  layout->addLayout(buttons);
}

void TfrmReport::SetReport(const QStringList& lines) {
  memReoport->clear();
  memReoport->setPlainText(lines.join(QLatin1Char('\n')));
}

bool TfrmReport::eventFilter(QObject* watched, QEvent* event) {
  // Ctrl+A selects the whole report and goes no further.
  if (watched == memReoport &&
      (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_A && key->modifiers() == Qt::ControlModifier) {
      if (event->type() == QEvent::KeyPress) memReoport->selectAll();
      event->accept();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmReport::btnCopyToCliipBoardClick() {
  QString text;
  const QTextDocument* document = memReoport->document();
  if (!document->isEmpty()) {
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
      text += block.text() + QStringLiteral("\r\n");
  }
  QApplication::clipboard()->setText(text);
}

void ShowReport(const QStringList& lines) {
  auto* window = new TfrmReport;
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->SetReport(lines);
  window->exec();
}

}  // namespace tarn::frontend
