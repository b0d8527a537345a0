#include "analysis/trends.h"

#include <sqlite3.h>
#include <QHash>
#include <cmath>
#include <optional>
#include <vector>

#include "analysis/drawchart.h"
#include "analysis/figureexpr.h"
#include "analysis/worktables.h"
#include "common/routines.h"
#include "storage/dboperate.h"
#include "tables/gridoperate.h"

using namespace Qt::StringLiterals;

// Every working table is computed one of two ways with the same result, row for row and bit
// for bit: by SQL statements over PInfo (the reference), or from the figures cache.
//
// The engine adds floating-point values in the order it meets the rows, and that order decides
// the last bits of a sum. So the reference statements fix it: the daily aggregates read PInfo
// through the index PInfo_Dat (INDEXED BY), which hands the rows of a day over in ID order and
// lets GROUP BY run without sorting (a sort would mix each day's rows); the row copies say their
// order in ORDER BY. The cache adds the rows in the same order.
namespace lanxi {
namespace {

const QString kCrLf = u"\r\n"_s;
const QString kSerial = u"序号"_s;
const QString kDate = u"日期"_s;
const QString kDat = u"Dat"_s;
const QString kAllProducts = u"所有产品"_s;

enum class Agg { Sum, Avg };

struct DailyValue {
  WorkColumn column;
  Agg agg;
  FigureExpr expr;
};

// A working table of one row per day: Dat and aggregates over the rows of that day.
struct DailyTable {
  QString name;
  std::vector<DailyValue> values;
  QString toLong;  // a column converted to a 32-bit integer column afterwards

