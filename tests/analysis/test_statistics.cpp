// The statistics on a hand-made database, from the figures cache and by the SQL statements.
#include <QFile>
#include <cstdio>

#include "analysis/comparison.h"
#include "analysis/trends.h"
#include "statsfixture.h"
#include "storage/schema.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using lanxi::test::StatsTest;

namespace {

const QString kSales = u"\r\n[数据来源：淘宝；数据分析：澜析销量跟踪软件]"_s;
const QString kStock = u"\r\n[数据来源：淘宝；数据分析：澜析库存跟踪软件]"_s;

// Five products (4 without figures, 9 deleted), three days and one row before them.
class HandMade : public StatsTest {
 protected:
  QDate from{2024, 3, 1}, to{2024, 3, 3};

  void SetUp() override {
    StatsTest::SetUp();
    AddProduct(1, u"甲"_s, {u"衬衫"_s, u"红"_s, u"常"_s});
    AddProduct(2, u"乙"_s, {u"衬衫"_s, u"蓝"_s, u"常"_s});
    AddProduct(3, u"丙"_s, {u"裤子"_s, u"红"_s, u"常"_s});
    AddProduct(4, u"丁"_s, {u"裤子"_s, u"蓝"_s, u"独"_s});
    AddProduct(5, u"戊"_s, {u""_s, u"红"_s, u"常"_s});
    AddFigures(1, u"2024-02-29"_s, 100.0, 50.0, 99, 600);
    AddFigures(1, u"2024-03-01"_s, 100.0, 80.0, 10, 500);
    AddFigures(2, u"2024-03-01"_s, 50.0, 40.3, 3, 100);
    AddFigures(3, u"2024-03-01"_s, 200.0, 150.0, 1, 30);
    AddFigures(9, u"2024-03-01"_s, 10.0, 7.7, 100, 100);
    AddFigures(1, u"2024-03-02"_s, 100.0, 100.0, 12, 488);
    AddFigures(3, u"2024-03-02"_s, 0.0, 0.0, 2, 28);
    AddFigures(5, u"2024-03-02"_s, 30.0, 30.0, 4, 10);
    AddFigures(1, u"2024-03-03"_s, 100.0, 90.5, 7, 481);
    AddFigures(2, u"2024-03-03"_s, 50.0, Value(), 5, 95);
    AddFigures(3, u"2024-03-03"_s, 200.0, 170.0, 0, 28);
  }

