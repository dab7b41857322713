// The command line of TARN_SB: no option opens the window, --help and --version print and end,
// and --batch runs without a window with the options below it. Read before any application
// object exists, so that --help works without a display.
#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>
#include <functional>
#include <optional>
#include <ostream>

namespace tarn::frontend {

// Every option of TARN_SB, with the toolkit's own window options accepted but not listed.
struct CommandLine {
  CommandLine();
  // The usage, the options and what they do.
  QString Usage() const;
  // The usage, then what the exit status tells and which files are read: the text of --help
  // and of the manual page.
  QString Help() const;

  QCommandLineParser parser;
  QCommandLineOption batch, help, version, input, model, output, option, interval, firstDay,
      lastDay, emptyOutput, parallel, csv, launcher, quiet, record, verify, pdf, plan, jobs,
      summary, resume;
};

// The status TARN_SB ends with at once for `arguments` (the program name first): 0 after
// printing the usage (--help) or the version (--version) to `out`, the verification's status
// (VerifyStatus) for --verify, 2 after printing the reason and the usage to `err` for an option
// it does not know, an argument it does not take, a headless option without --batch or an
// option that does not go with --verify. Nothing when the program goes on.
std::optional<int> AnswerCommandLine(const QStringList& arguments, std::ostream& out,
                                     std::ostream& err);

// Writes `text` and a line end to `stream` in the system's encoding.
void WriteLine(std::ostream& stream, const QString& text);

// Runs `write`, which throws std::runtime_error with its reason when it cannot write its file.
// False, with that reason written to `err`, when it threw.
bool WrittenOrSaid(const std::function<void()>& write, std::ostream& err);

}  // namespace tarn::frontend
