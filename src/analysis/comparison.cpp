#include "analysis/comparison.h"

#include <sqlite3.h>
#include <algorithm>
#include <optional>
#include <vector>

#include "analysis/drawchart.h"
#include "analysis/figureexpr.h"
#include "analysis/worktables.h"
#include "common/routines.h"
#include "storage/dboperate.h"
#include "tables/gridoperate.h"

using namespace Qt::StringLiterals;

// T_STR is computed by SQL statements (the reference) or from the figures cache, with the same
// result bit for bit. The averages add floating-point values in the order the engine meets the
// rows, so the reference statements fix that order: the products are copied into a temporary
// table indexed by category value and ID, which the join walks in that order (CROSS JOIN keeps
// it the outer loop), taking each product's rows through PInfo_PID_Dat by day and ID; GROUP BY
// then needs no sort. The cache adds the rows in the same order. Counts and integer sums do
// not depend on the order and keep the statements' own shape.
namespace lanxi {
namespace {

const QString kTable = u"T_STR"_s;
const QString kCrLf = u"\r\n"_s;

struct MeasureSpec {
  QStringList fields;  // after the category field
  QStringList captions;
  QString order;
  QString chartCaption;
};

MeasureSpec SpecOf(ClassMeasure m) {
  switch (m) {
    case ClassMeasure::ProductCount:
      return {{u"Num"_s}, {u"产品数"_s}, u"Num DESC"_s, u"淘宝产品类别构成分析（产品数）"_s};
    case ClassMeasure::Sales:
      return {{u"Sales"_s},
              {u"30天平均销量"_s},
              u"Sales DESC"_s,
              u"淘宝产品各类别30天平均销售量比较图"_s};
    case ClassMeasure::SalesAmount:
      return {{u"Sales"_s},
              {u"30天平均销售额"_s},
              u"Sales DESC"_s,
              u"淘宝产品各类别30天平均销售额比较图"_s};
    case ClassMeasure::Price:
      return {
          {u"Sales"_s}, {u"平均定价"_s}, u"Sales DESC"_s, u"淘宝产品各类别产品平均定价比较图"_s};
    case ClassMeasure::PPrice:
      return {{u"Sales"_s},
              {u"平均促销价"_s},
              u"Sales DESC"_s,
              u"淘宝产品各类别产品平均促销价比较图"_s};
    case ClassMeasure::Discount:
      return {{u"SMx"_s, u"Sales"_s},
              {u"最大折扣"_s, u"平均折扣"_s},
              u"Sales ASC"_s,
              u"淘宝产品各类别产品最大/平均折扣比较图"_s};
    case ClassMeasure::PromotionFrequency:
      return {{u"Sales"_s}, {u"促销频度"_s}, u"Sales DESC"_s, u"淘宝产品各类别促销频度比较图"_s};
    case ClassMeasure::SalesGrowth:
      return {{u"Sales"_s}, {u"销量增长"_s}, u"Sales DESC"_s, u"淘宝产品各类别销售增长比较图"_s};
  }
  return {};
}

// The per-row value of measures 1 to 5.
FigureExpr ExprOf(ClassMeasure m) {
  switch (m) {
    case ClassMeasure::Sales:
      return FigureExpr::Sales;
    case ClassMeasure::SalesAmount:
      return FigureExpr::SalesAmount;
    case ClassMeasure::Price:
      return FigureExpr::Price;
    case ClassMeasure::PPrice:
      return FigureExpr::PPrice;
    default:
      return FigureExpr::Ratio;
  }
}

WorkTable MeasureTable(ClassMeasure m, const QString& field) {
  switch (m) {
    case ClassMeasure::ProductCount:
      return {kTable, {{field, u"TEXT"_s}, {u"Num"_s, u"LONG"_s}}};
    case ClassMeasure::Discount:
      return {kTable, {{u"Clas"_s, u"TEXT"_s}, {u"Sales"_s, u"DOUBLE"_s}, {u"SMx"_s, u"DOUBLE"_s}}};
    default:
      return {kTable, {{u"Clas"_s, u"TEXT"_s}, {u"Sales"_s, u"DOUBLE"_s}}};
  }
}

// ---------------------------------------------------------------------------------------------
// By SQL

// R of the measures: the category value and X for every figures row of a product in the range.
QString RowsOfRange(const QString& field, const QString& x) {
  return u"SELECT Product."_s + field + u" AS Clas,"_s + x +
         u" FROM Product,PInfo WHERE PInfo.PID=Product.ID AND PInfo.Dat>=? AND PInfo.Dat<=?"_s;
}

bool AveragesBySql(Connection& conn, const WorkTable& t, ClassMeasure m, const QString& field,
                   const Params& range) {
  const QString x = FigureSql(ExprOf(m), u"p."_s);
  QString aggregates = u"AVG("_s + x + u')';
  if (m == ClassMeasure::Discount) aggregates += u",MIN("_s + x + u')';
  const bool ok =
      conn.exec(
          u"DROP TABLE IF EXISTS temp.StatClasses;"
          "CREATE TEMP TABLE StatClasses(ID INTEGER,Clas TEXT);"
          "CREATE INDEX temp.StatClasses_Clas ON StatClasses(Clas,ID);"
          "INSERT INTO temp.StatClasses(ID,Clas) SELECT ID,"_s +
          field + u" FROM Product"_s) &&
      conn.exec(
          t.InsertInto() + u"SELECT c.Clas,"_s + aggregates +
              u" FROM temp.StatClasses c INDEXED BY StatClasses_Clas CROSS JOIN PInfo p"_s +
              IndexedBy(conn, u"PInfo_PID_Dat"_s) +
              u" WHERE p.PID=c.ID AND p.Dat>=? AND p.Dat<=? GROUP BY c.Clas ORDER BY c.Clas"_s,
          range);
  conn.exec(u"DROP TABLE IF EXISTS temp.StatClasses"_s);
  return ok;
}

bool FrequencyBySql(Connection& conn, const WorkTable& t, const QString& field,
                    const Params& range) {
  const QString r = RowsOfRange(field, u"(PInfo.Price-PInfo.PPrice) AS Price"_s);
  const QString a =
      u"SELECT Clas,COUNT(Price) AS Sales FROM("_s + r + u") WHERE Price>0 GROUP BY Clas"_s;
  const QString b = u"SELECT Clas,COUNT(Price) AS Sales FROM("_s + r + u") GROUP BY Clas"_s;
  // COUNT/COUNT divides as numbers with fractions.
  return conn.exec(t.InsertInto() + u"SELECT A.Clas,CAST(A.Sales AS REAL)/B.Sales FROM ("_s + a +
                       u") AS A,("_s + b + u") AS B WHERE A.Clas=B.Clas ORDER BY A.Clas"_s,
                   range + range);
}

bool GrowthBySql(Connection& conn, const WorkTable& t, const QString& field, const Params& range) {
  const WorkTable daily{u"T_STR1"_s,
                        {{u"Clas"_s, u"TEXT"_s}, {u"Sales"_s, u"LONG"_s}, {u"Dat"_s, u"DATE"_s}}};
  const WorkTable ends{u"T_STR2"_s,
                       {{u"Clas"_s, u"TEXT"_s}, {u"MDat"_s, u"DATE"_s}, {u"NDat"_s, u"DATE"_s}}};
  const QString last =
      u"SELECT A.Clas AS Clas,A.Sales AS Sales FROM T_STR1 AS A,T_STR2 AS B "
      "WHERE A.Clas=B.Clas AND A.Dat=B.MDat"_s;
  const QString first =
      u"SELECT C.Clas AS Clas,C.Sales AS Sales FROM T_STR1 AS C,T_STR2 AS D "
      "WHERE C.Clas=D.Clas AND C.Dat=D.NDat"_s;
  return conn.exec(u"DROP TABLE IF EXISTS T_STR1;DROP TABLE IF EXISTS T_STR2;"_s +
                   daily.CreateSql() + u';' + ends.CreateSql()) &&
         conn.exec(
             daily.InsertInto() + u"SELECT Product."_s + field +
                 u",SUM(PInfo.Sales),PInfo.Dat FROM Product,PInfo WHERE "
                 "PInfo.PID=Product.ID AND PInfo.Dat>=? AND PInfo.Dat<=? GROUP BY Product."_s +
                 field + u",PInfo.Dat ORDER BY Product."_s + field + u",PInfo.Dat"_s,
             range) &&
         conn.exec(ends.InsertInto() +
                   u"SELECT A.Clas,MAX(A.Dat),MIN(A.Dat) FROM T_STR1 AS A GROUP BY A.Clas "
                   "ORDER BY A.Clas"_s) &&
         conn.exec(t.InsertInto() + u"SELECT E.Clas,(E.Sales-F.Sales) FROM ("_s + last +
                   u") AS E,("_s + first + u") AS F WHERE E.Clas=F.Clas ORDER BY E.Clas"_s);
}

bool MeasureBySql(Connection& conn, const WorkTable& t, ClassMeasure m, const QString& field,
                  const Params& range) {
  switch (m) {
    case ClassMeasure::ProductCount:
      return conn.exec(t.InsertInto() + u"SELECT "_s + field +
                       u",COUNT(CName) FROM Product GROUP BY "_s + field + u" ORDER BY "_s + field);
    case ClassMeasure::PromotionFrequency:
      return FrequencyBySql(conn, t, field, range);
    case ClassMeasure::SalesGrowth:
      return GrowthBySql(conn, t, field, range);
    default:
      return AveragesBySql(conn, t, m, field, range);
  }
}

// ---------------------------------------------------------------------------------------------
// From the cache

// The products of one category value, by ID.
struct ClassGroup {
  std::optional<QByteArray> value;  // none: NULL
  std::vector<qint64> ids;
};

// The products grouped by their value of `field`, the groups in the engine's order of the
// values (NULL first, then the UTF-8 bytes). Empty when a value is not a text.
std::optional<std::vector<ClassGroup>> ClassGroups(Connection& conn, const QString& field) {
  struct Member {
    std::optional<QByteArray> value;
    qint64 id;
  };
  std::vector<Member> members;
  Statement s(conn, u"SELECT ID,"_s + field + u" FROM Product"_s);
  while (s.next()) {
    Member m{std::nullopt, s.value(0).toInt()};
    switch (sqlite3_column_type(s.handle(), 1)) {
      case SQLITE_NULL:
        break;
      case SQLITE_TEXT:
        m.value = QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(s.handle(), 1)),
                             sqlite3_column_bytes(s.handle(), 1));
        break;
      default:
        return std::nullopt;
    }
    members.push_back(std::move(m));
  }
  if (s.failed()) return std::nullopt;
  std::sort(members.begin(), members.end(), [](const Member& a, const Member& b) {
    if (a.value.has_value() != b.value.has_value()) return !a.value.has_value();
    if (a.value && *a.value != *b.value) return *a.value < *b.value;
    return a.id < b.id;
  });
  std::vector<ClassGroup> groups;
  for (const Member& m : members) {
    if (groups.empty() || groups.back().value != m.value) groups.push_back({m.value, {}});
    groups.back().ids.push_back(m.id);
  }
  return groups;
}

