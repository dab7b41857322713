#include "frontend/command_line.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <sstream>

#include "frontend/testing.h"

namespace tarn::frontend {
namespace {

// What TARN_SB answers at once, before any window, and what it leaves to the window or to the
// headless mode.
TEST(CommandLine, AnswersHelpVersionAndWrongOptions) {
  const struct {
    QStringList arguments;
    std::optional<int> status;
    QString outStart;
    QString errStart;
  } cases[] = {
      {{}, std::nullopt, "", ""},
      {{"-platform", "offscreen", "-style", "fusion", "-reverse"}, std::nullopt, "", ""},
      {{"--batch", "--input", "GW.tol"}, std::nullopt, "", ""},
      {{"--help"}, 0, "Usage: TARN_SB [--help | --version]\n       TARN_SB --batch", ""},
      {{"-h"}, 0, "Usage: TARN_SB", ""},
      {{"--version"}, 0, "TARN_SB 1.0, for TARN Doduvovuv version 1.1\n", ""},
      {{"--fast"}, 2, "", "Unknown option 'fast'.\nUsage: TARN_SB"},
      {{"GW.tol"}, 2, "", "Unexpected argument: GW.tol\nUsage: TARN_SB"},
      {{"--csv", "x.csv"}, 2, "", "The option --csv needs --batch.\nUsage: TARN_SB"},
      {{"--launcher", "wine"}, 2, "", "The option --launcher needs --batch.\nUsage: TARN_SB"},
      {{"--record", "r.json"}, 2, "", "The option --record needs --batch.\nUsage: TARN_SB"},
      {{"--pdf", "r.pdf"}, 2, "", "The option --pdf needs --batch.\nUsage: TARN_SB"},
      {{"--verify", "r.json", "--csv", "x.csv"},
       2,
       "",
       "The option --csv does not go with --verify.\nUsage: TARN_SB"},
  };
  for (const auto& c : cases) {
    std::ostringstream out, err;
    const QString name = c.arguments.join(' ');

    EXPECT_EQ(AnswerCommandLine(QStringList({"TARN_SB"}) + c.arguments, out, err), c.status)
        << name.toStdString();

    EXPECT_TRUE(QString::fromStdString(out.str()).startsWith(c.outStart)) << out.str();
    EXPECT_TRUE(QString::fromStdString(err.str()).startsWith(c.errStart)) << err.str();
    EXPECT_EQ(out.str().empty(), c.outStart.isEmpty()) << name.toStdString();
    EXPECT_EQ(err.str().empty(), c.errStart.isEmpty()) << name.toStdString();
  }
}

#ifndef _WIN32
// The program itself, without any display: --help lists the options, --batch and --launcher
// among them, what the exit status tells and the files read (the manual page is made from it).
TEST(CommandLine, HelpNeedsNoDisplay) {
  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    environment.remove(display);
  program.setProcessEnvironment(environment);
  program.start(TARN_BIN_DIR "/TARN_SB", {"--help"});
  ASSERT_TRUE(program.waitForFinished(30000));

  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 0);
  const QByteArray help = program.readAllStandardOutput();
  for (const char* option : {"\n  --batch ", "\n  --launcher <file> ", "\n\nExit status:\n  0 ",
                             "\n\nFiles:\n", "\n  /etc/xdg/LanthModels/TARN.conf\n"})
    EXPECT_TRUE(help.contains(option)) << option;
}
#endif

}  // namespace
}  // namespace tarn::frontend
