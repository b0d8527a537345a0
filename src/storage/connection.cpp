#include "storage/connection.h"

#include <openssl/evp.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <QFile>
#include <QFileInfo>
#include <QPasswordDigestor>
#include <QtEndian>
#include <algorithm>

#include "storage/keptconnections.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

// The password every database file of the program carries.
constexpr char kDatabasePassword[] = "48213657";
// Key derivation: PBKDF2-HMAC-SHA256 of the password with this salt and count, 32 bytes.
constexpr char kKeySalt[] = "LanXi.ProductTracker.SQLCipher";
constexpr int kKeyIterations = 20000;

// Page cache per handle, in KiB (negative: a size, not a page count): aggregate scans over
// the daily figures keep their working set in memory.
constexpr int kCacheKiB = 65536;

bool HasMoreSql(const char* tail) {
  if (!tail) return false;
  for (; *tail; ++tail) {
    const char c = *tail;
    if (c == ';' || c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    return true;
  }
  return false;
}

}  // namespace

const QByteArray& DatabaseKey() {
  // OpenSSL's PBKDF2 gives the same bytes as QPasswordDigestor in a fraction of the time
  // (it keeps the HMAC's inner and outer states instead of hashing the key again each round);
  // the derivation is part of every start-up.
  static const QByteArray key = [] {
    QByteArray raw(32, '\0');
    if (PKCS5_PBKDF2_HMAC(kDatabasePassword, int(sizeof kDatabasePassword - 1),
                          reinterpret_cast<const unsigned char*>(kKeySalt),
                          int(sizeof kKeySalt - 1), kKeyIterations, EVP_sha256(), int(raw.size()),
                          reinterpret_cast<unsigned char*>(raw.data())) != 1) {
      raw = QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256,
                                               QByteArray(kDatabasePassword), QByteArray(kKeySalt),
                                               kKeyIterations, 32);
    }
    return "x'" + raw.toHex().toUpper() + "'";
  }();
  return key;
}

Value::Type KindOfDeclaredType(const char* declared) {
  if (!declared || !*declared) return Value::Type::Null;
  const QByteArray t = QByteArray(declared).toUpper();
  if (t.startsWith("DATETIME") || t.startsWith("TIMESTAMP")) return Value::Type::DateTime;
  if (t.startsWith("DATE")) return Value::Type::Date;
  if (t.startsWith("YESNO") || t.startsWith("BIT") || t.startsWith("BOOL") ||
      t.startsWith("LOGICAL"))
    return Value::Type::Bool;
  if (t.contains("CHAR") || t.contains("TEXT") || t.contains("MEMO") || t.contains("CLOB") ||
      t.startsWith("STRING"))
    return Value::Type::Text;
  if (t.contains("INT") || t.startsWith("LONG") || t.startsWith("COUNTER") ||
      t.startsWith("AUTOINCREMENT") || t.startsWith("BYTE") || t.startsWith("SHORT"))
    return Value::Type::Integer;
  if (t.contains("DOUB") || t.contains("REAL") || t.contains("FLOA") || t.startsWith("CURRENCY") ||
      t.startsWith("NUMERIC") || t.startsWith("DECIMAL") || t.startsWith("SINGLE") ||
      t.startsWith("MONEY"))
    return Value::Type::Double;
  return Value::Type::Null;
}

QString QuoteIdentifier(const QString& name) {
  QString q = name;
  q.replace(u'"', u"\"\""_s);
  return u'"' + q + u'"';
}

// ---------------------------------------------------------------------------------------------
// Session

