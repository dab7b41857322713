#include "frontend/run_log.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "frontend/testing.h"

namespace tarn::frontend {
namespace {

// The copy of the model input in the output folder: two compounds, applications 14 days apart.
constexpr char kModelInput[] =
    "table compounds\nTarnazine\nTarnazine_Met\nend_table\n"
    "table Applications\n01-Apr     AppSolSur         1.000\n"
    "15-Apr     AppSolSur         0.500\nend_table\n";

// An application id's model input as the driver writes it, its first row on `date`.
QByteArray Input(const char* date) {
  return QByteArray("* copy\ntable Applications\n") + date +
         "     AppSolSur         1.000\nend_table\n";
}

// A model summary as the stand-in model writes it.
QByteArray Summary(const char* parent, const char* metabolite) {
  return QByteArray("* summary\nResult_Tarnazine  PEC80  ") + parent +
         "\nResult_Tarnazine_Met  PEC80  " + metabolite + "\n";
}

// The driver's report once it holds the results.
constexpr char kReportResults[] =
    "* header\n* \n"
    "* ApplicationId      PEC80 for each compound; total number of compounds is:   2\n";

const QString kFinished1 =
    "Application id 1 finished: Tarnazine 0.1234E-01 ug/L, Tarnazine_Met 0.5670E-03 ug/L";
const QString kFinished2 =
    "Application id 2 finished: Tarnazine 0.2000E-01 ug/L, Tarnazine_Met 0.1000E-02 ug/L";

// What the log makes of the files a run leaves, look by look: an id starts with its model input
// (with several runs at once, with its run's own folder), and finishes once the driver has gone
// on to the next id, has put the results into its report or has ended; a summary the driver deleted or would refuse is a failure, and
// the input the user-defined schedule writes and discards past its end is no start.
TEST(RunLog, ReadsStartsAndFinishesFromTheRunFolder) {
  enum Look { kLook, kEnd, kStoppedEnd };
  struct Step {
    // Files written (a name ending in "/" is a folder); a null content removes the name.
    std::vector<std::pair<const char*, QByteArray>> files;
    Look look;
    QStringList lines;
    QList<int> running;
  };
  const QByteArray kRemove;
  const QByteArray sum1 = Summary("1.234000E-02", "5.670000E-04");
  const QByteArray sum2 = Summary("2.000000E-02", "1.000000E-03");
  const struct {
    const char* name;
    const char* option;
    int parallel;
    std::vector<Step> steps;
  } cases[] = {
      {"one at a time",
       "Monthly",
       1,
       {{{{"GW_1.tol", Input("15-Jan")}},
         kLook,
         {"Application id 1 started, first application on 15-Jan"},
         {1}},
        // The summary may still be written while the driver has not gone on.
        {{{"GW_1.sum", sum1}}, kLook, {}, {1}},
        {{{"GW_2.tol", Input("15-Feb")}},
         kLook,
         {kFinished1, "Application id 2 started, first application on 15-Feb"},
         {2}},
        {{{"GW_2.sum", sum2}}, kEnd, {kFinished2}, {}}}},
      {"a model input still being written",
       "Monthly",
       1,
       {{{{"GW_1.tol", "* copy\ntable Applications\n15-J"}}, kLook, {}, {}},
        {{{"GW_1.tol", Input("15-Jan")}},
         kLook,
         {"Application id 1 started, first application on 15-Jan"},
         {1}}}},
      {"failed model runs",
       "Monthly",
       1,
       {{{{"GW_1.tol", Input("15-Jan")},
          {"GW_2.tol", Input("15-Feb")},
          {"GW_3.tol", Input("15-Mar")},
          {"GW_2.sum", Summary("NaN", "1.0E-03")}},
         kLook,
         {"Application id 1 started, first application on 15-Jan", "Application id 1 failed",
          "Application id 2 started, first application on 15-Feb", "Application id 2 failed",
          "Application id 3 started, first application on 15-Mar"},
         {3}},
        // The driver discards the summary of the model run that a stop cut short.
        {{}, kStoppedEnd, {"Application id 3 stopped"}, {}}}},
      {"the input discarded past the schedule's end",
       "UserDefined",
       1,
       {{{{"GW_1.tol", Input("10-Apr")},
          {"GW_1.sum", sum1},
          {"GW_2.tol", Input("30-Apr")},
          {"GW_2.sum", sum2},
          {"GW_3.tol", Input("20-May")}},
         kLook,
         {"Application id 1 started, first application on 10-Apr", kFinished1,
          "Application id 2 started, first application on 30-Apr", kFinished2},
         {}},
        {{{"GW_3.tol", kRemove}}, kEnd, {}, {}}}},
      {"several at once",
       "Monthly",
       2,
       {{{{"GW_1.tol", Input("15-Jan")},
          {"GW_2.tol", Input("15-Feb")},
          {"GW_3.tol", Input("15-Mar")}},
         kLook,
         {},
         {}},
        {{{".tarn-run-GW_2/", ""}},
         kLook,
         {"Application id 2 started, first application on 15-Feb"},
         {2}},
        // A run's summary is back, but whether it failed the driver tells only at the end.
        {{{".tarn-run-GW_1/", ""}, {"GW_2.sum", sum2}, {".tarn-run-GW_2/", kRemove}},
         kLook,
         {"Application id 1 started, first application on 15-Jan"},
         {1}},
        {{{"GW_3.sum", sum1}},
         kLook,
         {"Application id 3 started, first application on 15-Mar"},
         {1}},
        // Results in the report: every run has ended, and the look that tells it is the last.
        {{{".tarn-run-GW_1/", kRemove}, {"GW_3.sum", kRemove}, {"GW_Tsb.sum", kReportResults}},
         kLook,
         {"Application id 1 failed", kFinished2, "Application id 3 failed"},
         {}},
        {{{"GW_1.sum", sum1}}, kLook, {}, {}},
        {{}, kEnd, {}, {}}}},
  };
  for (const auto& c : cases) {
    testing::TempFolder out;
    out.Write("GW.tol", kModelInput);
    RunSettings settings{"/in/GW.tol", "/model/TolvaModel.exe",
                         out.Path(),   "/bin/TARN_DoduVovuv",
                         c.option,     "20",
                         "100",        "134",
                         c.parallel};
    RunLog log(settings);
    int step = 0;
    for (const Step& s : c.steps) {
      for (const auto& [name, content] : s.files) {
        const QString path = QString::fromLatin1(name);
        if (content.isNull()) {
          out.Remove(path);
        } else if (path.endsWith('/')) {
          out.MakeFolder(path);
        } else {
          out.Write(path, content);
        }
      }
      const QStringList lines = s.look == kLook ? log.Look() : log.LookAtEnd(s.look == kStoppedEnd);
      EXPECT_EQ(lines, s.lines) << c.name << ", step " << step;
      EXPECT_EQ(log.Running(), s.running) << c.name << ", step " << step;
      ++step;
    }
  }
}

}  // namespace
}  // namespace tarn::frontend
