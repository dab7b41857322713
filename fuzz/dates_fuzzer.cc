// The date reader on arbitrary date words: RdDate and StrToDate, and the text form of the day
// numbers the schedule computes.
#include <cmath>
#include <cstring>

#include "fuzz/fuzz_run.h"
#include "reader/dates.h"

using namespace tarn;
using namespace tarn::fuzz;

namespace {

// The day numbers of a schedule are a start day plus differences of dates of four-digit years.
constexpr double kLargestScheduleDay = 1e7;

void CheckShownDate(double dayNumber) {
  Require(DateText(dayNumber).size() == 17, "a date text that is not 17 characters");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A date is one word of at most 200 characters; longer texts only fail the length test.
  const std::string_view text = AsText(data, std::min<size_t>(size, 200));
  {
    FuzzRun run;
    double dayNumber = 0;
    if (run.Run([&] { dayNumber = RdDate(run.rt, text, "Applications"); })) {
      Require(std::isfinite(dayNumber) && dayNumber >= 1, "a date read as no day number");
      const std::string shown = DateText(dayNumber);
      CheckShownDate(dayNumber);
      // A date read is shown as a date that reads back as the same day.
      FuzzRun again;
      double back = 0;
      Require(again.Run([&] { back = RdDate(again.rt, shown.substr(0, 11), "Applications"); }),
              "a shown date that cannot be read back");
      Require(back == dayNumber, "a shown date that reads back as another day");
    }
  }
  {
    FuzzRun run;
    run.Run([&] {
      const double dayNumber = DateToDayNumber(StrToDate(run.rt, text));
      Require(std::isfinite(dayNumber), "a built date that is no day number");
    });
  }
  double dayNumber = 0;
  if (size >= sizeof dayNumber) {
    std::memcpy(&dayNumber, data, sizeof dayNumber);
    if (std::isfinite(dayNumber) && std::fabs(dayNumber) <= kLargestScheduleDay) {
      CheckShownDate(dayNumber);
    }
  }
  return 0;
}