namespace detail {

namespace {

bool FileId(const QString& path, quint64* device, quint64* inode) {
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return false;
  *device = st.st_dev;
  *inode = st.st_ino;
  return true;
}

}  // namespace

Session::Session(sqlite3* db, QString path, int pageSize)
    : db_(db), path_(std::move(path)), pageSize_(pageSize) {
  static quint64 handles = 0;
  serial_ = ++handles;
  FileId(path_, &device_, &inode_);
}

bool Session::isSameFile() const {
  quint64 device = 0, inode = 0;
  return FileId(path_, &device, &inode) && device == device_ && inode == inode_;
}

Session::~Session() {
  close();
}

void Session::close() {
  if (!db_) return;
  const std::vector<Statement*> open = std::move(statements_);
  statements_.clear();
  for (Statement* s : open) s->Cut();
  sqlite3_close_v2(db_);
  db_ = nullptr;
}

namespace {

// Opens, keys and reads the schema of a file with cipher pages of `pageSize`. The busy timeout
// comes before the first statement: reading the schema is the first thing that meets a lock
// another program holds.
sqlite3* OpenKeyed(const QByteArray& path, int flags, int pageSize, int* code, QString* error) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.constData(), &db, flags, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db, 0);
    const QByteArray& key = DatabaseKey();
    rc = sqlite3_key(db, key.constData(), int(key.size()));
  }
  if (rc == SQLITE_OK) {
    const QByteArray pages = "PRAGMA cipher_page_size=" + QByteArray::number(pageSize);
    rc = sqlite3_exec(db, pages.constData(), nullptr, nullptr, nullptr);
  }
  // The first read of the schema is where a wrong key, a wrong page size or a foreign file shows.
  if (rc == SQLITE_OK)
    rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) {
    const QByteArray cache = "PRAGMA cache_size=-" + QByteArray::number(kCacheKiB);
    rc = sqlite3_exec(db, cache.constData(), nullptr, nullptr, nullptr);
  }
  if (rc != SQLITE_OK) {
    *code = rc;
    *error = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    sqlite3_close(db);
    return nullptr;
  }
  return db;
}

}  // namespace

// The page size recorded in the header of a file's rollback journal, which a write in progress
// or interrupted by a crash leaves beside it; 0 when there is none.
int JournalPageSize(const QString& path) {
  QFile journal(path + u"-journal"_s);
  if (!journal.open(QIODevice::ReadOnly)) return 0;
  const QByteArray header = journal.read(28);
  static const QByteArray magic = QByteArray::fromHex("d9d505f920a163d7");
  if (header.size() < 28 || !header.startsWith(magic)) return 0;
  return int(qFromBigEndian<quint32>(header.constData() + 24));
}

std::shared_ptr<Session> OpenSession(const QString& path, bool create, int* code, QString* error) {
  const QByteArray name = path.toUtf8();
  const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
  const bool fresh = create && QFileInfo(path).size() == 0;
  // Files written before the page size grew still open with the old size. Which size comes
  // first matters when a crash left a write to roll back: the engine rolls it back on the first
  // read, and with pages larger than the file's it crashes doing so (a smaller size only fails).
  int sizes[] = {kCipherPageSize, kLegacyCipherPageSize};
  if (JournalPageSize(path) == kLegacyCipherPageSize) std::swap(sizes[0], sizes[1]);
  sqlite3* db = OpenKeyed(name, flags, sizes[0], code, error);
  if (db) return std::make_shared<Session>(db, path, sizes[0]);
  if (*code != SQLITE_NOTADB || fresh) return nullptr;
  int secondCode = 0;
  QString secondError;
  db = OpenKeyed(name, flags, sizes[1], &secondCode, &secondError);
  if (db) return std::make_shared<Session>(db, path, sizes[1]);
  // A lock met on the second try says more than "not a database" on the first.
  if (secondCode != SQLITE_NOTADB) {
    *code = secondCode;
    *error = secondError;
  }
  return nullptr;
}

}  // namespace detail

// ---------------------------------------------------------------------------------------------
// Connection

Connection::~Connection() {
  close();
}

Connection::Connection(Connection&& other) noexcept
    : session_(std::move(other.session_)),
      path_(std::move(other.path_)),
      error_(std::move(other.error_)),
      errorCode_(other.errorCode_),
      kept_(std::exchange(other.kept_, false)) {}

Connection& Connection::operator=(Connection&& other) noexcept {
  if (this != &other) {
    close();
    session_ = std::move(other.session_);
    path_ = std::move(other.path_);
    error_ = std::move(other.error_);
    errorCode_ = other.errorCode_;
    kept_ = std::exchange(other.kept_, false);
  }
  return *this;
}

