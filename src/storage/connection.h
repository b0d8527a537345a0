#pragma once

#include <QList>
#include <QString>
#include <memory>
#include <vector>

#include "common/value.h"

struct sqlite3;
struct sqlite3_stmt;

namespace lanxi {

using Params = QList<Value>;

class Statement;

// Every file the program writes has cipher pages of this size; files written before with the
// old size still open (see Connection::open) and are rewritten in the new size by CopyDatabase
// (storage/databasecopy.h).
inline constexpr int kCipherPageSize = 4096;
inline constexpr int kLegacyCipherPageSize = 1024;

// How long a statement waits for another program (the downloader) to finish a write before it
// gives up with "database is locked".
inline constexpr int kBusyTimeoutMs = 3000;

namespace detail {
// One open sqlite3 handle on a keyed file. Connections share it when the file is kept (see
// storage/keptconnections.h); it closes when the last connection lets go of it, or at once when
// the kept connection is released, which cuts off every statement still open on it.
class Session {
 public:
  Session(sqlite3* db, QString path, int pageSize);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  sqlite3* db() const { return db_; }
  const QString& path() const { return path_; }
  int pageSize() const { return pageSize_; }
  bool isOpen() const { return db_ != nullptr; }
  // Numbers the handles of the process from 1, never twice.
  quint64 serial() const { return serial_; }
  // Whether the file at path() is still the one the handle opened (not replaced since).
  bool isSameFile() const;
  // Finalises every statement still open on the handle, then closes the file.
  void close();

 private:
  friend class lanxi::Statement;
  sqlite3* db_;
  QString path_;
  int pageSize_;
  quint64 serial_;
  quint64 device_ = 0, inode_ = 0;
  std::vector<Statement*> statements_;
};

// Opens and keys the file at `path`; on failure answers null with the reason.
std::shared_ptr<Session> OpenSession(const QString& path, bool create, int* code, QString* error);
}  // namespace detail

// A connection to one keyed database file. Connections to the catalogue and to the current
// tracking database share that file's kept handle, so the page cache survives from one
// operation to the next and all of the program's work on a file goes through one handle (see
// storage/keptconnections.h); connections to any other file have a handle of their own, closed
// with the connection. Closing or destroying a connection never closes a kept handle.
//
// Single-threaded: connections, statements and the kept handles belong to the thread that
// opened them.
class Connection {
 public:
  enum class Mode {
    ReadWrite,  // an existing file; the kept handle when the file is kept
    Private,    // an existing file, always on a handle of its own
    Create,     // a new file when none exists (the template writer), on a handle of its own
  };

  Connection() = default;
  ~Connection();
  Connection(Connection&& other) noexcept;
  Connection& operator=(Connection&& other) noexcept;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Opens the file at `path` with the program's database key and waits up to kBusyTimeoutMs for
  // a lock another program holds. A file is tried with kCipherPageSize pages, then with the
  // legacy size. A file that is missing, empty, not a database or keyed otherwise fails; the
  // connection then stays closed and lastError() says why.
  bool open(const QString& path, Mode mode = Mode::ReadWrite);
  void close();
  // False also after the file's kept handle was released under this connection.
  bool isOpen() const;
  sqlite3* handle() const;
  const QString& path() const { return path_; }
  // Whether this connection shares the file's kept handle.
  bool isKept() const { return kept_; }
  // The cipher page size the file was opened with.
  int pageSize() const;

  // Runs every statement of `sql` in order. The parameters are handed out to the statements
  // in turn, each taking as many as it has placeholders. Text holding several statements
  // runs inside a savepoint, so a failing statement leaves none of the others applied.
  bool exec(const QString& sql, const Params& params = {});

  qint64 lastInsertRowId() const;
  int changes() const;
  // What a cache of the file's rows compares to know whether it is still good: a reading
  // differs from an earlier one when another process or handle committed to the file since
  // (PRAGMA data_version), rows were changed through this handle, or the handle is another one
  // (the kept handle was released and the file opened again, perhaps replaced). Ask it on a
  // connection to the kept file. A closed connection reads as all zero.
  struct DataVersion {
    quint64 handle = 0;
    qint64 commits = 0;
    qint64 changes = 0;
    bool operator==(const DataVersion&) const = default;
  };
  DataVersion dataVersion() const;

  QString lastError() const { return error_; }
  int lastErrorCode() const { return errorCode_; }
  void setError(int code, const QString& text);

 private:
  friend class Statement;
  bool execStatements(const QByteArray& utf8, const Params& params);

  std::shared_ptr<detail::Session> session_;
  QString path_;
  QString error_;
  int errorCode_ = 0;
  bool kept_ = false;
};

// A prepared statement. Finalised on destruction, or when the handle it runs on is released
// (it then reads as finished, and failed()).
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
  // Ends a walk early: the statement keeps its bindings but holds no read lock any more.
  void finish();

  int columnCount() const;
  QString columnName(int i) const;
  Value::Type columnKind(int i) const;  // from the declared type; Null when none is declared
  Value value(int i) const;             // converted by the declared type
  Value value(int i, Value::Type kind) const;

 private:
  friend class Connection;
  friend class detail::Session;
  Statement(Connection* conn, sqlite3_stmt* adopted);
  void Attach();
  void Detach();
  void Release();
  void Cut();  // the handle is closing

  Connection* conn_ = nullptr;
  std::shared_ptr<detail::Session> session_;
  sqlite3_stmt* stmt_ = nullptr;
  bool failed_ = false;
};

// BEGIN IMMEDIATE … COMMIT; rolled back unless commit() succeeded. Inside a transaction already
// running on the handle (an operation started while another one waits for events) it is a
// savepoint of that transaction instead.
class Transaction {
 public:
  explicit Transaction(Connection& conn);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  bool isActive() const { return active_; }
  bool commit();

 private:
  void rollback();

  Connection& conn_;
  bool active_ = false;
  bool nested_ = false;
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