RowWriter& PutClass(RowWriter& w, const ClassGroup& g) {
  return g.value ? w.Text(*g.value) : w.Null();
}

// Calls visit(row) for every row of the group's products in the range: product by product in
// ID order, each product's rows by day and ID.
template <typename Visit>
void ForRowsOf(const Figures& f, const ClassGroup& g, int firstDay, int lastDay, Visit&& visit) {
  for (qint64 id : g.ids) {
    const int p = f.ProductOf(id);
    if (p < 0) continue;
    const auto [lo, hi] = f.ProductRows(p, firstDay, lastDay);
    for (quint32 r = lo; r < hi; ++r) visit(r);
  }
}

bool MeasureFromCache(Connection& conn, const Figures& f, const WorkTable& t, ClassMeasure m,
                      const std::vector<ClassGroup>& groups, QDate from, QDate to) {
  const auto [firstDay, lastDay] = f.DayRange(from, to);
  RowWriter w(conn, t);
  const FigureExpr x = ExprOf(m);
  for (const ClassGroup& g : groups) {
    bool any = false;
    switch (m) {
      case ClassMeasure::PromotionFrequency: {
        if (!g.value) continue;  // the join of the counts compares values: NULL meets nothing
        qint64 all = 0, promoted = 0;
        ForRowsOf(f, g, firstDay, lastDay, [&](quint32 r) {
          const double markdown = RealAt(f, FigureExpr::Markdown, r);
          if (figmath::IsNull(markdown)) return;
          ++all;
          if (markdown > 0) ++promoted;
        });
        if (promoted == 0) continue;  // a category without any promotion has no row
        PutClass(w, g).Real(double(promoted) / double(all));
        any = true;
        break;
      }
      case ClassMeasure::SalesGrowth: {
        if (!g.value) continue;
        std::vector<figmath::Sum> totals(lastDay - firstDay);
        std::vector<char> seen(lastDay - firstDay, 0);
        ForRowsOf(f, g, firstDay, lastDay, [&](quint32 r) {
          const int d = f.day[r] - firstDay;
          seen[d] = 1;
          totals[d].AddCount(f.sales[r]);
        });
        const auto firstSeen = std::find(seen.begin(), seen.end(), 1);
        if (firstSeen == seen.end()) continue;
        const auto lastSeen = seen.rend() - 1 - std::find(seen.rbegin(), seen.rend(), 1);
        const Value end = totals[lastSeen].Total(),
                    start = totals[firstSeen - seen.begin()].Total();
        PutClass(w, g).Put(end.isNull() || start.isNull() ? Value()
                                                          : Value(end.toInt() - start.toInt()));
        any = true;
        break;
      }
      default: {
        figmath::Sum average;
        figmath::Min smallest;
        ForRowsOf(f, g, firstDay, lastDay, [&](quint32 r) {
          any = true;
          AddTo(average, f, x, r);
          if (m == ClassMeasure::Discount) smallest.Add(RealAt(f, x, r));
        });
        if (!any) continue;
        PutClass(w, g).Put(average.Average());
        if (m == ClassMeasure::Discount) w.Put(smallest.Result());
        break;
      }
    }
    if (any && !w.Row()) return false;
  }
  return true;
}

}  // namespace