  WorkTable Table() const {
    WorkTable t{name, {{kDat, u"DATE"_s}}};
    for (const DailyValue& v : values) t.columns.push_back(v.column);
    return t;
  }
};

bool DailyBySql(Connection& conn, const DailyTable& daily, const CategoryFilter* products,
                QDate from, QDate to) {
  QStringList aggregates;
  for (const DailyValue& v : daily.values)
    aggregates << (v.agg == Agg::Sum ? u"SUM("_s : u"AVG("_s) + FigureSql(v.expr) + u')';
  QString sql = daily.Table().InsertInto() + u"SELECT Dat,"_s + aggregates.join(u',') +
                u" FROM PInfo"_s + IndexedBy(conn, u"PInfo_Dat"_s) + u" WHERE Dat>=? AND Dat<=?"_s;
  Params params{DateParam(from), DateParam(to)};
  if (products) {
    sql += u" AND PID IN (SELECT ID FROM Product"_s + products->where + u')';
    params += products->params;
  }
  return conn.exec(sql + u" GROUP BY Dat ORDER BY Dat"_s, params);
}

bool DailyFromCache(Connection& conn, const Figures& f, const DailyTable& daily,
                    const CategoryFilter* products, QDate from, QDate to) {
  std::vector<char> chosen;
  if (products) {
    chosen.assign(f.Products(), 0);
    Statement s(conn, u"SELECT ID FROM Product"_s + products->where);
    if (!s.bind(products->params)) return false;
    while (s.next()) {
      const int p = f.ProductOf(s.value(0).toInt());
      if (p >= 0) chosen[p] = 1;
    }
    if (s.failed()) return false;
  }
  RowWriter w(conn, daily.Table());
  const auto [first, last] = f.DayRange(from, to);
  const size_t n = daily.values.size();
  const auto add = [&](figmath::Sum* sums, quint32 row) {
    for (size_t i = 0; i < n; ++i) AddTo(sums[i], f, daily.values[i].expr, row);
  };
  const auto write = [&](int d, const figmath::Sum* sums) {
    w.Text(f.dayTexts[d]);
    for (size_t i = 0; i < n; ++i)
      w.Put(daily.values[i].agg == Agg::Sum ? sums[i].Total() : sums[i].Average());
    return w.Row();
  };
  if (f.daysByProduct) {
    // A day's rows in ID order are its rows product by product: every day in one pass.
    std::vector<figmath::Sum> sums(size_t(last - first) * n);
    std::vector<char> any(last - first, 0);
    for (int p = 0; p < f.Products(); ++p) {
      if (products && !chosen[p]) continue;
      const auto [lo, hi] = f.ProductRows(p, first, last);
      for (quint32 r = lo; r < hi; ++r) {
        const int d = f.day[r] - first;
        any[d] = 1;
        add(&sums[size_t(d) * n], r);
      }
    }
    for (int d = first; d < last; ++d) {
      if (any[d - first] && !write(d, &sums[size_t(d - first) * n])) return false;
    }
    return true;
  }
  std::vector<figmath::Sum> sums(n);
  for (int d = first; d < last; ++d) {
    bool any = false;
    std::fill(sums.begin(), sums.end(), figmath::Sum());
    for (quint32 k = f.dayStart[d]; k < f.dayStart[d + 1]; ++k) {
      if (products && !chosen[f.byDayProduct[k]]) continue;
      any = true;
      add(sums.data(), f.byDay[k]);
    }
    if (any && !write(d, sums.data())) return false;
  }
  return true;
}

// Where a statistic writes and whether it computes from the figures cache.
struct Run {
  StatisticsDatabase& db;
  Connection* conn;
  const Figures* figures;
};

// Null while the figures cache is loading: the statistic does not run.
std::optional<Run> StartRun(StatisticsPath path) {
  StatisticsDatabase& db = StatisticsDatabase::Current();
  if (db.Loading()) return std::nullopt;
  Connection* conn = db.Connect();
  const Figures* figures = conn && path == StatisticsPath::Cached ? db.CachedFigures() : nullptr;
  return Run{db, conn, figures};
}

void MakeDaily(const Run& run, const DailyTable& daily, const CategoryFilter* products, QDate from,
               QDate to) {
  if (!run.conn) return;
  StatisticsDatabase::OwnWrites own(run.db);
  Connection& conn = *run.conn;
  RemakeWorkTable(conn, daily.Table(), [&] {
    const bool ok = run.figures ? DailyFromCache(conn, *run.figures, daily, products, from, to)
                                : DailyBySql(conn, daily, products, from, to);
    if (ok && !daily.toLong.isEmpty()) ConvertToLong(conn, daily.Table(), daily.toLong);
    return ok;
  });
}

// Lays the table out, fills it from the working table (or `statement`) ordered by Dat, titles
// it and draws the chart.
void ShowDaily(Grid& table, ChartSurface& pic, const QString& name, const QStringList& fields,
               const QStringList& captions, const QString& title, const QString& statement = {}) {
  SetupGridColumns(table, fields, captions);
  table.SetTag(name);
  WorkDBFile = CurDBFile;
  FillGrid(table, {}, kDat, true, statement);
  table.SetTag(title);
  DrawChart(pic, table);
}

QString CategoryTitle(const QString& first, const QString& dbName, const QString& categories,
                      bool stock = false) {
  return first + kCrLf + u"(项目："_s + dbName + u"；类别："_s + CategorySelectionText(categories) +
         u")"_s + kCrLf + SourceLine(stock);
}

void RunCategoryTrend(const DailyTable& daily, Grid& table, ChartSurface& pic, QDate& from,
                      QDate& to, const QString& categories, StatisticsPath path,
                      const QStringList& fields, const QStringList& captions, const QString& title,
                      const QString& statement = {}) {
  OrderPair(from, to);
  const CategoryFilter filter = CategoryFilterOf(categories);
  const std::optional<Run> run = StartRun(path);
  if (!run) return;
  MakeDaily(*run, daily, &filter, from, to);
  ShowDaily(table, pic, daily.name, fields, captions, title, statement);
}

// ---------------------------------------------------------------------------------------------
// Products

// The numeric value of an ID text (its leading number); none when it is not a whole number,
// which no PID equals.
std::optional<qint64> ProductIdOf(QStringView text) {
  const double v = CellNumber(text);
  if (v != std::floor(v) || std::abs(v) > 9.0e15) return std::nullopt;
  return qint64(v);
}

struct Chosen {
  QString idText;
  std::optional<qint64> id;
  QString name;
};

std::vector<Chosen> ChosenProducts(const QString& ids, const QString& names) {
  std::vector<Chosen> chosen;
  if (ids.isEmpty()) return chosen;
  const QStringList idList = ids.split(u',');
  const QStringList nameList = names.isEmpty() ? QStringList() : names.split(kCrLf);
  for (qsizetype k = 0; k < idList.size(); ++k)
    chosen.push_back({idList[k], ProductIdOf(idList[k]), nameList.value(k)});
  return chosen;
}

// The rows of the chosen products in the date range, product by product in the order of the
// choice (a product chosen twice twice), each product's rows by day and ID: the one indexed
// look-up per product, instead of every row of the range compared with every chosen ID.
bool PivotBySql(Connection& conn, const WorkTable& t, FigureExpr e,
                const std::vector<Chosen>& chosen, QDate from, QDate to) {
  if (!conn.exec(u"DROP TABLE IF EXISTS temp.StatChosen;"
                 "CREATE TEMP TABLE StatChosen(K INTEGER PRIMARY KEY,PID INTEGER,Name TEXT)"_s))
    return false;
  bool ok = true;
  {
    Statement add(conn, u"INSERT INTO temp.StatChosen(K,PID,Name) VALUES(?,?,?)"_s);
    for (size_t k = 0; ok && k < chosen.size(); ++k) {
      add.reset();
      ok = add.bind(
               {Value(qint64(k)), chosen[k].id ? Value(*chosen[k].id) : Value(), chosen[k].name}) &&
           add.run();
    }
  }
  ok = ok && conn.exec(t.InsertInto() + u"SELECT c.PID,c.Name,p.Dat,"_s + FigureSql(e, u"p."_s) +
                           u" FROM temp.StatChosen c CROSS JOIN PInfo p WHERE p.PID=c.PID AND "
                           "p.Dat>=? AND p.Dat<=? ORDER BY c.K,p.Dat,p.ID"_s,
                       {DateParam(from), DateParam(to)});
  conn.exec(u"DROP TABLE IF EXISTS temp.StatChosen"_s);
  return ok;
}

bool PivotFromCache(Connection& conn, const Figures& f, const WorkTable& t, FigureExpr e,
                    const std::vector<Chosen>& chosen, QDate from, QDate to) {
  RowWriter w(conn, t);
  const auto [first, last] = f.DayRange(from, to);
  for (const Chosen& c : chosen) {
    const int p = c.id ? f.ProductOf(*c.id) : -1;
    if (p < 0) continue;
    const auto [lo, hi] = f.ProductRows(p, first, last);
    for (quint32 r = lo; r < hi; ++r) {
      w.Integer(*c.id).Text(c.name).Text(f.dayTexts[f.day[r]]).Put(ValueAt(f, e, r));
      if (!w.Row()) return false;
    }
  }
  return true;
}

// The pivot: one row per date of the working table, one column per chosen product (its ID in
// row 0, its name, the legend caption, in row 1), each value in the row of its date and the
// columns of its product.
void ShowPivot(Grid& table, Connection* conn, const QString& name, const QString& valueField,
               const QString& caption, const std::vector<Chosen>& chosen) {
  SetupGridColumns(table, {QString(), kDat, valueField}, {kSerial, kDate, caption});
  table.SetTag(name);
  table.SetVisible(false);
  const int fixedCols = table.FixedCols();
  table.SetCols(fixedCols + int(chosen.size()));
  QHash<qint64, QList<int>> columnsOf;
  for (size_t k = 0; k < chosen.size(); ++k) {
    const int col = fixedCols + int(k);
    table.SetTextMatrix(0, col, chosen[k].idText);
    table.SetTextMatrix(1, col, chosen[k].name);
    if (chosen[k].id) columnsOf[*chosen[k].id] << col;
  }

  if (conn) {
    const auto text = [](const Statement& s, int i) {
      return QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(s.handle(), i)),
                        sqlite3_column_bytes(s.handle(), i));
    };
    QHash<QByteArray, int> rowOf;
    Statement dates(*conn, u"SELECT Dat FROM "_s + name + u" GROUP BY Dat ORDER BY Dat"_s);
    QStringList labels;
    while (dates.next()) {
      const Value dat = dates.value(0);
      rowOf.insert(text(dates, 0), table.FixedRows() + int(labels.size()));
      labels << (dat.type() == Value::Type::Date ? dat.toDate().toString(u"yyyy-MM-dd"_s)
                                                 : dat.toString());
    }
    table.SetRows(table.FixedRows() + int(labels.size()));
    for (qsizetype j = 0; j < labels.size(); ++j)
      table.SetTextMatrix(table.FixedRows() + int(j), fixedCols - 1, labels[j]);
    // A day with two rows of one product shows the later one.
    Statement values(*conn, u"SELECT PID,Dat,"_s + valueField + u" FROM "_s + name +
                                u" ORDER BY PID,Dat,rowid"_s);
    while (values.next()) {
      if (sqlite3_column_type(values.handle(), 0) != SQLITE_INTEGER) continue;
      const auto row = rowOf.constFind(text(values, 1));
      const auto cols = columnsOf.constFind(sqlite3_column_int64(values.handle(), 0));
      if (row == rowOf.cend() || cols == columnsOf.cend()) continue;
      const Value v = values.value(2);
      for (int col : *cols) SetGridCell(table, *row, col, v, true);
    }
  }
  AutoFitColumns(table, 1);
  RenumberRows(table);
  table.SetVisible(true);
}

