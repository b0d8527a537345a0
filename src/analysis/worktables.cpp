#include "analysis/worktables.h"

#include <sqlite3.h>
#include <cmath>

#include "analysis/drawchart.h"
#include "storage/dboperate.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

constexpr int kCategoryFields = 10;
const QString kInternalCaption = u"分类"_s;

}  // namespace

QString WorkTable::CreateSql() const {
  QStringList cols;
  for (const WorkColumn& c : columns) cols << c.name + u' ' + c.type;
  return u"CREATE TABLE "_s + name + u'(' + cols.join(u',') + u')';
}

QString WorkTable::ColumnList() const {
  QStringList cols;
  for (const WorkColumn& c : columns) cols << c.name;
  return cols.join(u',');
}

QString WorkTable::InsertInto() const {
  return u"INSERT INTO "_s + name + u'(' + ColumnList() + u") "_s;
}

bool RemakeWorkTable(Connection& conn, const WorkTable& table, const std::function<bool()>& fill) {
  bool made = false;
  {
    Transaction tx(conn);
    made = tx.isActive() && conn.exec(u"DROP TABLE IF EXISTS "_s + table.name) &&
           conn.exec(table.CreateSql()) && fill() && tx.commit();
  }
  if (!made) DropWorkTable(conn, table.name);
  return made;
}

void DropWorkTable(Connection& conn, const QString& name) {
  conn.exec(u"DROP TABLE IF EXISTS "_s + name);
}

void ConvertToLong(Connection& conn, const WorkTable& table, const QString& column) {
  {
    Statement outside(conn, u"SELECT COUNT(*) FROM "_s + table.name + u" WHERE "_s + column +
                                u" IS NOT NULL AND NOT ("_s + column + u">-2147483649.0 AND "_s +
                                column + u"<2147483648.0)"_s);
    if (!outside.next() || outside.value(0).toInt() != 0) return;
  }
  WorkTable converted = table;
  converted.name = table.name + u"_Long"_s;
  QStringList values;
  for (WorkColumn& c : converted.columns) {
    if (c.name == column) {
      c.type = u"LONG"_s;
      values << u"CAST("_s + c.name + u" AS INTEGER)"_s;
    } else {
      values << c.name;
    }
  }
  conn.exec(u"DROP TABLE IF EXISTS "_s + converted.name + u';' + converted.CreateSql() + u';' +
            converted.InsertInto() + u"SELECT "_s + values.join(u',') + u" FROM "_s + table.name +
            u" ORDER BY rowid;DROP TABLE "_s + table.name + u";ALTER TABLE "_s + converted.name +
            u" RENAME TO "_s + table.name);
}

RowWriter::RowWriter(Connection& conn, const WorkTable& table) {
  QStringList marks;
  for (size_t i = 0; i < table.columns.size(); ++i) marks << u"?"_s;
  stmt_ = Statement(conn, table.InsertInto() + u"VALUES("_s + marks.join(u',') + u')');
  ok_ = stmt_.isValid();
}

RowWriter& RowWriter::Null() {
  return Put(Value());
}

RowWriter& RowWriter::Integer(qint64 v) {
  return Put(Value(v));
}

RowWriter& RowWriter::Real(double v) {
  return std::isnan(v) ? Null() : Put(Value(v));
}

RowWriter& RowWriter::Text(const QByteArray& utf8) {
  // The bytes as they are: a category value is written back exactly as it was read.
  ok_ = ok_ && sqlite3_bind_text(stmt_.handle(), ++col_, utf8.constData(), int(utf8.size()),
                                 SQLITE_TRANSIENT) == SQLITE_OK;
  return *this;
}

RowWriter& RowWriter::Put(const Value& v) {
  ok_ = ok_ && stmt_.bind(++col_, v);
  return *this;
}

bool RowWriter::Row() {
  ok_ = ok_ && stmt_.run();
  stmt_.reset();
  col_ = 0;
  return ok_;
}

QString IndexedBy(Connection& conn, const QString& index) {
  Statement s(conn, u"SELECT COUNT(*) FROM sqlite_master WHERE type='index' AND name=?"_s);
  s.bind({index});
  return s.next() && s.value(0).toInt() > 0 ? u" INDEXED BY "_s + index : QString();
}

Value DateParam(QDate date) {
  return Value(Value::IsoDate(date));
}

CategoryFilter CategoryFilterOf(const QString& selection) {
  CategoryFilter filter;
  if (selection.isEmpty()) return filter;
  const QStringList items = selection.split(u',');
  QStringList conditions;
  for (int k = 0; k < kCategoryFields && k < items.size(); ++k) {
    if (items[k].isEmpty()) continue;
    conditions << u'C' + QString::number(k) + u"=?"_s;
    filter.params << items[k];
  }
  if (!conditions.isEmpty()) filter.where = u" WHERE "_s + conditions.join(u" AND "_s);
  return filter;
}

QString CategorySelectionText(const QString& selection) {
  QString text = selection;
  for (int pass = 0; pass < 20; ++pass) text.replace(u",,"_s, u","_s);
  if (text.endsWith(u',')) text.chop(1);
  if (text.startsWith(u',')) text.remove(0, 1);
  return text.isEmpty() ? u"所有"_s : text;
}

QString CategoryFieldOf(const QString& categoryName) {
  QString internal = categoryName;
  if (TableExists(u"Para"_s, CurDBFile)) {
    const QString found =
        LookupWhere(u"Para"_s, u"CID=1 AND Con=?"_s, u"Name"_s, {categoryName}, CurDBFile)
            .toString();
    if (!found.isEmpty()) internal = found;
  }
  const double k = CellNumber(QString(internal).remove(kInternalCaption));
  if (k < 1 || k > kCategoryFields || k != std::floor(k)) return {};
  return u'C' + QString::number(int(k) - 1);
}

QStringList CategoryNames() {
  QStringList names;
  for (int k = 1; k <= kCategoryFields; ++k) names << kInternalCaption + QString::number(k);
  if (!TableExists(u"Para"_s, CurDBFile)) return names;
  Recordset rs;
  if (!OpenRecordset(rs, u"SELECT Name,Con FROM Para WHERE CID=1 ORDER BY rowid"_s, {}, CurDBFile))
    return names;
  for (; !rs.IsEOF(); rs.MoveNext()) {
    const qsizetype i = names.indexOf(rs.Field(0).toString());
    if (i >= 0) names[i] = rs.Field(1).toString();
  }
  CloseRecordset(rs);
  return names;
}

QString SourceLine(bool stock) {
  return stock ? u"[数据来源：淘宝；数据分析：澜析库存跟踪软件]"_s
               : u"[数据来源：淘宝；数据分析：澜析销量跟踪软件]"_s;
}

}  // namespace lanxi
