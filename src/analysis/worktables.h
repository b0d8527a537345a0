#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "common/value.h"
#include "storage/connection.h"

// What the statistics share: their working tables "T_…" in the current database (typed columns,
// made again on every run, filled by INSERT … SELECT or row by row), the category selection of
// a chart page, and the texts of the chart titles.
namespace lanxi {

struct WorkColumn {
  QString name;
  QString type;  // declared type: DATE, LONG, DOUBLE, TEXT, TEXT(255)
};

struct WorkTable {
  QString name;
  std::vector<WorkColumn> columns;

  QString CreateSql() const;
  // "a,b,c"
  QString ColumnList() const;
  // "INSERT INTO name(a,b,c) "
  QString InsertInto() const;
};

// Makes a working table again: drops it, creates it empty and fills it with `fill`, in one
// transaction. When anything fails the table is left missing (never an older one in its place),
// as a failed statement leaves it. Answers whether the table was made.
bool RemakeWorkTable(Connection& conn, const WorkTable& table, const std::function<bool()>& fill);

// Drops a table of the connection's file when it exists.
void DropWorkTable(Connection& conn, const QString& name);

// The conversion of a number column to a 32-bit integer column: every value loses its fraction
// (cut towards zero) and the column is declared LONG. When a value does not fit in 32 bits the
// conversion fails as a whole and the column keeps its values and type. Runs inside the fill of
// RemakeWorkTable; a failed conversion does not fail the table.
void ConvertToLong(Connection& conn, const WorkTable& table, const QString& column);

// Writes rows one by one into a table through one prepared INSERT. Values are given column by
// column, then Row() stores them.
class RowWriter {
 public:
  RowWriter(Connection& conn, const WorkTable& table);
  bool IsValid() const { return stmt_.isValid(); }
  RowWriter& Null();
  RowWriter& Integer(qint64 v);
  // NaN stands for NULL (figuremath.h).
  RowWriter& Real(double v);
  RowWriter& Text(const QByteArray& utf8);
  RowWriter& Text(const QString& text) { return Text(text.toUtf8()); }
  RowWriter& Put(const Value& v);
  bool Row();

 private:
  Statement stmt_;
  int col_ = 0;
  bool ok_ = true;
};

// " INDEXED BY name" when the connection's file has that index, else the empty text: the
// reference statements name the index whose order they add their values in (see trends.cpp),
// and still run on a file that lacks it.
QString IndexedBy(Connection& conn, const QString& index);

// A date as the statements compare it with Dat: "YYYY-MM-DD".
Value DateParam(QDate date);

// The category selection of a chart page: ten fields each followed by ",", field k the wanted
// value of the category field Ck of Product, an empty field no condition.
struct CategoryFilter {
  QString where;  // " WHERE C1=? AND C3=?", or empty for every product
  Params params;  // the values, in that order
};
CategoryFilter CategoryFilterOf(const QString& selection);
// The selection as the chart title shows it: the chosen values separated by ",", or "所有".
QString CategorySelectionText(const QString& selection);

// The category field of Product a category name stands for: the name is looked up among the
// category display names of the current database (Para, CID 1) and its internal caption
// "分类k" gives Ck-1; a name that is no display name is read as an internal caption itself.
// Empty when the name gives no field C0 … C9.
QString CategoryFieldOf(const QString& categoryName);
// The ten category names as a list offers them: "分类1" … "分类10", each renamed by its display
// name when the current database has one.
QStringList CategoryNames();

// The last line of every chart title: where the figures come from and who analysed them.
QString SourceLine(bool stock = false);

}  // namespace lanxi
