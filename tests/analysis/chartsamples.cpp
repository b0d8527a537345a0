// Draws sample charts into PNG files for looking at them: chart_samples OUTPUT_FOLDER.
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "analysis/drawchart.h"
#include "analysis/imagesurface.h"
#include "charttables.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using namespace lanxi::test;

namespace {

const QString kTitle =
    u"淘宝产品类销量/价格走势图\r\n(项目：示例数据库；类别：女装,连衣裙)\r\n"
    u"[数据来源：淘宝；数据分析：澜析销量跟踪软件]"_s;

void Save(const QString& folder, const QString& name, const Grid& g, QSize size = {900, 520}) {
  ImageSurface pic(size);
  DrawChart(pic, g);
  const QString path = folder + u'/' + name + u".png"_s;
  std::printf("%s: %s\n", qPrintable(path), pic.Image().save(path) ? "written" : "FAILED");
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : u"."_s;
  QDir().mkpath(folder);

  Grid sales;  // sales with two price levels: the prices go on the right axis
  MakeChartTable(sales, {u"总销量"_s, u"平均定价"_s, u"平均促销价"_s}, DailyRows(45, 3), kTitle);
  Save(folder, u"sales_price"_s, sales);

  Grid prices;  // five products' prices side by side
  std::vector<ChartRow> rows = DailyRows(30, 1);
  for (int i = 0; i < int(rows.size()); ++i) {
    rows[i].cells.clear();
    for (int p = 0; p < 5; ++p)
      rows[i].cells << QString::number(60 + 9 * p + (i * (p + 3)) % 11, 'f', 2);
  }
  MakeChartTable(prices, {u"羊毛大衣"_s, u"针织开衫"_s, u"真丝围巾"_s, u"牛仔裤"_s, u"羽绒服"_s},
                 rows,
                 u"淘宝产品价格走势图(定价)\r\n[数据来源：淘宝；数据分析：澜析销量跟踪软件]"_s);
  Save(folder, u"product_prices"_s, prices);

  Grid growth;  // a comparison with negative values
  const QStringList cats{u"连衣裙"_s, u"半身裙"_s, u"T恤"_s, u"衬衫"_s, u"毛衣"_s, u"外套"_s};
  const QStringList values{u"240"_s, u"130"_s, u"35"_s, u"0"_s, u"-80"_s, u"-310"_s};
  rows.clear();
  for (int i = 0; i < cats.size(); ++i) rows.push_back({cats[i], {values[i]}});
  MakeChartTable(growth, {u"销量增长"_s}, rows,
                 u"淘宝产品各类别销售增长比较图\r\n(示例数据库)\r\n"
                 u"[数据来源：淘宝；数据分析：澜析销量跟踪软件]"_s);
  Save(folder, u"growth_negative"_s, growth);

  Grid discount;  // values below 2
  rows.clear();
  for (int i = 0; i < 20; ++i)
    rows.push_back({QDate(2023, 3, 1).addDays(i).toString(u"yyyy-MM-dd"_s),
                    {QString::number(0.62 + 0.01 * (i % 7), 'f', 2)}});
  MakeChartTable(discount, {u"平均折扣"_s}, rows, u"淘宝产品类别价格走势图(平均折扣)"_s);
  Save(folder, u"discount_small"_s, discount);

  Grid year;  // the benchmark's size: two years, three series
  MakeChartTable(year, {u"销量"_s, u"定价"_s, u"促销价"_s}, DailyRows(730, 3), kTitle);
  Save(folder, u"two_years"_s, year, {1200, 700});

  Grid many;  // 200 series
  rows.clear();
  for (int i = 0; i < 8; ++i) {
    ChartRow row{QString::number(i + 1), {}};
    for (int s = 0; s < 200; ++s) row.cells << QString::number(50 + s % 40 + i);
    rows.push_back(row);
  }
  QStringList captions;
  for (int s = 0; s < 200; ++s) captions << u"产品"_s + QString::number(s + 1);
  MakeChartTable(many, captions, rows, u"两百个系列"_s);
  Save(folder, u"many_series"_s, many);
  return 0;
}
