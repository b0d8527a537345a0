#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "common/value.h"
#include "storage/connection.h"

namespace lanxi {

// The names and value types of a result's columns.
class ResultColumns {
 public:
  // Takes them from a prepared statement, leaving out its first `skip` columns.
  void Read(const Statement& s, int skip = 0);
  void Clear();
  int Count() const { return int(names_.size()); }
  QString Name(int i) const { return i >= 0 && i < Count() ? names_[i] : QString(); }
  Value::Type Kind(int i) const { return i >= 0 && i < Count() ? kinds_[i] : Value::Type::Null; }
  // Index of a column by name, compared without regard to case; -1 when there is none.
  int Index(const QString& name) const;

 private:
  std::vector<QString> names_;
  std::vector<Value::Type> kinds_;
};

// The rows of one query, stepped forward only. Nothing but the current row is held, so a walk
// over every daily figure of a database costs no more memory than one row; fields are read
// straight from the statement. This is how long results are read: the grid fill, exports and
// statistics.
//
// The cursor holds the file's read lock from Open until it has stepped past the last row or is
// closed (see storage/keptconnections.h): close it as soon as the rows are read. When the kept
// connection it runs on is released, the cursor is cut off: it reads as ended, and Failed().
//
// A cursor whose open failed is closed and reads as ended: IsEOF() is true and every field
// reads as null.
class Cursor {
 public:
  Cursor() = default;
  Cursor(Cursor&&) noexcept = default;
  Cursor& operator=(Cursor&&) noexcept = default;
  Cursor(const Cursor&) = delete;
  Cursor& operator=(const Cursor&) = delete;

  // Runs `sql` with `params` on an open connection, which the cursor keeps until Close(), and
  // steps to the first row. False when the statement cannot run or its first step fails.
  bool Open(std::unique_ptr<Connection> conn, const QString& sql, const Params& params = {});
  void Close();
  bool IsOpen() const { return conn_ != nullptr; }
  const QString& Sql() const { return sql_; }
  QString LastError() const;

  bool IsEOF() const { return eof_; }
  // Steps to the next row. Past the last one the statement is finished and the read lock goes.
  void MoveNext();
  // Whether the walk ended in an error (or the connection was released) rather than at the end.
  bool Failed() const { return stmt_.failed(); }

  // The number of rows of the whole result, wherever the cursor stands: a COUNT(*) of the same
  // statement with the same parameters, taken in the same read snapshot as the rows while the
  // cursor has not ended. -1 when it cannot be counted.
  qint64 Count();

  int FieldCount() const { return columns_.Count(); }
  QString FieldName(int i) const { return columns_.Name(i); }
  Value::Type FieldType(int i) const { return columns_.Kind(i); }
  // Index of a field by name, compared without regard to case; -1 when there is none.
  int FieldIndex(const QString& name) const { return columns_.Index(name); }
  // A field of the current row; null at the end and for an index out of range.
  Value Field(int i) const;
  Value Field(const QString& name) const { return Field(FieldIndex(name)); }

 private:
  std::unique_ptr<Connection> conn_;
  Statement stmt_;
  QString sql_;
  Params params_;
  ResultColumns columns_;
  bool eof_ = true;
};

// The number of rows `sql` gives with `params` on `conn`: COUNT(*) over it (its ordering left
// out, which cannot change a count), or, for a statement that cannot stand in a FROM clause,
// by stepping through its rows without keeping them. -1 when the statement fails.
qint64 CountRows(Connection& conn, const QString& sql, const Params& params);

// `sql` without the ORDER BY clause of its outermost query; a LIMIT after it stays. Texts,
// quoted names, comments and parenthesised subqueries are passed over.
QString WithoutFinalOrderBy(const QString& sql);

}  // namespace lanxi