void Connection::setError(int code, const QString& text) {
  errorCode_ = code;
  error_ = text;
}

bool Connection::open(const QString& path, Mode mode) {
  close();
  path_ = path;
  error_.clear();
  errorCode_ = SQLITE_OK;

  const QFileInfo info(path);
  if (info.exists() && !info.isFile()) {
    setError(SQLITE_CANTOPEN, u"不是文件"_s);
    return false;
  }
  if (mode != Mode::Create) {
    if (!info.exists()) {
      setError(SQLITE_CANTOPEN, u"文件不存在"_s);
      return false;
    }
    // SQLite would take an empty file for a new database and key it on the first write.
    if (info.size() == 0) {
      setError(SQLITE_NOTADB, u"文件是空的"_s);
      return false;
    }
  }
  if (mode == Mode::ReadWrite) {
    bool kept = false;
    session_ = KeptSession(path, &kept, &errorCode_, &error_);
    if (kept) {
      kept_ = session_ != nullptr;
      return kept_;
    }
  }
  session_ = detail::OpenSession(path, mode == Mode::Create, &errorCode_, &error_);
  return session_ != nullptr;
}

void Connection::close() {
  // A kept handle stays open for the next operation; a handle of its own closes with the last
  // statement on it.
  session_.reset();
  kept_ = false;
}

bool Connection::isOpen() const {
  return session_ && session_->isOpen();
}

sqlite3* Connection::handle() const {
  return session_ ? session_->db() : nullptr;
}

int Connection::pageSize() const {
  return session_ ? session_->pageSize() : 0;
}

bool Connection::exec(const QString& sql, const Params& params) {
  if (!isOpen()) {
    setError(SQLITE_MISUSE, u"连接未打开"_s);
    return false;
  }
  return execStatements(sql.toUtf8(), params);
}

bool Connection::execStatements(const QByteArray& utf8, const Params& params) {
  sqlite3* db = handle();
  const char* next = utf8.constData();
  qsizetype paramPos = 0;
  bool savepoint = false;
  bool ok = true;
  while (ok && HasMoreSql(next)) {
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(db, next, -1, &raw, &tail);
    if (rc != SQLITE_OK) {
      setError(rc, QString::fromUtf8(sqlite3_errmsg(db)));
      ok = false;
      break;
    }
    if (!raw) {  // only a comment
      next = tail;
      continue;
    }
    if (!savepoint && HasMoreSql(tail)) {
      // Several statements: all or none.
      if (sqlite3_exec(db, "SAVEPOINT lanxi_exec", nullptr, nullptr, nullptr) != SQLITE_OK) {
        setError(sqlite3_errcode(db), QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_finalize(raw);
        return false;
      }
      savepoint = true;
    }
    Statement stmt(this, raw);
    const int count = sqlite3_bind_parameter_count(raw);
    for (int i = 1; ok && i <= count; ++i, ++paramPos) {
      ok = stmt.bind(i, paramPos < params.size() ? params[paramPos] : Value());
    }
    ok = ok && stmt.run();
    next = tail;
  }
  if (savepoint) {
    if (ok) {
      ok = sqlite3_exec(db, "RELEASE lanxi_exec", nullptr, nullptr, nullptr) == SQLITE_OK;
    } else {
      sqlite3_exec(db, "ROLLBACK TO lanxi_exec", nullptr, nullptr, nullptr);
      sqlite3_exec(db, "RELEASE lanxi_exec", nullptr, nullptr, nullptr);
    }
  }
  return ok;
}

qint64 Connection::lastInsertRowId() const {
  return isOpen() ? sqlite3_last_insert_rowid(handle()) : 0;
}

int Connection::changes() const {
  return isOpen() ? sqlite3_changes(handle()) : 0;
}

Connection::DataVersion Connection::dataVersion() const {
  DataVersion v;
  if (!isOpen()) return v;
  v.handle = session_->serial();
  v.changes = sqlite3_total_changes(handle());
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(handle(), "PRAGMA data_version", -1, &s, nullptr) == SQLITE_OK &&
      sqlite3_step(s) == SQLITE_ROW)
    v.commits = sqlite3_column_int64(s, 0);
  sqlite3_finalize(s);
  return v;
}

