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

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : u"."_s;
  QDir().mkpath(folder);
  const QString source = u"\r\n[数据来源：淘宝；数据分析：澜析销量跟踪软件]"_s;
  const auto save = [&](const QString& name, const QStringList& captions,
                        const std::vector<ChartRow>& rows, const QString& title) {
    Grid g;
    MakeChartTable(g, captions, rows, title + source);
    ImageSurface pic(rows.size() > 100 ? QSize(1200, 700) : QSize(900, 520));
    DrawChart(pic, g);
    const QString path = folder + u'/' + name + u".png"_s;
    std::printf("%s: %s\n", qPrintable(path), pic.Image().save(path) ? "written" : "FAILED");
  };

  // Sales with two price levels: the prices go on the right axis; and two years of it.
  const QStringList sales{u"总销量"_s, u"平均定价"_s, u"平均促销价"_s};
  const QString title = u"淘宝产品类销量/价格走势图\r\n(项目：示例数据库；类别：女装,连衣裙)"_s;
  save(u"sales_price"_s, sales, DailyRows(45, 3), title);
  save(u"two_years"_s, sales, DailyRows(730, 3), title);

  std::vector<ChartRow> rows;  // a comparison with negative values
  const QStringList cats{u"连衣裙"_s, u"半身裙"_s, u"T恤"_s, u"衬衫"_s, u"毛衣"_s, u"外套"_s};
  for (int i = 0; i < cats.size(); ++i)
    rows.push_back({cats[i], {QString::number(QList{240, 130, 35, 0, -80, -310}[i])}});
  save(u"growth_negative"_s, {u"销量增长"_s}, rows, u"淘宝产品各类别销售增长比较图"_s);

  rows = DailyRows(20, 1);  // values below 2
  for (int i = 0; i < 20; ++i) rows[i].cells = {QString::number(0.62 + 0.01 * (i % 7), 'f', 2)};
  save(u"discount_small"_s, {u"平均折扣"_s}, rows, u"淘宝产品类别价格走势图(平均折扣)"_s);

  rows.assign(8, {});  // 200 series
  QStringList captions;
  for (int s = 0; s < 200; ++s) captions << u"产品"_s + QString::number(s + 1);
  for (int i = 0; i < 8; ++i) {
    rows[i].label = QString::number(i + 1);
    for (int s = 0; s < 200; ++s) rows[i].cells << QString::number(50 + s % 40 + i);
  }
  save(u"many_series"_s, captions, rows, u"两百个系列"_s);
  return 0;
}
