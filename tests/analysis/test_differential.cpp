// The figures cache and the SQL statements on random databases: the same tables bit for bit.
#include <QRandomGenerator64>

#include "analysis/comparison.h"
#include "analysis/trends.h"
#include "statsfixture.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using lanxi::test::StatsTest;

namespace {

const QDate kFirstDay(2024, 1, 27);

class Differential : public StatsTest {
 protected:
  QRandomGenerator64 rnd;
  int products = 0, days = 0;
  QStringList names;

  int Below(int n) { return int(rnd.bounded(quint64(n))); }
  bool Chance(int percent) { return Below(100) < percent; }
  template <typename T>
  const T& Pick(const QList<T>& items) {
    return items[Below(int(items.size()))];
  }

  QList<Value> c0Values{u"衬衫"_s, u""_s, u"a'b"_s, u"x\"y"_s, Value(), u"Ab"_s, u"ab"_s};
  QList<Value> c1Values{u"红"_s, u"蓝"_s, u"绿"_s, u""_s};
  QList<Value> c2Values{u"常"_s, u"独"_s};

  void Generate(quint64 seed) {
    rnd.seed(seed);
    Connection conn;
    ASSERT_TRUE(conn.open(DatabasePath(CurDBFile)));
    Transaction tx(conn);
    ASSERT_TRUE(conn.exec(u"DELETE FROM Product;DELETE FROM PInfo;DELETE FROM Para"_s));
    ASSERT_TRUE(conn.exec(u"INSERT INTO Para(CID,Name,Con) VALUES(1,'分类1','品类')"_s));
    products = 3 + Below(22);
    days = 1 + Below(35);
    names.clear();
    for (int p = 1; p <= products; ++p) {
      names << u"产品"_s + QString::number(p);
      ASSERT_TRUE(conn.exec(u"INSERT INTO Product(ID,Name,CName,C0,C1,C2) VALUES(?,?,?,?,?,?)"_s,
                            {p, names.back(), Chance(90) ? Value(names.back()) : Value(),
                             Pick(c0Values), Pick(c1Values), Pick(c2Values)}));
    }
    const bool productOrder = Chance(50);  // days written product by product, or shuffled
    Statement add(conn,
                  u"INSERT INTO PInfo(PID,Dat,Price,PPrice,Sales,Stock) VALUES(?,?,?,?,?,?)"_s);
    const auto insert = [&](const Value& pid, const Value& dat) {
      const double price = Chance(5) ? 0.0 : Below(60000) / 100.0 + 1;
      Value pprice = price;
      if (Chance(45)) pprice = double(qRound(price * (50 + Below(50)))) / 100.0;
      if (Chance(5)) pprice = 0.0;
      if (Chance(5)) pprice = Value();
      const Value sales = Chance(3) ? Value() : Value(Below(300));
      const Value stock = Chance(3) ? Value() : Chance(2) ? Value(2000000000) : Value(Below(6000));
      add.reset();
      ASSERT_TRUE(add.bind({pid, dat, Chance(4) ? Value() : Value(price), pprice, sales, stock}));
      ASSERT_TRUE(add.run()) << conn.lastError().toStdString();
    };
    for (int d = 0; d < days; ++d) {
      const QString dat = Value::IsoDate(kFirstDay.addDays(d));
      QList<int> order;
      for (int p = 1; p <= products; ++p) order << p;
      if (!productOrder) std::shuffle(order.begin(), order.end(), rnd);
      // Rows of unmatched PIDs come first in a day written product by product.
      const auto unmatched = [&] {
        if (Chance(10)) insert(Value(), dat);
        if (Chance(5)) insert(u"x"_s, dat);
        if (Chance(5)) insert(2.5, dat);
      };
      if (productOrder) unmatched();
      for (int p : order) {
        if (Chance(15)) continue;
        insert(p, dat);
        if (Chance(3)) insert(p, dat);  // a second row the same day
      }
      if (!productOrder) unmatched();
      if (Chance(10)) insert(1, Value());
      if (Chance(5)) insert(2, dat + u" 08:00"_s);
      if (Chance(5)) insert(3, 20240128 + d);
    }
    // Deleted products keep their figures.
    for (int i = Below(3); i > 0; --i)
      conn.exec(u"DELETE FROM Product WHERE ID=?"_s, {1 + Below(products)});
    ASSERT_TRUE(tx.commit());
  }

  QDate Day() { return kFirstDay.addDays(Below(days + 6) - 3); }

