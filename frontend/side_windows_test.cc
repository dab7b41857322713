// The side windows (report text, information and splash), driven offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QTimer>

#include "frontend/dialogs.h"
#include "frontend/information_window.h"
#include "frontend/report_window.h"
#include "frontend/splash_window.h"
#include "frontend/testing.h"
#include "frontend/title_picture.h"

namespace tarn::frontend {
namespace {

QPlainTextEdit* Memo(TfrmReport& window) { return window.findChild<QPlainTextEdit*>("memReoport"); }

// Every line goes to the clipboard followed by CR LF, the last one too, and the window says how
// many lines it copied.
TEST(ReportWindow, CopiesEveryLineWithCrLf) {
  const struct {
    QStringList lines;
    QString clipboard;
    QString status;
  } cases[] = {
      {{"* TARN Doduvovuv Report: Leaching", "*  max  "},
       "* TARN Doduvovuv Report: Leaching\r\n*  max  \r\n",
       "Copied 2 lines"},
      {{"a", "", "b", ""}, "a\r\n\r\nb\r\n\r\n", "Copied 4 lines"},
      {{"a"}, "a\r\n", "Copied 1 line"},
      {{}, "", "Copied 0 lines"},
  };
  for (const auto& c : cases) {
    TfrmReport window;
    window.SetReport({"an earlier report"});
    window.SetReport(c.lines);
    QApplication::clipboard()->setText("before");

    QTest::mouseClick(window.findChild<QPushButton*>("btnCopyToCliipBoard"), Qt::LeftButton);

    EXPECT_EQ(QApplication::clipboard()->text(), c.clipboard);
    EXPECT_EQ(window.findChild<QLabel*>("lblStatus")->text(), c.status);
  }
}

TEST(ReportWindow, CtrlASelectsTheWholeReport) {
  TfrmReport window;
  window.SetReport({"first line", "second line"});
  window.show();
  QPlainTextEdit* memo = Memo(window);
  memo->setFocus();
  memo->moveCursor(QTextCursor::End);

  QTest::keyClick(memo, Qt::Key_A, Qt::ControlModifier);

  EXPECT_EQ(memo->textCursor().selectedText(),
            QString("first line") + QChar::ParagraphSeparator + "second line");
  EXPECT_EQ(memo->toPlainText(), "first line\nsecond line");
}

// Each showing is a new window with the text it was given; its caption is the application
// title once it is activated.
TEST(InformationWindow, ShowsTheTextEachTime) {
  QCoreApplication::setApplicationName("TARN");
  QStringList shown;
  QStringList titles;
  const auto open = [] { ShowInformation("line 1\r\n\r\nline 3"); };
  const auto inspect = [&](TfrmInformation& window) {
    QEvent activation(QEvent::WindowActivate);
    QApplication::sendEvent(&window, &activation);
    titles << window.windowTitle();
    EXPECT_EQ(window.size(), QSize(748, 564));
    shown << window.findChild<QLabel*>("lblInfo")->text();
  };

  EXPECT_EQ(testing::AnswerModal<TfrmInformation>(open, inspect), 1);
  EXPECT_EQ(testing::AnswerModal<TfrmInformation>(open, inspect), 1);

  EXPECT_EQ(shown, QStringList({"line 1\n\nline 3", "line 1\n\nline 3"}));
  EXPECT_EQ(titles, QStringList({"TARN", "TARN"}));
}

// The confirmation's default button is the one asked for: Cancel where a wrong Enter would
// delete files.
TEST(Dialogs, ConfirmationHasTheRequestedDefaultButton) {
  for (const auto defaultButton : {Messages::Default::kOk, Messages::Default::kCancel}) {
    QtDialogs dialogs;
    QString pressedByEnter;
    testing::AnswerModal<QMessageBox>(
        [&] { dialogs.Confirm("Go on?", defaultButton); },
        [&](QMessageBox& box) { pressedByEnter = box.defaultButton()->text(); });

    EXPECT_EQ(pressedByEnter, defaultButton == Messages::Default::kOk ? "OK" : "Cancel");
  }
}

TEST(TitlePicture, IsTheProjectsOwnPicture) { EXPECT_EQ(TitlePicture().size(), QSize(869, 458)); }

// The splash is completed when its timer of three seconds has run out, counted from the first
// showing only.
// The version line is one red, bold line at its place, whole or cut short, whatever the font.
TEST(SplashWindow, ShowsTheVersionOnOneLine) {
  TfrmSplash splash;
  const auto* version = splash.findChild<QLabel*>("lblInfo");
  EXPECT_EQ(version->geometry().topLeft(), QPoint(104, 288));
  EXPECT_FALSE(version->wordWrap());
  EXPECT_LE(version->fontMetrics().horizontalAdvance(version->text()), version->width());
  EXPECT_TRUE(version->text().startsWith("TARN (Tool for Application-date Ranking"));
  EXPECT_TRUE(version->font().bold());
  EXPECT_EQ(version->palette().color(QPalette::WindowText), QColor(Qt::red));
}

TEST(SplashWindow, CompletesWhenItsTimerRunsOut) {
  TfrmSplash splash;
  auto* timer = splash.findChild<QTimer*>("Timer1");
  EXPECT_FALSE(timer->isActive());

  splash.show();
  EXPECT_FALSE(splash.Completed);
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(timer->interval(), 3000);

  QMetaObject::invokeMethod(timer, "timeout");
  EXPECT_TRUE(splash.Completed);
  EXPECT_FALSE(timer->isActive());

  splash.hide();
  splash.show();
  EXPECT_TRUE(splash.Completed);
  EXPECT_FALSE(timer->isActive());
}

}  // namespace
}  // namespace tarn::frontend