  // The category sales trend from `from` to `to`, as shown.
  QStringList Sales(const QString& selection) {
    QDate a = from, b = to;
    CategorySalesTrend(table, pic, a, b, selection, 0, u"测试库"_s);
    return Shown();
  }
};

class Statistics : public HandMade, public ::testing::WithParamInterface<StatisticsPath> {
 protected:
  // Trends: 0–3 of a category (sales and prices, prices, sales, stock), 4 of one product or all.
  void Trend(int kind, const QString& selection, int option = 0, bool reversed = false) {
    QDate a = reversed ? to : from, b = reversed ? from : to;
    const QString db = u"测试库"_s;
    if (kind == 0) CategorySalesPriceTrend(table, pic, a, b, selection, db, GetParam());
    if (kind == 1) CategoryPriceTrend(table, pic, a, b, selection, option, db, GetParam());
    if (kind == 2) CategorySalesTrend(table, pic, a, b, selection, option, db, GetParam());
    if (kind == 3) CategoryStockTrend(table, pic, a, b, selection, option, db, GetParam());
    if (kind == 4) ProductSalesPriceTrend(table, pic, a, b, selection, GetParam());
    EXPECT_TRUE(a == from && b == to);  // reversed dates are swapped
  }
  // The working table's declared columns, as "T_Name=columns".
  void ExpectStored(const QString& spec) {
    const QString columns = spec.section(u'=', 1);
    EXPECT_EQ(spec.isEmpty() ? columns : Stored(spec.section(u'=', 0, 0)).value(0), columns);
  }
};

TEST_P(Statistics, TrendsSumAndAverageTheSelectedProductsPerDay) {
  struct Case {
    int kind;
    QString selection;
    int option;
    QStringList shown;
    QString title;   // the whole title, or only its first line
    QString stored;  // T_Name=columns
  };
  const QString shirts = u"衬衫,,,,,,,,,,"_s;
  // clang-format off
  const Case cases[] = {
      // 03-03: the NULL promotional price is left out of the average.
      {0, shirts, 0, {u"日期|总销量|平均定价|平均促销价"_s, u"2024.03.01|13|75.00|60.15"_s,
                      u"2024.03.02|12|100.00|100.00"_s, u"2024.03.03|12|75.00|90.50"_s},
       u"淘宝产品类销量/价格走势图\r\n(项目：测试库；类别：衬衫)"_s + kSales,
       u"T_PriceSalesByPro=Dat DATE,Sales LONG,Price DOUBLE,PPrice DOUBLE"_s},
      // No selection: every tracked product, not the deleted 9.
      {0, {}, 0, {u"日期|总销量|平均定价|平均促销价"_s, u"2024.03.01|14|116.67|90.10"_s,
                  u"2024.03.02|18|43.33|43.33"_s, u"2024.03.03|12|116.67|130.25"_s},
       u"淘宝产品类销量/价格走势图\r\n(项目：测试库；类别：所有)"_s + kSales, {}},
      // Only the filled fields are conditions: C1 = 红 is products 1, 3 and 5.
      {2, u",红,,,,,,,,,"_s, 0, {u"日期|销售量"_s, u"2024.03.01|11"_s, u"2024.03.02|18"_s,
                                 u"2024.03.03|7"_s},
       u"淘宝产品类别销量走势图(销售量)\r\n(项目：测试库；类别：红)"_s + kSales, {}},
      // Amounts lose their fractions: 10 × 80 + 3 × 40.3 = 920.9; 12 × 100; 7 × 90.5 + 5 × NULL.
      {2, shirts, 1, {u"日期|销售额"_s, u"2024.03.01|920"_s, u"2024.03.02|1200"_s,
                      u"2024.03.03|633"_s}, {}, u"T_SalesByPro=Dat DATE,Sales LONG"_s},
      // Average promotional over average list price × 10: 60.15 / 75, 100 / 100, 90.5 / 75.
      {1, shirts, 2, {u"日期|定价"_s, u"2024.03.01|8.02"_s, u"2024.03.02|10.00"_s,
                      u"2024.03.03|12.07"_s}, u"淘宝产品类别价格走势图(平均折扣)"_s, {}},
      // All products: every row of the range, the deleted product's too.
      {4, u"所有产品"_s, 0, {u"日期|销量|定价|促销价"_s, u"2024.03.01|114|90.00|69.50"_s,
                             u"2024.03.02|18|43.33|43.33"_s, u"2024.03.03|12|116.67|130.25"_s},
       u"淘宝产品销量/价格走势图\r\n(产品：所有产品)"_s + kSales, {}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE((QString::number(c.kind) + u' ' + c.selection + u' ' + QString::number(c.option))
                     .toStdString());
    Trend(c.kind, c.selection, c.option, c.kind == 0 && c.selection.isEmpty());
    EXPECT_EQ(Shown(), c.shown);
    const QString title =
        c.title.contains(u'\n') ? table.Tag() : table.Tag().section(u"\r\n"_s, 0, 0);
    EXPECT_EQ(c.title.isEmpty() ? c.title : title, c.title);
    ExpectStored(c.stored);
    EXPECT_TRUE(c.shown.size() < 3 || pic.ops.size() > 50) << "the chart is drawn from the table";
  }
}

TEST_P(Statistics, AmountsOutgrowing32BitsKeepTheirFractions) {
  AddProduct(7, u"庚"_s, {u"大"_s});
  AddFigures(7, u"2024-03-01"_s, 10.5, 10.5, 0, 2000000000);
  // 2,000,000,000 × 10.5 does not fit in 32 bits: the column keeps its value.
  Trend(3, u"大,,,,,,,,,,"_s, 1);
  EXPECT_EQ(Shown(), (QStringList{u"日期|库存额"_s, u"2024.03.01|21000000000.00"_s}));
  EXPECT_EQ(table.Tag(), u"淘宝产品类别库存走势图(库存额)\r\n(项目：测试库；类别：大)"_s + kStock);
  ExpectStored(u"T_StockByPro=Dat DATE,Stock DOUBLE"_s);
}

TEST_P(Statistics, PivotHasAColumnPerChoiceAndARowPerDate) {
  ProductSalesTrend(table, pic, from, to, u"3,1,3,4"_s, u"丙\r\n甲\r\n丙\r\n丁"_s, 0, GetParam());
  // A product chosen twice fills both its columns; one without figures stays empty.
  EXPECT_EQ(Shown(), (QStringList{u"日期|丙|甲|丙|丁"_s, u"2024-03-01|1|10|1|"_s,
                                  u"2024-03-02|2|12|2|"_s, u"2024-03-03|0|7|0|"_s}));
  EXPECT_EQ(Stored(u"T_SalesByPro"_s).value(0), u"PID LONG,Name TEXT(255),Dat DATE,Sales LONG"_s);

  // Amounts keep their fractions; a NULL promotional price leaves the cell empty.
  ProductSalesTrend(table, pic, from, to, u"2"_s, u"乙"_s, 1, GetParam());
  EXPECT_EQ(Shown(), (QStringList{u"日期|乙"_s, u"2024-03-01|120.90"_s, u"2024-03-03|"_s}));
  // 0 / 0 is no number.
  ProductPriceTrend(table, pic, from, to, u"3"_s, u"丙"_s, 2, GetParam());
  EXPECT_EQ(Shown(), (QStringList{u"日期|丙"_s, u"2024-03-01|7.50"_s, u"2024-03-02|"_s,
                                  u"2024-03-03|8.50"_s}));
  EXPECT_EQ(table.Tag(), u"淘宝产品价格走势图(折扣)"_s + kSales);
}

TEST_P(Statistics, ComparisonMeasuresPerCategoryValue) {
  Exec(u"INSERT INTO Para(CID,Name,Con) VALUES(1,'分类1','品类')"_s);
  struct Case {
    int option;
    QDate a, b;
    QString category;
    QStringList shown;
    QString caption;  // the title's first line
    QString stored;   // T_STR's columns
  };
  // clang-format off
  const Case cases[] = {
      // Products per value, whatever the dates; equal counts keep the order of the values.
      {0, to, from, u"品类"_s, {u"品类|产品数"_s, u"衬衫|2"_s, u"裤子|2"_s, u"|1"_s},
       u"淘宝产品类别构成分析（产品数）"_s, u"C0 TEXT,Num LONG"_s},
      // 衬衫 37 / 5 cut to 7.
      {1, to, from, u"品类"_s, {u"品类|30天平均销量"_s, u"衬衫|7"_s, u"|4"_s, u"裤子|1"_s},
       u"淘宝产品各类别30天平均销售量比较图"_s, u"Clas TEXT,Sales LONG"_s},
      // The NULL amount left out of the average.
      {2, from, to, u"品类"_s, {u"品类|30天平均销售额"_s, u"衬衫|688.60"_s, u"|120.00"_s,
                                u"裤子|50.00"_s}, {}, {}},
      {3, from, to, u"品类"_s, {u"品类|平均定价"_s, u"裤子|133.33"_s, u"衬衫|80.00"_s,
                                u"|30.00"_s}, {}, {}},
      {4, from, to, u"品类"_s, {u"品类|平均促销价"_s, u"裤子|106.67"_s, u"衬衫|77.70"_s,
                                u"|30.00"_s}, {}, {}},
      {5, from, to, u"品类"_s, {u"品类|最大折扣|平均折扣"_s, u"裤子|0.75|0.80"_s,
                                u"衬衫|0.80|0.88"_s, u"|1.00|1.00"_s},
       u"淘宝产品各类别产品最大/平均折扣比较图"_s, {}},
      // Product-days below the list price; a value never promoted has no row.
      {6, from, to, u"品类"_s, {u"品类|促销频度"_s, u"衬衫|0.75"_s, u"裤子|0.67"_s}, {}, {}},
      // Last day's total minus the first day's.
      {7, from, to, u"品类"_s, {u"品类|销量增长"_s, u"|0"_s, u"衬衫|-1"_s, u"裤子|-1"_s},
       u"淘宝产品各类别销售增长比较图"_s, u"Clas TEXT,Sales LONG"_s},
      // "分类3" is C2; 独 belongs to product 4 only, which has no figures.
      {0, from, to, u"分类3"_s, {u"分类3|产品数"_s, u"常|4"_s, u"独|1"_s}, {}, {}},
      {1, from, to, u"分类11"_s, {u"分类11|30天平均销量"_s}, {}, u"(no table)"_s},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE((QString::number(c.option) + u' ' + c.category).toStdString());
    CalToTempTable(table, pic, c.a, c.b, c.category, c.option, u"测试库"_s, GetParam());
    EXPECT_EQ(Shown(), c.shown);
    const QString title = c.caption + u"\r\n(测试库)"_s + kSales;
    EXPECT_EQ(c.caption.isEmpty() ? title : table.Tag(), title);
    EXPECT_EQ(c.stored.isEmpty() ? c.stored : Stored(u"T_STR"_s).value(0), c.stored);
  }
}

INSTANTIATE_TEST_SUITE_P(BothPaths, Statistics,
                         ::testing::Values(StatisticsPath::Cached, StatisticsPath::Reference),
                         [](const auto& info) {
                           return info.param == StatisticsPath::Cached ? "Cached" : "Reference";
                         });

using FiguresCacheTest = HandMade;  // the cache

TEST_F(FiguresCacheTest, LoadsOnceAndFollowsChangesOfTheFile) {
  StatisticsDatabase& db = StatisticsDatabase::Current();
  const QString shirts = u"衬衫,,,,,,,,,,"_s, reading = u"正在读取销售数据……"_s;
  EXPECT_EQ(Sales(shirts).value(2), u"2024.03.02|12"_s);
  EXPECT_TRUE(db.HoldsFigures());
  // Its own working tables do not count as changes.
  CalToTempTable(table, pic, from, to, u"分类1"_s, 2, u"测试库"_s);
  EXPECT_EQ(progress.shown.count(reading), 1);

  // Another connection (the downloader) adds a row: the next statistic reads the file again.
  AddFigures(2, u"2024-03-02"_s, 50.0, 45.0, 5, 90);
  EXPECT_EQ(Sales(shirts).value(2), u"2024.03.02|17"_s);
  EXPECT_EQ(progress.shown.count(reading), 2);

  // The file is replaced whole (compaction): figures of the new file, none.
  ASSERT_TRUE(QFile::copy(DatabasePath(CurDBFile), folder.file(u"second.mdb"_s)));
  const QString replacement = folder.file(u"replacement.mdb"_s);
  ASSERT_TRUE(WriteDatabaseFile(replacement, DatabaseKind::Tracking));
  ASSERT_EQ(std::rename(QFile::encodeName(replacement).constData(),
                        QFile::encodeName(DatabasePath(CurDBFile)).constData()),
            0);
  EXPECT_EQ(Sales(shirts).size(), 1);

  // Another database becomes current.
  CurDBFile = u"second.mdb"_s;
  EXPECT_EQ(Sales(shirts).value(2), u"2024.03.02|17"_s);
}

TEST_F(FiguresCacheTest, LeavesPricesThatAreNoNumbersToTheStatements) {
  // A price stored as a text: the statements take it as 0, the cache does not hold it.
  Exec(u"INSERT INTO PInfo(PID,Dat,Price,PPrice,Sales,Stock) VALUES(2,'2024-03-02','abc',1,2,1)"_s);
  EXPECT_EQ(Sales(u"衬衫,,,,,,,,,,"_s).value(2), u"2024.03.02|14"_s);
  EXPECT_FALSE(StatisticsDatabase::Current().HoldsFigures());
}

}  // namespace
