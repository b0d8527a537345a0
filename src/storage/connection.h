#pragma once

#include <QList>
#include <QString>
#include <memory>

#include "common/value.h"

struct sqlite3;
struct sqlite3_stmt;

namespace lanxi {

using Params = QList<Value>;

// One open, keyed database file. Owns its sqlite3 handle; closing happens on destruction.
class Connection {
 public:
  enum class Mode { ReadWrite, Create };

  Connection() = default;
  ~Connection();
  Connection(Connection&& other) noexcept;
  Connection& operator=(Connection&& other) noexcept;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Opens the file at `path` with the program's database key. A file that is missing, empty,
  // not a database or keyed otherwise fails; the connection then stays closed and lastError()
  // says why. Mode::Create makes a new file when none exists (the template writer does this).
  bool open(const QString& path, Mode mode = Mode::ReadWrite);
  void close();
  bool isOpen() const { return db_ != nullptr; }
  sqlite3* handle() const { return db_; }
  const QString& path() const { return path_; }

  // Runs every statement of `sql` in order. The parameters are handed out to the statements
  // in turn, each taking as many as it has placeholders. Text holding several statements
  // runs inside a savepoint, so a failing statement leaves none of the others applied.
  bool exec(const QString& sql, const Params& params = {});

  qint64 lastInsertRowId() const;
  int changes() const;
  QString lastError() const { return error_; }
  int lastErrorCode() const { return errorCode_; }
  void setError(int code, const QString& text);

 private:
  bool execStatements(const QByteArray& utf8, const Params& params);

  sqlite3* db_ = nullptr;
  QString path_;
  QString error_;
  int errorCode_ = 0;
};

// A prepared statement. Finalised on destruction.
class Statement {
 public:
  Statement() = default;
  Statement(Connection& conn, const QString& sql);
  ~Statement();
  Statement(Statement&& other) noexcept;
  Statement& operator=(Statement&& other) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool isValid() const { return stmt_ != nullptr; }
  sqlite3_stmt* handle() const { return stmt_; }

  bool bind(const Params& params);
  bool bind(int index, const Value& value);  // 1-based, as sqlite counts
  // Advances to the next row: true while a row is available. Errors are recorded on the
  // connection and end the walk.
  bool next();
  // Whether the last step ended in an error rather than at the end of the rows.
  bool failed() const { return failed_; }
  // Runs a statement that returns no rows; true when it completed.
  bool run();
  void reset();

  int columnCount() const;
  QString columnName(int i) const;
  Value::Type columnKind(int i) const;  // from the declared type; Null when none is declared
  Value value(int i) const;             // converted by the declared type
  Value value(int i, Value::Type kind) const;

 private:
  friend class Connection;
  Statement(Connection* conn, sqlite3_stmt* adopted);

  Connection* conn_ = nullptr;
  sqlite3_stmt* stmt_ = nullptr;
  bool failed_ = false;
};

// BEGIN IMMEDIATE … COMMIT; rolled back unless commit() succeeded.
class Transaction {
 public:
  explicit Transaction(Connection& conn);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  bool isActive() const { return active_; }
  bool commit();

 private:
  Connection& conn_;
  bool active_ = false;
};

// The value type a declared column type stands for: LONG/INTEGER → Integer, DOUBLE/REAL →
// Double, DATE → Date, DATETIME → DateTime, YESNO/BIT → Bool, TEXT/MEMO/CHAR → Text.
// Null (no declared type, an expression column) leaves the choice to the stored value.
Value::Type KindOfDeclaredType(const char* declared);

// Quotes an identifier for use in SQL text ("a""b").
QString QuoteIdentifier(const QString& name);

// The raw key every database file is keyed with, as the SQL literal "x'…'", derived once per
// process from the program's database password.
const QByteArray& DatabaseKey();

}  // namespace lanxi