// ---------------------------------------------------------------------------------------------
// Statement

Statement::Statement(Connection& conn, const QString& sql) : conn_(&conn) {
  if (!conn.isOpen()) {
    conn.setError(SQLITE_MISUSE, u"连接未打开"_s);
    return;
  }
  const QByteArray utf8 = sql.toUtf8();
  const int rc =
      sqlite3_prepare_v2(conn.handle(), utf8.constData(), int(utf8.size()), &stmt_, nullptr);
  if (rc != SQLITE_OK) {
    conn.setError(rc, QString::fromUtf8(sqlite3_errmsg(conn.handle())));
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
    return;
  }
  Attach();
}

Statement::Statement(Connection* conn, sqlite3_stmt* adopted) : conn_(conn), stmt_(adopted) {
  Attach();
}

// A statement is listed with its handle while it holds a prepared statement, so that releasing
// the handle can finalise it.
void Statement::Attach() {
  if (!stmt_ || !conn_) return;
  session_ = conn_->session_;
  if (session_) session_->statements_.push_back(this);
}

void Statement::Detach() {
  if (!session_) return;
  auto& list = session_->statements_;
  const auto it = std::find(list.begin(), list.end(), this);
  if (it != list.end()) {
    *it = list.back();
    list.pop_back();
  }
  session_.reset();
}

void Statement::Release() {
  if (stmt_) {
    Detach();
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
  }
  session_.reset();
}

void Statement::Cut() {
  sqlite3_finalize(stmt_);
  stmt_ = nullptr;
  failed_ = true;
}

Statement::~Statement() {
  Release();
}

Statement::Statement(Statement&& other) noexcept
    : conn_(other.conn_),
      session_(std::move(other.session_)),
      stmt_(std::exchange(other.stmt_, nullptr)),
      failed_(other.failed_) {
  if (session_)
    std::replace(session_->statements_.begin(), session_->statements_.end(), &other, this);
}

Statement& Statement::operator=(Statement&& other) noexcept {
  if (this != &other) {
    Release();
    conn_ = other.conn_;
    session_ = std::move(other.session_);
    stmt_ = std::exchange(other.stmt_, nullptr);
    failed_ = other.failed_;
    if (session_)
      std::replace(session_->statements_.begin(), session_->statements_.end(), &other, this);
  }
  return *this;
}

bool Statement::bind(int index, const Value& v) {
  if (!stmt_) return false;
  int rc = SQLITE_OK;
  switch (v.type()) {
    case Value::Type::Null:
      rc = sqlite3_bind_null(stmt_, index);
      break;
    case Value::Type::Integer:
      rc = sqlite3_bind_int64(stmt_, index, v.toInt());
      break;
    case Value::Type::Bool:
      rc = sqlite3_bind_int(stmt_, index, v.toBool() ? 1 : 0);
      break;
    case Value::Type::Double:
      rc = sqlite3_bind_double(stmt_, index, v.toDouble());
      break;
    default: {
      const QByteArray t = v.toString().toUtf8();
      rc = sqlite3_bind_text(stmt_, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
    }
  }
  if (rc != SQLITE_OK) {
    conn_->setError(rc, QString::fromUtf8(sqlite3_errmsg(conn_->handle())));
    return false;
  }
  return true;
}

bool Statement::bind(const Params& params) {
  if (!stmt_) return false;
  const int count = sqlite3_bind_parameter_count(stmt_);
  for (int i = 1; i <= count; ++i) {
    if (!bind(i, i - 1 < params.size() ? params[i - 1] : Value())) return false;
  }
  return true;
}

bool Statement::next() {
  if (!stmt_) return false;
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc != SQLITE_DONE) {
    failed_ = true;
    conn_->setError(sqlite3_errcode(conn_->handle()),
                    QString::fromUtf8(sqlite3_errmsg(conn_->handle())));
  }
  return false;
}

