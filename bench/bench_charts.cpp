// Chart drawing at its largest common size: two years of daily rows (730) with three series
// drawn into a 1200 × 700 image, against filling that image once. Prints times and the ratio
// measured in this run; asserts nothing.
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "analysis/drawchart.h"
#include "analysis/imagesurface.h"
#include "benchdata.h"
#include "tables/gridoperate.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

constexpr int kDays = 730;
constexpr int kRuns = 15;
const QSize kSize(1200, 700);

// The table of the sales-and-price chart: sales around 1000, prices around 100 and 80.
void FillTable(Grid& g) {
  SetupGridColumns(g, {QString(), u"Dat"_s, u"Sales"_s, u"Price"_s, u"PPrice"_s},
                   {u"序号"_s, u"日期"_s, u"总销量"_s, u"平均定价"_s, u"平均促销价"_s});
  g.SetRows(2 + kDays);
  const QDate first(2023, 1, 1);
  for (int d = 0; d < kDays; ++d) {
    g.SetTextMatrix(d + 2, 0, QString::number(d + 1));
    g.SetTextMatrix(d + 2, 1, first.addDays(d).toString(u"yyyy-MM-dd"_s));
    g.SetTextMatrix(d + 2, 2, QString::number(int(1000 + 300 * std::sin(d / 20.0))));
    g.SetTextMatrix(d + 2, 3, QString::number(100 + 10 * std::sin(d / 7.0), 'f', 2));
    g.SetTextMatrix(d + 2, 4, QString::number(80 + 8 * std::cos(d / 5.0), 'f', 2));
  }
  g.SetTag(
      u"淘宝产品类销量/价格走势图\r\n(项目：基准；类别：所有)\r\n"
      u"[数据来源：淘宝；数据分析：澜析销量跟踪软件]"_s);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  Grid table;
  FillTable(table);

  QImage plain(kSize, QImage::Format_RGB32);
  const bench::Times fill = bench::BestTimes(kRuns, [&] { plain.fill(Qt::white); });
  ImageSurface pic(kSize);
  DrawChart(pic, table);  // fonts and glyph caches warm up once, as after the first chart
  const bench::Times draw = bench::BestTimes(kRuns, [&] {
    DrawChart(pic, table);
    pic.Image();  // the drawing is complete when the image can be read
  });
  const bench::Times fresh = bench::BestTimes(kRuns, [&] {
    ImageSurface offscreen(kSize);
    DrawChart(offscreen, table);
    offscreen.Image();
  });
  // Where the time goes.
  const bench::Times watermark = bench::BestTimes(kRuns, [&] {
    DrawWatermark(pic);
    pic.Image();
  });
  const bench::Times axes = bench::BestTimes(kRuns, [&] {
    DrawAxes(pic, table, 1430, kChartLeft, kChartTop, kChartRightMargin, kChartBottomMargin, 2,
             kDays + 1, false);
    pic.Image();
  });
  const bench::Times series = bench::BestTimes(kRuns, [&] {
    double mx = 1430;
    DrawSeries(pic, table, mx, 120, kChartLeft, kChartTop, kChartRightMargin, kChartBottomMargin, 2,
               kDays + 1, false, 3);
    pic.Image();
  });

  std::printf("best of %d runs                              processor      wall\n", kRuns);
  const auto line = [&](const char* what, const bench::Times& t) {
    std::printf("%-44s %7.3f ms %7.3f ms  (%.0fx baseline)\n", what, t.cpu, t.wall,
                t.cpu / fill.cpu);
  };
  std::printf("%-44s %7.3f ms %7.3f ms\n", "baseline: fill the 1200x700 image once", fill.cpu,
              fill.wall);
  line("DrawChart, 730 rows x 3 series", draw);
  line("DrawChart on a new surface (picture saving)", fresh);
  line("  of which the watermark", watermark);
  line("  of which title, axes and grid", axes);
  line("  of which series, markers and value labels", series);
  return 0;
}