QStringList ClassMeasureCaptions() {
  return {u"产品数量"_s,   u"销售数量"_s, u"销售金额"_s, u"平均定价"_s,
          u"平均促销价"_s, u"促销幅度"_s, u"促销频度"_s, u"销量增幅"_s};
}

void CalToTempTable(Grid& table, ChartSurface& pic, QDate from, QDate to,
                    const QString& categoryName, int option, const QString& dbName,
                    StatisticsPath path) {
  OrderPair(from, to);
  StatisticsDatabase& db = StatisticsDatabase::Current();
  if (db.Loading()) return;
  const QString field = CategoryFieldOf(categoryName);
  const ClassMeasure m = option >= 0 && option <= int(ClassMeasure::SalesGrowth)
                             ? ClassMeasure(option)
                             : ClassMeasure::ProductCount;
  const MeasureSpec spec = SpecOf(m);
  const WorkTable t = MeasureTable(m, field);

  if (Connection* conn = db.Connect()) {
    const bool overRows = m != ClassMeasure::ProductCount;
    const Figures* f = overRows && !field.isEmpty() && path == StatisticsPath::Cached
                           ? db.CachedFigures()
                           : nullptr;
    StatisticsDatabase::OwnWrites own(db);
    if (field.isEmpty()) {
      DropWorkTable(*conn, kTable);
    } else {
      const Params range{DateParam(from), DateParam(to)};
      RemakeWorkTable(*conn, t, [&] {
        std::optional<std::vector<ClassGroup>> groups;
        if (f) groups = ClassGroups(*conn, field);
        bool ok;
        if (groups) {
          ok = MeasureFromCache(*conn, *f, t, m, *groups, from, to);
          if (m == ClassMeasure::SalesGrowth) {
            DropWorkTable(*conn, u"T_STR1"_s);
            DropWorkTable(*conn, u"T_STR2"_s);
          }
        } else {
          ok = MeasureBySql(*conn, t, m, field, range);
        }
        if (ok && (m == ClassMeasure::Sales || m == ClassMeasure::SalesGrowth))
          ConvertToLong(*conn, t, u"Sales"_s);
        return ok;
      });
    }
  }

  QStringList fields{QString(), m == ClassMeasure::ProductCount ? field : u"Clas"_s};
  QStringList captions{u"序号"_s, categoryName};
  fields << spec.fields;
  captions << spec.captions;
  SetupGridColumns(table, fields, captions);
  table.SetTag(kTable);
  WorkDBFile = CurDBFile;
  // Equal measures keep the order of the category values.
  FillGrid(table, {}, spec.order + u",rowid"_s, true);
  table.SetTag(spec.chartCaption + kCrLf + u'(' + dbName + u')' + kCrLf + SourceLine());
  DrawChart(pic, table);
}

}  // namespace lanxi