void RunPivot(Grid& table, ChartSurface& pic, QDate& from, QDate& to, const QString& ids,
              const QString& names, StatisticsPath path, const WorkTable& t, FigureExpr e,
              const QString& caption, const QString& title) {
  OrderPair(from, to);
  const std::optional<Run> run = StartRun(path);
  if (!run) return;
  const std::vector<Chosen> chosen = ChosenProducts(ids, names);
  if (run->conn) {
    StatisticsDatabase::OwnWrites own(run->db);
    Connection& conn = *run->conn;
    RemakeWorkTable(conn, t, [&] {
      return run->figures ? PivotFromCache(conn, *run->figures, t, e, chosen, from, to)
                          : PivotBySql(conn, t, e, chosen, from, to);
    });
  }
  ShowPivot(table, run->conn, t.name, t.columns.back().name, caption, chosen);
  table.SetTag(title);
  DrawChart(pic, table);
}

WorkTable PivotTable(const QString& name, const QString& field, const QString& type) {
  return {name,
          {{u"PID"_s, u"LONG"_s}, {u"Name"_s, u"TEXT(255)"_s}, {kDat, u"DATE"_s}, {field, type}}};
}

// Daily totals of a count, or of its amount at the promotional price (option 0: the count).
struct Totals {
  QString table;
  QString field;
  QString what;  // in the titles
  QString countCaption;
  QString amountCaption;
  FigureExpr count;
  FigureExpr amount;
  bool stock;
};
const Totals kSalesTotals{
    u"T_SalesByPro"_s,       u"Sales"_s, u"销量"_s, u"销售量"_s, u"销售额"_s, FigureExpr::Sales,
    FigureExpr::SalesAmount, false};
