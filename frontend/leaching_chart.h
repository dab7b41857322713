// Leaching chart: the leaching concentration of one compound over the first application days of
// the year, with the application that the driver selected marked and named in the legend. Shown
// by the report window and drawn into the dossier PDF.
#pragma once

#include "frontend/report_data.h"

class QChartView;

namespace tarn::frontend {

// A new chart view of `compound`'s results, named "chtLeaching", at least wide enough for every
// month name to show whole; the caller owns it.
QChartView* LeachingChart(const CompoundResults& compound);

}  // namespace tarn::frontend