bool Statement::run() {
  if (!stmt_) return false;
  int rc;
  do {
    rc = sqlite3_step(stmt_);
  } while (rc == SQLITE_ROW);
  if (rc != SQLITE_DONE) {
    failed_ = true;
    conn_->setError(sqlite3_errcode(conn_->handle()),
                    QString::fromUtf8(sqlite3_errmsg(conn_->handle())));
    return false;
  }
  return true;
}

void Statement::reset() {
  if (!stmt_) return;  // cut off: stays failed
  failed_ = false;
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

void Statement::finish() {
  if (stmt_) sqlite3_reset(stmt_);
}

int Statement::columnCount() const {
  return stmt_ ? sqlite3_column_count(stmt_) : 0;
}

QString Statement::columnName(int i) const {
  return stmt_ ? QString::fromUtf8(sqlite3_column_name(stmt_, i)) : QString();
}

Value::Type Statement::columnKind(int i) const {
  return stmt_ ? KindOfDeclaredType(sqlite3_column_decltype(stmt_, i)) : Value::Type::Null;
}

Value Statement::value(int i) const {
  return value(i, columnKind(i));
}

Value Statement::value(int i, Value::Type kind) const {
  if (!stmt_) return {};
  const int storage = sqlite3_column_type(stmt_, i);
  if (storage == SQLITE_NULL) return {};
  auto text = [&] {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
    return QString::fromUtf8(p, sqlite3_column_bytes(stmt_, i));
  };
  const bool number = storage == SQLITE_INTEGER || storage == SQLITE_FLOAT;
  switch (kind) {
    case Value::Type::Integer:
      if (storage == SQLITE_INTEGER) return Value(qint64(sqlite3_column_int64(stmt_, i)));
      if (storage == SQLITE_FLOAT) return Value(qRound64(sqlite3_column_double(stmt_, i)));
      break;
    case Value::Type::Double:
      if (number) return Value(sqlite3_column_double(stmt_, i));
      break;
    case Value::Type::Bool:
      if (number) return Value(sqlite3_column_double(stmt_, i) != 0.0);
      break;
    case Value::Type::Date:
      if (storage == SQLITE_TEXT) {
        const QString t = text();
        const QDate d = Value::ParseIsoDate(t);
        if (d.isValid()) return Value(d);
        return Value(t);
      }
      break;
    case Value::Type::DateTime:
      if (storage == SQLITE_TEXT) {
        const QString t = text();
        const QDateTime dt = Value::ParseIsoDateTime(t);
        if (dt.isValid()) return Value(dt);
        return Value(t);
      }
      break;
    case Value::Type::Text:
      return Value(text());
    default:
      break;
  }
  // Undeclared, or a stored value that does not fit its declaration: keep what is stored.
  if (storage == SQLITE_INTEGER) return Value(qint64(sqlite3_column_int64(stmt_, i)));
  if (storage == SQLITE_FLOAT) return Value(sqlite3_column_double(stmt_, i));
  return Value(text());
}

// ---------------------------------------------------------------------------------------------
// Transaction

Transaction::Transaction(Connection& conn) : conn_(conn) {
  if (!conn.isOpen()) return;
  nested_ = sqlite3_get_autocommit(conn.handle()) == 0;
  active_ = conn.exec(nested_ ? u"SAVEPOINT lanxi_tx"_s : u"BEGIN IMMEDIATE"_s);
}

Transaction::~Transaction() {
  if (active_) rollback();
}

void Transaction::rollback() {
  active_ = false;
  if (nested_) {
    conn_.exec(u"ROLLBACK TO lanxi_tx"_s);
    conn_.exec(u"RELEASE lanxi_tx"_s);
  } else {
    conn_.exec(u"ROLLBACK"_s);
  }
}

bool Transaction::commit() {
  if (!active_) return false;
  if (conn_.exec(nested_ ? u"RELEASE lanxi_tx"_s : u"COMMIT"_s)) {
    active_ = false;
    return true;
  }
  rollback();
  return false;
}

}  // namespace lanxi