const Totals kStockTotals{
    u"T_StockByPro"_s,       u"Stock"_s, u"库存"_s, u"库存量"_s, u"库存额"_s, FigureExpr::Stock,
    FigureExpr::StockAmount, true};

void CategoryTotalTrend(const Totals& t, Grid& table, ChartSurface& pic, QDate& from, QDate& to,
                        const QString& categories, int option, const QString& dbName,
                        StatisticsPath path) {
  const bool count = option == 0;
  const QString caption = count ? t.countCaption : t.amountCaption;
  const DailyTable daily{
      t.table, {{{t.field, u"DOUBLE"_s}, Agg::Sum, count ? t.count : t.amount}}, t.field};
  RunCategoryTrend(daily, table, pic, from, to, categories, path, {QString(), kDat, t.field},
                   {kSerial, kDate, caption},
                   CategoryTitle(u"淘宝产品类别"_s + t.what + u"走势图("_s + caption + u')', dbName,
                                 categories, t.stock));
}

// Counts are stored as 32-bit integers, amounts keep their fractions.
void ProductTotalTrend(const Totals& t, Grid& table, ChartSurface& pic, QDate& from, QDate& to,
                       const QString& ids, const QString& names, int option, StatisticsPath path) {
  const bool count = option == 0;
  const QString caption = count ? t.countCaption : t.amountCaption;
  RunPivot(table, pic, from, to, ids, names, path,
           PivotTable(t.table, t.field, count ? u"LONG"_s : u"DOUBLE"_s),
           count ? t.count : t.amount, caption,
           u"淘宝产品"_s + t.what + u"走势图("_s + caption + u')' + kCrLf + SourceLine(t.stock));
}

}  // namespace

