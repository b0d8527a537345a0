#pragma once

#include <QString>
#include <QStringList>
#include <limits>
#include <memory>
#include <vector>

#include "common/value.h"
#include "storage/connection.h"
#include "storage/cursor.h"

namespace lanxi {

// The result of one query, which the caller can move through freely. Rows are read as the
// recordset moves and kept once read; a short result is read whole when it is opened, so it
// holds no read lock afterwards, while a long one keeps its statement open (and the file's read
// lock, see storage/keptconnections.h) until it has been read to the end or is closed. For a
// walk over a long result that needs no moving back, use a Cursor, which keeps no rows.
// RecordCount is exact: a COUNT(*) of the same statement while rows are still unread.
//
// When every column comes from one table, the current row can be changed (SetField, Update),
// deleted, and new rows added (AddNew, SetField, Update); such changes go straight to that
// table through the recordset's connection. A change reads the rest of the result first, so a
// changed row never turns up again as a further row.
//
// A recordset whose open failed is closed and reads as empty: IsEOF() and IsBOF() are true,
// RecordCount() is 0 and every field reads as null. A recordset whose kept connection is
// released keeps the rows it has read and reads no further ones.
class Recordset {
 public:
  Recordset() = default;
  Recordset(Recordset&&) noexcept = default;
  Recordset& operator=(Recordset&&) noexcept = default;
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  // Runs `sql` with `params` on an open connection, which the recordset keeps until Close().
  bool Open(std::unique_ptr<Connection> conn, const QString& sql, const Params& params);
  // Rows read when the recordset opens; a result no longer than this holds no read lock.
  static constexpr int kRowsReadAtOpen = 256;
  void Close();
  bool IsOpen() const { return conn_ != nullptr; }
  const QString& Sql() const { return sql_; }
  QString LastError() const;

  int RecordCount() const;
  bool IsBOF() const;
  bool IsEOF() const;
  void MoveFirst();
  void MoveLast();
  void MoveNext();
  void MovePrevious();
  // 1-based position of the current record among the records left; 0 at BOF or EOF.
  int AbsolutePosition() const;

  int FieldCount() const { return columns_.Count(); }
  QString FieldName(int i) const { return columns_.Name(i); }
  Value::Type FieldType(int i) const { return columns_.Kind(i); }
  // Index of a field by name, compared without regard to case; -1 when there is none.
  int FieldIndex(const QString& name) const { return columns_.Index(name); }
  Value Field(int i) const;
  Value Field(const QString& name) const;

  // The table changes go to; empty when the result cannot be changed.
  const QString& UpdatableTable() const { return table_; }
  void AddNew();
  // Sets a field of the row being edited (the current row, or the new one after AddNew).
  bool SetField(const QString& name, const Value& value);
  // Writes the edited row. A new row is read back afterwards, so values the database fills in
  // (the ID, a default date) can be read at once; it becomes the current row.
  bool Update();
  void CancelUpdate();
  // Deletes the current row from the table. It stays current until the next move.
  bool Delete();

 private:
  struct Row {
    std::vector<Value> values;
    qint64 rowid = 0;
    bool deleted = false;
  };

  bool ReadRow(qint64 rowid, Row& row);
  bool Fail(const QString& what);
  void SkipDeletedForward();
  void SkipDeletedBackward();
  // Reads rows until the one at `index` is there or the result has ended.
  void ReadUpTo(int index);
  void ReadAll() { ReadUpTo(std::numeric_limits<int>::max()); }

  std::unique_ptr<Connection> conn_;
  Statement query_;  // open while rows are unread
  int offset_ = 0;   // 1 when the query reads each row's rowid in front of its columns
  bool readFailed_ = false;
  QString sql_;
  Params params_;
  mutable qint64 total_ = -1;  // COUNT(*) of the statement, taken while rows are unread
  QString table_;
  ResultColumns columns_;
  std::vector<QString> origins_;  // column names in table_, when updatable
  std::vector<Row> rows_;
  int pos_ = 0;  // index into rows_; rows_.size() is EOF, -1 is BOF
  int live_ = 0;

  enum class Edit { None, Current, New };
  Edit edit_ = Edit::None;
  std::vector<Value> editValues_;
  std::vector<bool> editSet_;
};

}  // namespace lanxi