  QString Categories() {
    QStringList fields(10);
    for (int i = Below(3); i > 0; --i) {
      const int k = Below(3);
      const QList<Value>& pool = k == 0 ? c0Values : k == 1 ? c1Values : c2Values;
      fields[k] = Chance(90) ? Pick(pool).toString() : u"没有"_s;
    }
    return fields.join(u',') + u',';
  }

  // IDs joined by "," and names by CR LF, with repeats and unknown products.
  std::pair<QString, QString> Choice() {
    QStringList ids, chosen;
    for (int i = Below(6); i > 0; --i) {
      const int id = Below(products + 3);
      ids << (Chance(5) ? u"abc"_s : QString::number(id));
      chosen << names.value(id - 1, u"无名"_s);
      if (Chance(15)) {
        ids << ids.back();
        chosen << chosen.back();
      }
    }
    return {ids.join(u','), chosen.join(u"\r\n"_s)};
  }

  // One statistic with random arguments: kinds 0–7 the trends, 8–15 the comparison measures.
  QDate a, b;
  int kind = 0, option = 0;
  QString arg, chosen;
  void RandomCase() {
    a = Day(), b = Day(), kind = Below(16), option = Below(3), chosen.clear();
    if (kind < 4) {
      arg = Categories();
    } else if (kind == 4) {
      const int id = Below(products + 2);
      arg = Chance(30)   ? u"所有产品"_s
            : Chance(10) ? u"abc"_s
                         : QString::number(id) + u':' + names.value(id - 1);
    } else if (kind < 8) {
      std::tie(arg, chosen) = Choice();
    } else {
      arg = Pick(QStringList{u"品类"_s, u"分类2"_s, u"分类3"_s});
    }
  }
  // The working table as stored, the table as shown and its title.
  QStringList Run(StatisticsPath path) {
    QDate from = a, to = b;
    const QString db = u"库"_s;
    if (kind == 0) CategorySalesPriceTrend(table, pic, from, to, arg, db, path);
    if (kind == 1) CategoryPriceTrend(table, pic, from, to, arg, option, db, path);
    if (kind == 2) CategorySalesTrend(table, pic, from, to, arg, option, db, path);
    if (kind == 3) CategoryStockTrend(table, pic, from, to, arg, option, db, path);
    if (kind == 4) ProductSalesPriceTrend(table, pic, from, to, arg, path);
    if (kind == 5) ProductPriceTrend(table, pic, from, to, arg, chosen, option, path);
    if (kind == 6) ProductSalesTrend(table, pic, from, to, arg, chosen, option, path);
    if (kind == 7) ProductStockTrend(table, pic, from, to, arg, chosen, option, path);
    if (kind >= 8) CalToTempTable(table, pic, a, b, arg, kind - 8, db, path);
    const QString tables[] = {u"T_PriceSalesByPro"_s, u"T_PriceByPro"_s, u"T_SalesByPro"_s,
                              u"T_StockByPro"_s};
    QStringList out = Stored(kind < 8 ? tables[kind % 4] : u"T_STR"_s);
    out << u"--"_s << ShownRows(table) << table.Tag();
    return out;
  }
};

TEST_F(Differential, CacheAndStatementsGiveTheSameTables) {
  int compared = 0, withRows = 0, byProduct = 0;
  for (quint64 seed = 1; seed <= 12; ++seed) {
    Generate(seed);
    const Figures* figures = StatisticsDatabase::Current().CachedFigures();
    ASSERT_NE(figures, nullptr);
    byProduct += figures->daysByProduct;
    for (int i = 0; i < 40; ++i, ++compared) {
      RandomCase();
      SCOPED_TRACE(u"seed %1: %2/%3 %4 %5 %6"_s.arg(seed)
                       .arg(kind)
                       .arg(option)
                       .arg(a.toString(Qt::ISODate), b.toString(Qt::ISODate), arg)
                       .toStdString());
      const QStringList reference = Run(StatisticsPath::Reference);
      ASSERT_EQ(Run(StatisticsPath::Cached), reference);
      ASSERT_TRUE(StatisticsDatabase::Current().HoldsFigures());
      withRows += reference.size() > 4;
    }
  }
  // Not all empty, and days came in both orders.
  EXPECT_GT(withRows, compared / 2);
  EXPECT_GT(byProduct, 0);
  EXPECT_LT(byProduct, 12);
}

}  // namespace