void CategorySalesPriceTrend(Grid& table, ChartSurface& pic, QDate& from, QDate& to,
                             const QString& categories, const QString& dbName,
                             StatisticsPath path) {
  const DailyTable daily{u"T_PriceSalesByPro"_s,
                         {{{u"Sales"_s, u"DOUBLE"_s}, Agg::Sum, FigureExpr::Sales},
                          {{u"Price"_s, u"DOUBLE"_s}, Agg::Avg, FigureExpr::Price},
                          {{u"PPrice"_s, u"DOUBLE"_s}, Agg::Avg, FigureExpr::PPrice}},
                         u"Sales"_s};
  RunCategoryTrend(daily, table, pic, from, to, categories, path,
                   {QString(), kDat, u"Sales"_s, u"Price"_s, u"PPrice"_s},
                   {kSerial, kDate, u"总销量"_s, u"平均定价"_s, u"平均促销价"_s},
                   CategoryTitle(u"淘宝产品类销量/价格走势图"_s, dbName, categories));
}

void CategoryPriceTrend(Grid& table, ChartSurface& pic, QDate& from, QDate& to,
                        const QString& categories, int option, const QString& dbName,
                        StatisticsPath path) {
  const DailyTable daily{u"T_PriceByPro"_s,
                         {{{u"Price"_s, u"DOUBLE"_s}, Agg::Avg, FigureExpr::Price},
                          {{u"PPrice"_s, u"DOUBLE"_s}, Agg::Avg, FigureExpr::PPrice}},
                         {}};
  QString caption = u"平均定价"_s, statement;
  if (option == 1) {
    caption = u"平均促销价"_s;
    statement = u"SELECT Dat,PPrice AS Price FROM T_PriceByPro ORDER BY Dat"_s;
  } else if (option == 2) {
    caption = u"平均折扣"_s;
    statement = u"SELECT Dat,PPrice/Price*10 AS Price FROM T_PriceByPro ORDER BY Dat"_s;
  }
  RunCategoryTrend(daily, table, pic, from, to, categories, path, {QString(), kDat, u"Price"_s},
                   {kSerial, kDate, u"定价"_s},
                   CategoryTitle(u"淘宝产品类别价格走势图("_s + caption + u')', dbName, categories),
                   statement);
}

void CategorySalesTrend(Grid& table, ChartSurface& pic, QDate& from, QDate& to,
                        const QString& categories, int option, const QString& dbName,
                        StatisticsPath path) {
  CategoryTotalTrend(kSalesTotals, table, pic, from, to, categories, option, dbName, path);
}

void CategoryStockTrend(Grid& table, ChartSurface& pic, QDate& from, QDate& to,
                        const QString& categories, int option, const QString& dbName,
                        StatisticsPath path) {
  CategoryTotalTrend(kStockTotals, table, pic, from, to, categories, option, dbName, path);
}

