#include "frontend/command_line.h"

#include <stdexcept>

#include "driver/public/control_file.h"
#include "frontend/audit_record.h"
#include "frontend/platform.h"
#include "frontend/version.h"

namespace tarn::frontend {
namespace {

// The toolkit's window options (-platform offscreen, -style fusion, ...), which the window
// takes itself: the ones that need a value, then the switches.
constexpr const char* kToolkitOptionsWithValue[] = {"platform",
                                                    "platformpluginpath",
                                                    "platformtheme",
                                                    "plugin",
                                                    "qwindowgeometry",
                                                    "qwindowicon",
                                                    "qwindowtitle",
                                                    "display",
                                                    "geometry",
                                                    "style",
                                                    "stylesheet",
                                                    "session",
                                                    "name",
                                                    "title",
                                                    "qmljsdebugger"};
constexpr const char* kToolkitSwitches[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

// What the exit status of --batch tells; the manual page is made from this help too.
constexpr char kExitStatusHelp[] =
    "Exit status:\n"
    "  0   The run succeeded: tolva.ok, no error file or busy marker, a complete\n"
    "      report (with --plan: every scenario did).\n"
    "  1   The run did not succeed (with --plan: a scenario did not), or was stopped\n"
    "      by Ctrl-C; the message lines of the driver's error file (or its last\n"
    "      console lines) follow on standard error.\n"
    "  2   Nothing was run: an option or input was refused (the --csv, --pdf,\n"
    "      --record and --summary files and the plan's rows included), the output\n"
    "      folder was not emptied, or a run is still going on in it.\n"
    "  3   The run succeeded, but --csv, --pdf, --record or --summary could not\n"
    "      write its file; the reason follows on standard error.\n"
    "  --verify  0 when every file is the one its record names, 1 when one differs\n"
    "      or is missing, 2 when the record cannot be read.\n";

}  // namespace

void WriteLine(std::ostream& stream, const QString& text) {
  stream << text.toLocal8Bit().constData() << '\n';
}

bool WrittenOrSaid(const std::function<void()>& write, std::ostream& err) {
  try {
    write();
  } catch (const std::runtime_error& error) {
    WriteLine(err, QString::fromUtf8(error.what()));
    return false;
  }
  return true;
}

CommandLine::CommandLine()
    : batch(QStringLiteral("batch"),
            QStringLiteral("Run without the window: prepare the output folder, run the driver and "
                           "write the header and leaching sections of its report to standard "
                           "output. The options below need it.")),
      help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")),
      version(QStringLiteral("version"), QStringLiteral("Show the version.")),
      input(QStringLiteral("input"), QStringLiteral("The model input file (*.tol)."),
            QStringLiteral("file")),
      model(QStringLiteral("model"), QStringLiteral("The model executable."),
            QStringLiteral("file")),
      output(QStringLiteral("output"), QStringLiteral("The output folder."),
             QStringLiteral("folder")),
      option(QStringLiteral("option"), QStringLiteral("Monthly (the default) or UserDefined."),
             QStringLiteral("option"), QStringLiteral("Monthly")),
      interval(QStringLiteral("interval"),
               QStringLiteral("Days between the starting days of two application ids (default "
                              "%1).")
                   .arg(kDefaultInterval),
               QStringLiteral("days"), QString::number(kDefaultInterval)),
      firstDay(QStringLiteral("first-day"),
               QStringLiteral("First possible day-in-year of application (default %1).")
                   .arg(kDefaultFirstDay),
               QStringLiteral("day"), QString::number(kDefaultFirstDay)),
      lastDay(QStringLiteral("last-day"),
              QStringLiteral("Last possible day-in-year of application (default %1).")
                  .arg(kDefaultLastDay),
              QStringLiteral("day"), QString::number(kDefaultLastDay)),
      emptyOutput(QStringLiteral("empty-output"),
                  QStringLiteral("Empty an output folder that TARN never prepared.")),
      parallel(QStringLiteral("parallel"),
               QStringLiteral("Model runs at once, %1 to %2, each in its own folder (default %3).")
                   .arg(kParallelRunsRange.minimum)
                   .arg(kParallelRunsRange.maximum)
                   .arg(kDefaultParallelRuns),
               QStringLiteral("runs"), QString::number(kDefaultParallelRuns)),
      csv(QStringLiteral("csv"),
          QStringLiteral("After a successful run, write its results as CSV to this file."),
          QStringLiteral("file")),
      launcher(QStringLiteral("launcher"),
               QStringLiteral("The program that runs each model run (a Wine or Slurm launcher); "
                              "an empty name runs the model itself."),
               QStringLiteral("file")),
      quiet(QStringLiteral("quiet"),
            QStringLiteral("Leave out the live run log on standard error: a line as each "
                           "application id's model run starts (its first application day) and "
                           "finishes (its concentration per compound, or failed); on a terminal a "
                           "progress line instead.")),
      record(QStringLiteral("record"),
             QStringLiteral("After the run, whatever its outcome, write its audit record to this "
                            "file."),
             QStringLiteral("file")),
      verify(QStringLiteral("verify"),
             QStringLiteral("Check that the files an audit record names are still the ones of "
                            "its run, one line per file: exit status 0 when all are, 1 when one "
                            "differs or is missing, 2 when the record cannot be read. The run's "
                            "files are looked for in the output folder the record names, or in "
                            "--output."),
             QStringLiteral("record")),
      pdf(QStringLiteral("pdf"),
          QStringLiteral("After a successful run, write its dossier to this file: an A4 PDF of "
                         "what was run, what came out and how, with the audit record and the "
                         "CSV of the results attached. With --plan: the summary table, then the "
                         "dossier of each successful scenario."),
          QStringLiteral("file")),
      plan(QStringLiteral("plan"),
           QStringLiteral("Run every scenario of this run plan (a CSV file, see the README), each "
                          "in its subfolder of --output, and write a summary table of their "
                          "worst cases to standard output."),
           QStringLiteral("file")),
      jobs(QStringLiteral("jobs"),
           QStringLiteral("With --plan: model runs at once across all scenarios (default: the "
                          "number of processors)."),
           QStringLiteral("runs")),
      summary(QStringLiteral("summary"),
              QStringLiteral("With --plan: write the summary table as CSV to this file."),
              QStringLiteral("file")),
      resume(QStringLiteral("resume"),
             QStringLiteral("With --plan: run only the scenarios whose subfolder holds no "
                            "successful run of the same inputs, settings and programs.")) {
  parser.setApplicationDescription(
      QStringLiteral("TARN_SB prepares a TARN run, starts the driver TARN_DoduVovuv and shows "
                     "its report. Without options it opens its window; stored paths are "
                     "offered there and used by --batch where no option names them."));
  parser.addOptions({help,   version,  verify,   batch,   input,       model,    output, launcher,
                     option, interval, firstDay, lastDay, emptyOutput, parallel, csv,    pdf,
                     record, quiet,    plan,     jobs,    summary,     resume});
  for (const char* name : kToolkitOptionsWithValue) {
    QCommandLineOption toolkit(QLatin1String(name), QString(), QStringLiteral("value"));
    toolkit.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(toolkit);
  }
  for (const char* name : kToolkitSwitches) {
    QCommandLineOption toolkit{QLatin1String(name), QString()};
    toolkit.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(toolkit);
  }
  // The toolkit's options begin with one dash: "-platform offscreen".
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
}

QString CommandLine::Usage() const {
  return QStringLiteral(
             "Usage: TARN_SB [--help | --version]\n"
             "       TARN_SB --batch [options]\n"
             "       TARN_SB --batch --plan <file> --output <folder> [options]\n"
             "       TARN_SB --verify <record> [--output <folder>]\n\n") +
         parser.helpText().section(QLatin1Char('\n'), 1);
}

QString CommandLine::Help() const {
  return Usage() + QLatin1Char('\n') + QLatin1String(kExitStatusHelp) + QLatin1Char('\n') +
         FilesHelp();
}

std::optional<int> AnswerCommandLine(const QStringList& arguments, std::ostream& out,
                                     std::ostream& err) {
  CommandLine commandLine;
  QCommandLineParser& parser = commandLine.parser;
  QString problem;
  if (!parser.parse(arguments)) {
    problem = parser.errorText();
  } else if (parser.isSet(commandLine.help)) {
    WriteLine(out, commandLine.Help());
    return 0;
  } else if (parser.isSet(commandLine.version)) {
    WriteLine(out, QLatin1String(cVersionLine));
    return 0;
  } else if (!parser.positionalArguments().isEmpty()) {
    problem = QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().front());
  } else if (parser.isSet(commandLine.verify)) {
    for (const QCommandLineOption& other :
         {commandLine.batch, commandLine.input, commandLine.model, commandLine.launcher,
          commandLine.option, commandLine.interval, commandLine.firstDay, commandLine.lastDay,
          commandLine.emptyOutput, commandLine.parallel, commandLine.csv, commandLine.record,
          commandLine.pdf, commandLine.plan, commandLine.jobs, commandLine.summary,
          commandLine.resume}) {
      if (parser.isSet(other)) {
        problem =
            QStringLiteral("The option --%1 does not go with --verify.").arg(other.names().front());
        break;
      }
    }
    if (problem.isEmpty())
      return VerifyAuditRecord(parser.value(commandLine.verify), parser.value(commandLine.output),
                               out, err);
  } else if (!parser.isSet(commandLine.batch)) {
    for (const QCommandLineOption& headless :
         {commandLine.input, commandLine.model, commandLine.output, commandLine.launcher,
          commandLine.option, commandLine.interval, commandLine.firstDay, commandLine.lastDay,
          commandLine.emptyOutput, commandLine.parallel, commandLine.csv, commandLine.record,
          commandLine.pdf, commandLine.quiet, commandLine.plan, commandLine.jobs,
          commandLine.summary, commandLine.resume}) {
      if (parser.isSet(headless)) {
        problem = QStringLiteral("The option --%1 needs --batch.").arg(headless.names().front());
        break;
      }
    }
  } else if (parser.isSet(commandLine.plan)) {
    // The plan names each scenario's input; the single run's exports and runs at once have the
    // plan's summary and --jobs.
    for (const QCommandLineOption& single :
         {commandLine.input, commandLine.parallel, commandLine.csv, commandLine.record}) {
      if (parser.isSet(single)) {
        problem =
            QStringLiteral("The option --%1 does not go with --plan.").arg(single.names().front());
        break;
      }
    }
  } else {
    for (const QCommandLineOption& planOnly :
         {commandLine.jobs, commandLine.summary, commandLine.resume}) {
      if (parser.isSet(planOnly)) {
        problem = QStringLiteral("The option --%1 needs --plan.").arg(planOnly.names().front());
        break;
      }
    }
  }
  if (problem.isEmpty()) return std::nullopt;
  WriteLine(err, problem);
  WriteLine(err, commandLine.Usage());
  return 2;
}

}  // namespace tarn::frontend
