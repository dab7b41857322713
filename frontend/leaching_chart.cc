#include "frontend/leaching_chart.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <string_view>

#include "driver/public/calendar.h"

namespace tarn::frontend {
namespace {

// The months of a common year as the x axis, each named at its middle.
QCategoryAxis* YearAxis() {
  auto* axis = new QCategoryAxis;
  int monthEnd = 0;
  for (int month = 1; month <= 12; ++month) {
    monthEnd += MonthLength(month, 1900);
    const std::string_view name = MonthName(month);
    axis->append(QString::fromLatin1(name.data(), static_cast<int>(name.size())), monthEnd);
  }
  axis->setRange(0, monthEnd);
  axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionCenter);
  axis->setTitleText(QStringLiteral("First application day"));
  return axis;
}

// The narrowest chart whose month names all show whole, each within its month with room beside
// it, plus the concentration axis.
int ChartMinimumWidth(QCategoryAxis& months) {
  const QFontMetrics metrics(months.labelsFont());
  double dayWidth = 0;
  double monthStart = months.min();
  for (const QString& name : months.categoriesLabels()) {
    const double monthEnd = months.endValue(name);
    dayWidth = std::max(dayWidth, (metrics.horizontalAdvance(name) + metrics.averageCharWidth()) /
                                      (monthEnd - monthStart));
    monthStart = monthEnd;
  }
  const int plotWidth = static_cast<int>(std::ceil(dayWidth * (months.max() - months.min())));
  // The concentration axis's labels and title, and the chart's margins.
  return plotWidth + metrics.horizontalAdvance(QStringLiteral("0.0000")) + 4 * metrics.height();
}

}  // namespace

QChartView* LeachingChart(const CompoundResults& compound) {
  std::vector<ApplicationResult> byDay = compound.results;
  std::stable_sort(byDay.begin(), byDay.end(),
                   [](const auto& a, const auto& b) { return a.dayOfYear < b.dayOfYear; });
  auto* season = new QLineSeries;
  season->setName(QStringLiteral("Leaching concentration (ug/L)"));
  season->setPointsVisible(true);
  double lowest = 0;
  double highest = 0;
  for (const ApplicationResult& result : byDay) {
    season->append(result.dayOfYear, result.conc);
    lowest = std::min(lowest, result.conc);
    highest = std::max(highest, result.conc);
  }

  const ApplicationResult& worst = compound.WorstCase();
  const QString label = QStringLiteral("Selected: id %1, %2, %3 ug/L")
                            .arg(worst.appId)
                            .arg(worst.firstDate, PlainDecimal(worst.concText));
  auto* selected = new QScatterSeries;
  selected->setName(label);
  selected->append(worst.dayOfYear, worst.conc);
  selected->setMarkerSize(13);
  selected->setColor(Qt::red);

  auto* chart = new QChart;
  chart->setTitle(compound.name);
  chart->setMargins(QMargins(2, 2, 2, 2));
  chart->setBackgroundRoundness(0);
  chart->addSeries(season);
  chart->addSeries(selected);
  QCategoryAxis* days = YearAxis();
  auto* conc = new QValueAxis;
  conc->setRange(lowest, highest > lowest ? highest * 1.1 : lowest + 1);
  conc->applyNiceNumbers();
  conc->setLabelFormat(QStringLiteral("%g"));
  conc->setTitleText(QStringLiteral("ug/L"));
  chart->addAxis(days, Qt::AlignBottom);
  chart->addAxis(conc, Qt::AlignLeft);
  for (QAbstractSeries* series : chart->series()) {
    series->attachAxis(days);
    series->attachAxis(conc);
  }
  // The legend labels the marked point: a label beside it would leave the chart at the ends of
  // the year, where the selected application often lies.
  chart->legend()->markers(season).front()->setVisible(false);
  chart->legend()->setAlignment(Qt::AlignBottom);

  auto* view = new QChartView(chart);
  view->setObjectName(QStringLiteral("chtLeaching"));
  view->setRenderHint(QPainter::Antialiasing);
  view->setMinimumSize(ChartMinimumWidth(*days), 220);
  return view;
}

}  // namespace tarn::frontend