void ProductSalesPriceTrend(Grid& table, ChartSurface& pic, QDate& from, QDate& to,
                            const QString& product, StatisticsPath path) {
  OrderPair(from, to);
  const std::optional<Run> run = StartRun(path);
  if (!run) return;
  const qsizetype colon = product.indexOf(u':');
  QString name = colon < 0 ? product : product.mid(colon + 1);
  const std::optional<qint64> id =
      colon < 0 ? std::optional<qint64>(0) : ProductIdOf(QStringView(product).left(colon));
  if (name == kAllProducts) name.clear();

  const QString tableName = u"T_PriceSalesByPro"_s;
  if (name.isEmpty()) {
    name = kAllProducts;
    const DailyTable daily{tableName,
                           {{{u"Sales"_s, u"LONG"_s}, Agg::Sum, FigureExpr::Sales},
                            {{u"Price"_s, u"DOUBLE"_s}, Agg::Avg, FigureExpr::Price},
                            {{u"PPrice"_s, u"DOUBLE"_s}, Agg::Avg, FigureExpr::PPrice}},
                           {}};
    MakeDaily(*run, daily, nullptr, from, to);
  } else if (run->conn) {
    const WorkTable t{tableName,
                      {{kDat, u"DATE"_s},
                       {u"PID"_s, u"LONG"_s},
                       {u"Sales"_s, u"LONG"_s},
                       {u"Price"_s, u"DOUBLE"_s},
                       {u"PPrice"_s, u"DOUBLE"_s}}};
    StatisticsDatabase::OwnWrites own(run->db);
    Connection& conn = *run->conn;
    RemakeWorkTable(conn, t, [&] {
      if (!run->figures) {
        return conn.exec(t.InsertInto() +
                             u"SELECT Dat,PID,Sales,Price,PPrice FROM PInfo WHERE PID=? AND "
                             "Dat>=? AND Dat<=? ORDER BY Dat,ID"_s,
                         {id ? Value(*id) : Value(), DateParam(from), DateParam(to)});
      }
      const Figures& f = *run->figures;
      const int p = id ? f.ProductOf(*id) : -1;
      if (p < 0) return true;
      RowWriter w(conn, t);
      const auto [first, last] = f.DayRange(from, to);
      const auto [lo, hi] = f.ProductRows(p, first, last);
      for (quint32 r = lo; r < hi; ++r) {
        w.Text(f.dayTexts[f.day[r]])
            .Integer(*id)
            .Put(ValueAt(f, FigureExpr::Sales, r))
            .Real(f.price[r])
            .Real(f.pprice[r]);
        if (!w.Row()) return false;
      }
      return true;
    });
  }
  ShowDaily(
      table, pic, tableName, {QString(), kDat, u"Sales"_s, u"Price"_s, u"PPrice"_s},
      {kSerial, kDate, u"销量"_s, u"定价"_s, u"促销价"_s},
      u"淘宝产品销量/价格走势图"_s + kCrLf + u"(产品："_s + name + u')' + kCrLf + SourceLine());
}

void ProductPriceTrend(Grid& table, ChartSurface& pic, QDate& from, QDate& to,
                       const QString& productIds, const QString& productNames, int option,
                       StatisticsPath path) {
  FigureExpr e = FigureExpr::Price;
  QString caption = u"定价"_s;
  if (option == 1) {
    e = FigureExpr::PPrice;
    caption = u"促销价"_s;
  } else if (option == 2) {
    e = FigureExpr::Discount;
    caption = u"折扣"_s;
  }
  RunPivot(table, pic, from, to, productIds, productNames, path,
           PivotTable(u"T_PriceByPro"_s, u"Price"_s, u"DOUBLE"_s), e, caption,
           u"淘宝产品价格走势图("_s + caption + u')' + kCrLf + SourceLine());
}

void ProductSalesTrend(Grid& table, ChartSurface& pic, QDate& from, QDate& to,
                       const QString& productIds, const QString& productNames, int option,
                       StatisticsPath path) {
  ProductTotalTrend(kSalesTotals, table, pic, from, to, productIds, productNames, option, path);
}

void ProductStockTrend(Grid& table, ChartSurface& pic, QDate& from, QDate& to,
                       const QString& productIds, const QString& productNames, int option,
                       StatisticsPath path) {
  ProductTotalTrend(kStockTotals, table, pic, from, to, productIds, productNames, option, path);
}

}  // namespace lanxi
