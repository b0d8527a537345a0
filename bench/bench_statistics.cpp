// The statistics on a generated database of 2,000 products × 730 days (about 1.43 million
// figures rows): each statistic by the SQL statements (the reference), the figures cache's load,
// and each statistic from the cache, against one bare aggregate over PInfo through the engine,
// all measured in this run. Every statistic is timed whole, as a press of "分析" costs: the
// working table, the table filled from it and the chart drawn. Prints times and ratios; asserts
// nothing.
#include <sqlite3.h>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

#include "analysis/comparison.h"
#include "analysis/drawchart.h"
#include "analysis/imagesurface.h"
#include "analysis/trends.h"
#include "benchdata.h"
#include "common/programfolder.h"
#include "common/userprompts.h"
#include "storage/dboperate.h"
#include "storage/schema.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

const QString kName = u"基准"_s;

// Open, key, one aggregate over every figures row grouped by day, close: the engine alone.
void BareAggregate(const QByteArray& path) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
  const QByteArray& key = DatabaseKey();
  sqlite3_key(db, key.constData(), int(key.size()));
  sqlite3_exec(db, "PRAGMA cache_size=-65536", nullptr, nullptr, nullptr);
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "SELECT Dat,SUM(Sales),AVG(Price),AVG(PPrice) FROM PInfo GROUP BY Dat", -1,
                     &s, nullptr);
  while (sqlite3_step(s) == SQLITE_ROW) {
  }
  sqlite3_finalize(s);
  sqlite3_close(db);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const std::optional<bench::BigDatabase> found = bench::BigDatabaseOrSay();
  if (!found) return 1;
  const bench::BigDatabase& big = *found;
  const QString folder = big.folder;
  SetProgramFolder(folder);
  bench::QuietPrompts prompts;
  SetPrompts(&prompts);
  DatabaseKey();
  const QString file = big.file;
  const QDate kLastDay = big.lastDay;
  CurDBFile = WorkDBFile = file;
  const QByteArray path = QDir(folder).filePath(file).toUtf8();

  BareAggregate(path);  // the file in the system's cache, as after the first use
  const bench::Times bare = bench::BestTimes(3, [&] { BareAggregate(path); });
  std::printf("baseline: bare aggregate over PInfo (sqlite3)   %8.1f ms processor %8.1f ms wall\n",
              bare.cpu, bare.wall);

  StatisticsDatabase& db = StatisticsDatabase::Current();
  db.Drop();
  const bench::Times load = bench::BestTimes(1, [&] {
    db.Drop();
    db.CachedFigures();
  });
  const Figures* figures = db.CachedFigures();
  if (!figures) {
    std::fprintf(stderr, "the figures cache did not load\n");
    return 1;
  }
  std::printf(
      "cache load, %d rows, %.1f MB                %8.1f ms processor %8.1f ms wall  "
      "ratio %.2f (aim <= 1.5 s)\n",
      figures->Rows(), figures->Bytes() / 1048576.0, load.cpu, load.wall, load.wall / bare.wall);

  Grid table;
  ImageSurface pic(QSize(900, 520));
  const QDate first = big.firstDay;
  QStringList ids, names;
  for (int id = 1; id <= 20; ++id) {
    ids << QString::number(id);
    names << LookupValue(u"Product"_s, id, u"ID"_s, u"Name"_s).toString();
  }
  const QString one = u"1:"_s + names[0];
  const QString dress = u"连衣裙,,,,,,,,,,"_s;

  struct Case {
    QString what;
    std::function<void(StatisticsPath)> run;
  };
  std::vector<Case> cases;
  const auto trend = [&](QString what, auto&& f) {
    cases.push_back({what, [&, f](StatisticsPath p) {
                       QDate a = first, b = kLastDay;
                       f(a, b, p);
                     }});
  };
  for (const QString& filter : {QString(), dress}) {
    const QString which = filter.isEmpty() ? u"all"_s : u"连衣裙"_s;
    trend(u"category sales/price, "_s + which, [&, filter](QDate& a, QDate& b, StatisticsPath p) {
      CategorySalesPriceTrend(table, pic, a, b, filter, kName, p);
    });
    trend(u"category price (discount), "_s + which,
          [&, filter](QDate& a, QDate& b, StatisticsPath p) {
            CategoryPriceTrend(table, pic, a, b, filter, 2, kName, p);
          });
    trend(u"category sales amount, "_s + which, [&, filter](QDate& a, QDate& b, StatisticsPath p) {
      CategorySalesTrend(table, pic, a, b, filter, 1, kName, p);
    });
    trend(u"category stock, "_s + which, [&, filter](QDate& a, QDate& b, StatisticsPath p) {
      CategoryStockTrend(table, pic, a, b, filter, 0, kName, p);
    });
  }
  trend(u"product sales/price, 1 product"_s, [&](QDate& a, QDate& b, StatisticsPath p) {
    ProductSalesPriceTrend(table, pic, a, b, one, p);
  });
  trend(u"product sales/price, all products"_s, [&](QDate& a, QDate& b, StatisticsPath p) {
    ProductSalesPriceTrend(table, pic, a, b, u"所有产品"_s, p);
  });
  for (const int n : {1, 20}) {
    const QString chosenIds = ids.mid(0, n).join(u','),
                  chosenNames = names.mid(0, n).join(u"\r\n"_s);
    const QString count = QString::number(n) + (n == 1 ? u" product"_s : u" products"_s);
    trend(u"product price, "_s + count,
          [&, chosenIds, chosenNames](QDate& a, QDate& b, StatisticsPath p) {
            ProductPriceTrend(table, pic, a, b, chosenIds, chosenNames, 0, p);
          });
    trend(u"product sales amount, "_s + count,
          [&, chosenIds, chosenNames](QDate& a, QDate& b, StatisticsPath p) {
            ProductSalesTrend(table, pic, a, b, chosenIds, chosenNames, 1, p);
          });
    trend(u"product stock, "_s + count,
          [&, chosenIds, chosenNames](QDate& a, QDate& b, StatisticsPath p) {
            ProductStockTrend(table, pic, a, b, chosenIds, chosenNames, 0, p);
          });
  }
  const QStringList measures = ClassMeasureCaptions();
  for (int m = 0; m < measures.size(); ++m) {
    cases.push_back(
        {u"comparison "_s + QString::number(m) + u' ' + measures[m], [&, m](StatisticsPath p) {
           CalToTempTable(table, pic, first, kLastDay, u"分类1"_s, m, kName, p);
         }});
  }

  std::printf("\n%-36s %12s %12s %12s %12s %10s\n", "statistic (a whole press of 分析)",
              "reference", "cached", "cached cpu", "its chart", "ratio");
  double worst = 0, worstTable = 0;
  for (const Case& c : cases) {
    const bench::Times reference = bench::BestTimes(1, [&] { c.run(StatisticsPath::Reference); });
    c.run(StatisticsPath::Cached);
    const bench::Times cached = bench::BestTimes(5, [&] { c.run(StatisticsPath::Cached); });
    // The chart of the same table alone: what the statistic itself leaves to DrawChart.
    const bench::Times chart = bench::BestTimes(5, [&] {
      DrawChart(pic, table);
      pic.Image();
    });
    worst = std::max(worst, cached.wall);
    worstTable = std::max(worstTable, cached.wall - chart.wall);
    std::printf("%-36s %9.1f ms %9.1f ms %9.1f ms %9.1f ms %10.3f\n", c.what.toUtf8().constData(),
                reference.wall, cached.wall, cached.cpu, chart.wall, cached.wall / bare.wall);
  }
  std::printf("ratio: cached statistic (wall) / bare aggregate (wall); aim <= 0.1 and < 100 ms\n");
  std::printf("slowest cached statistic %.1f ms, without its chart %.1f ms\n", worst, worstTable);
  if (!db.HoldsFigures()) std::printf("note: the cache was dropped during the run\n");
  db.Drop();
  SetPrompts(nullptr);
  return 0;
}
