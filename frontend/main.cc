// TARN_SB: the dialog that prepares and runs the driver, or with --batch the same run without
// a window. --help and --version answer before any window or display is needed.
#include <QApplication>
#include <QCoreApplication>
#include <iostream>
#include <memory>

#include "frontend/batch_mode.h"
#include "frontend/command_line.h"
#include "frontend/dialogs.h"
#include "frontend/main_window.h"
#include "frontend/platform.h"
#include "frontend/splash_window.h"

using namespace tarn::frontend;

namespace {

int RunDialog(int argc, char** argv) {
  QApplication app(argc, argv);
  QtDialogs dialogs;
  std::unique_ptr<TfrmMain> frmMain;
  {
    // The splash covers the reading of the settings and stays at least its three seconds.
    auto frmSplash = std::make_unique<TfrmSplash>();
    frmSplash->show();
    frmMain = std::make_unique<TfrmMain>(dialogs);
    while (!frmSplash->Completed) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    frmSplash->hide();
  }
  frmMain->show();
  return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
  if (IsBatchCommandLine(argc, argv)) {
    // A dossier's charts are widgets, drawn without a display on the offscreen platform.
    std::unique_ptr<QCoreApplication> app;
    if (BatchDrawsPdf(argc, argv)) {
      qputenv("QT_QPA_PLATFORM", "offscreen");
      app = std::make_unique<QApplication>(argc, argv);
    } else {
      app = std::make_unique<QCoreApplication>(argc, argv);
    }
    return RunBatch(QCoreApplication::arguments(), std::cout, std::cerr, std::cerr,
                    StandardErrorIsTerminal());
  }
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  if (const std::optional<int> status = AnswerCommandLine(arguments, std::cout, std::cerr))
    return *status;
  return RunDialog(argc, argv);
}
