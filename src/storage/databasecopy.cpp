#include "storage/databasecopy.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "storage/dberror.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

// Engine steps between two ticks: a few milliseconds of work.
constexpr int kTickSteps = 20000;
// Bytes read and written at a time by a byte copy.
constexpr qint64 kChunkBytes = 1 << 20;

const QString kPartial = u".partial"_s;

QString FileName(const QString& path) {
  return QFileInfo(path).fileName();
}

bool Fail(CopyFault* fault, int code, const QString& reason, const QString& detail = {}) {
  if (fault) *fault = {code, reason, detail};
  return false;
}

// The result code whose standard text `message` is: a failure inside sqlcipher_export comes
// back as a plain SQLITE_ERROR carrying the text of the code that failed.
int CodeOfMessage(const QString& message) {
  const QByteArray text = message.toUtf8();
  for (int code = SQLITE_INTERNAL; code <= SQLITE_NOTADB; ++code) {
    if (text == sqlite3_errstr(code)) return code;
  }
  return SQLITE_ERROR;
}

// The connection's last failure. `path` is the file the reason speaks of.
bool EngineFault(CopyFault* fault, const Connection& conn, const QString& path) {
  const QString engine = conn.lastError().trimmed();
  int code = conn.lastErrorCode() ? conn.lastErrorCode() : SQLITE_ERROR;
  if (code == SQLITE_ERROR) code = CodeOfMessage(engine);
  // The connection's own texts are Chinese already and said better by the reason.
  const bool fromEngine =
      std::all_of(engine.cbegin(), engine.cend(), [](QChar ch) { return ch.unicode() < 0x80; });
  return Fail(fault, code, DbFailureReason(code, path), fromEngine ? engine : QString());
}

bool EngineFault(CopyFault* fault, const Connection& conn) {
  return EngineFault(fault, conn, conn.path());
}

// A file that could not be written; `reason` is used when the file system shows no cause.
bool FileFault(CopyFault* fault, const QString& path, const QString& reason, const QString& detail,
               int code = SQLITE_IOERR) {
  const QString seen = FileFailureReason(path);
  return Fail(fault, code, seen.isEmpty() ? reason : seen, detail);
}

bool WriteFault(CopyFault* fault, const QString& path, const QString& detail) {
  return FileFault(fault, path, u"无法写入文件“"_s + FileName(path) + u"”。"_s, detail);
}

// Puts `partial` in the place of `target` in one step, once its bytes are on the disk.
bool PutInPlace(const QString& partial, const QString& target, CopyFault* fault) {
  SyncToDisk(partial);
  if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(target).constData()) !=
      0) {
    const int error = errno;
    QFile::remove(partial);
    return FileFault(
        fault, target,
        u"无法把文件“"_s + FileName(partial) + u"”改名为“"_s + FileName(target) + u"”。"_s,
        QString::fromLocal8Bit(std::strerror(error)), error == ENOSPC ? SQLITE_FULL : SQLITE_IOERR);
  }
  SyncToDisk(QFileInfo(target).absolutePath());
  return true;
}

int OnProgress(void* tick) {
  (*static_cast<const CopyTick*>(tick))();
  return 0;
}

// Calls `tick` while statements of the connection run, as long as this object lives.
class Ticking {
 public:
  Ticking(Connection& conn, const CopyTick& tick) : conn_(conn) {
    if (tick && conn.isOpen())
      sqlite3_progress_handler(conn.handle(), kTickSteps, OnProgress, const_cast<CopyTick*>(&tick));
  }
  ~Ticking() {
    if (conn_.isOpen()) sqlite3_progress_handler(conn_.handle(), 0, nullptr, nullptr);
  }
  Ticking(const Ticking&) = delete;
  Ticking& operator=(const Ticking&) = delete;

 private:
  Connection& conn_;
};

// What a copy must show again: the tables with their numbers of rows, and the schema version.
struct Content {
  QList<std::pair<QString, qint64>> tables;  // by name
  qint64 version = 0;
};

bool ReadContent(Connection& conn, const QString& schema, Content* out) {
  out->tables.clear();
  {
    Statement v(conn, u"PRAGMA "_s + schema + u".user_version"_s);
    if (!v.next()) return false;
    out->version = v.value(0).toInt();
  }
  QStringList names;
  {
    Statement s(conn, u"SELECT name FROM "_s + schema +
                          u".sqlite_master WHERE type='table' ORDER BY name"_s);
    while (s.next()) names << s.value(0, Value::Type::Text).toString();
    if (s.failed() || !s.isValid()) return false;
  }
  for (const QString& name : std::as_const(names)) {
    Statement c(conn, u"SELECT COUNT(*) FROM "_s + schema + u'.' + QuoteIdentifier(name));
    if (!c.next()) return false;
    out->tables.append({name, c.value(0, Value::Type::Integer).toInt()});
  }
  return true;
}

// The first difference between the source's content and the copy's, in the user's words.
QString Difference(const Content& source, const Content& copy) {
  for (const auto& [name, rows] : source.tables) {
    const auto it = std::find_if(copy.tables.cbegin(), copy.tables.cend(),
                                 [&](const auto& t) { return t.first == name; });
    if (it == copy.tables.cend()) return u"复制出的数据库缺少表“"_s + name + u"”。"_s;
    if (it->second != rows)
      return u"复制出的数据库中表“"_s + name + u"”有 "_s + QString::number(it->second) +
             u" 行，原数据库有 "_s + QString::number(rows) + u" 行。"_s;
  }
  if (copy.tables.size() != source.tables.size()) return u"复制出的数据库多出了表。"_s;
  if (copy.version != source.version) return u"复制出的数据库的版本号与原数据库不同。"_s;
  return {};
}

// Whether the copy at `path` opens with the key and the page size, passes the engine's
// integrity check and holds what the source held.
bool CheckCopy(const QString& path, int pageSize, const Content& source, CopyFault* fault,
               const CopyTick& tick) {
  Connection check;
  if (!check.open(path, Connection::Mode::Private)) {
    CopyFault opened;
    EngineFault(&opened, check);
    return Fail(fault, SQLITE_CORRUPT, u"复制出的数据库无法打开。"_s, opened.detail);
  }
  if (check.pageSize() != pageSize)
    return Fail(fault, SQLITE_CORRUPT, u"复制出的数据库的页大小不对。"_s);
  Ticking ticking(check, tick);
  {
    Statement s(check, u"PRAGMA integrity_check"_s);
    if (!s.next()) return EngineFault(fault, check);
    const QString verdict = s.value(0, Value::Type::Text).toString();
    if (verdict != u"ok"_s)
      return Fail(fault, SQLITE_CORRUPT, u"复制出的数据库没有通过完整性检查。"_s, verdict);
  }
  Content copy;
  if (!ReadContent(check, u"main"_s, &copy)) return EngineFault(fault, check);
  const QString difference = Difference(source, copy);
  if (!difference.isEmpty()) return Fail(fault, SQLITE_CORRUPT, difference);
  return true;
}

// Makes an empty file at `path` (an empty file is attached as a new database: the source's
// handle may not create files). A failure speaks of `target`, the file the user knows.
bool MakeEmpty(const QString& path, const QString& target, CopyFault* fault) {
  QFile::remove(path);
  QFile empty(path);
  if (empty.open(QIODevice::WriteOnly)) return true;
  return WriteFault(fault, target, empty.errorString());
}

}  // namespace

QString CopyFault::Text() const {
  return detail.isEmpty() ? reason : reason + u'\n' + detail;
}

void SyncToDisk(const QString& path) {
  // Never called on a database file the process has open: closing any descriptor of a file
  // drops every lock the process holds on it, the engine's among them.
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

bool CopyDatabase(const QString& source, const QString& target, int pageSize, CopyFault* fault,
                  const CopyTick& tick) {
  Connection from;
  if (!from.open(source, Connection::Mode::Private)) return EngineFault(fault, from);
  const QString partial = target + kPartial;
  if (!MakeEmpty(partial, target, fault)) return false;
  if (!from.exec(u"ATTACH DATABASE ? AS lanxi_copy KEY ?"_s,
                 {partial, QString::fromLatin1(DatabaseKey())})) {
    QFile::remove(partial);
    return EngineFault(fault, from, partial);
  }
  Content content;
  bool ok = false;
  {
    Ticking ticking(from, tick);
    // The copy is thrown away when anything fails, so it needs no journal. The source is read
    // in one transaction: one state of it, whatever another program commits meanwhile.
    ok = from.exec(u"PRAGMA lanxi_copy.cipher_page_size="_s + QString::number(pageSize)) &&
         from.exec(u"PRAGMA lanxi_copy.journal_mode=OFF"_s) && from.exec(u"BEGIN"_s) &&
         ReadContent(from, u"main"_s, &content) &&
         from.exec(u"SELECT sqlcipher_export('lanxi_copy')"_s) &&
         from.exec(u"PRAGMA lanxi_copy.user_version="_s + QString::number(content.version)) &&
         from.exec(u"COMMIT"_s);
  }
  CopyFault failed;
  if (!ok) {
    // A failure to write names the copy, any other the source.
    const int code = from.lastErrorCode() & 0xff;
    const bool writing = code == SQLITE_FULL || code == SQLITE_IOERR || code == SQLITE_CANTOPEN ||
                         code == SQLITE_READONLY || code == SQLITE_PERM;
    EngineFault(&failed, from, writing ? partial : source);
    from.exec(u"ROLLBACK"_s);
  }
  if (!from.exec(u"DETACH DATABASE lanxi_copy"_s) && ok) {
    ok = false;
    EngineFault(&failed, from, partial);
  }
  from.close();
  if (!ok) {
    QFile::remove(partial);
    if (fault) *fault = failed;
    return false;
  }
  if (!CheckCopy(partial, pageSize, content, fault, tick)) {
    QFile::remove(partial);
    return false;
  }
  return PutInPlace(partial, target, fault);
}

bool CopyDatabase(const QString& source, const QString& target, QString* error, int pageSize) {
  CopyFault fault;
  if (CopyDatabase(source, target, pageSize, &fault)) return true;
  if (error) *error = fault.Text();
  return false;
}

DatabaseHold::~DatabaseHold() {
  Release();
}

bool DatabaseHold::Take(const QString& path, Mode mode, CopyFault* fault) {
  Release();
  if (!conn_.open(path, Connection::Mode::Private)) return EngineFault(fault, conn_);
  // A read transaction lasts from its first read to its end.
  const bool ok = mode == Mode::Write ? conn_.exec(u"BEGIN IMMEDIATE"_s)
                                      : conn_.exec(u"BEGIN"_s) &&
                                            conn_.exec(u"SELECT count(*) FROM sqlite_master"_s);
  if (!ok) {
    EngineFault(fault, conn_);
    conn_.close();
    return false;
  }
  held_ = true;
  return true;
}

bool DatabaseHold::CopyFile(const QString& target, CopyFault* fault, const CopyTick& tick) {
  if (!held_ || !conn_.isOpen()) return Fail(fault, SQLITE_MISUSE, u"数据库文件没有打开。"_s);
  // The bytes are read through the engine's own descriptor: opening the file once more and
  // closing it would drop the engine's locks on it.
  sqlite3_file* file = nullptr;
  sqlite3_int64 size = 0;
  if (sqlite3_file_control(conn_.handle(), "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK ||
      !file || !file->pMethods || file->pMethods->xFileSize(file, &size) != SQLITE_OK)
    return Fail(fault, SQLITE_IOERR, DbFailureReason(SQLITE_IOERR, conn_.path()));

  const QString partial = target + kPartial;
  QFile out(partial);
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
    return WriteFault(fault, target, out.errorString());
  QByteArray chunk(int(kChunkBytes), Qt::Uninitialized);
  for (sqlite3_int64 at = 0; at < size;) {
    const int n = int(std::min<sqlite3_int64>(kChunkBytes, size - at));
    const int rc = file->pMethods->xRead(file, chunk.data(), n, at);
    if (rc != SQLITE_OK) {
      out.remove();
      return Fail(fault, rc, DbFailureReason(rc, conn_.path()));
    }
    if (out.write(chunk.constData(), n) != n) {
      const QString why = out.errorString();
      out.remove();
      return WriteFault(fault, target, why);
    }
    at += n;
    if (tick) tick();
  }
  if (!out.flush()) {
    const QString why = out.errorString();
    out.remove();
    return WriteFault(fault, target, why);
  }
  out.close();
  {
    Connection check;
    if (!check.open(partial, Connection::Mode::Private)) {
      CopyFault opened;
      EngineFault(&opened, check);
      QFile::remove(partial);
      return Fail(fault, SQLITE_CORRUPT, u"复制出的数据库无法打开。"_s, opened.detail);
    }
  }
  return PutInPlace(partial, target, fault);
}

void DatabaseHold::Release() {
  if (held_ && conn_.isOpen()) conn_.exec(u"ROLLBACK"_s);
  held_ = false;
  conn_.close();
}

}  // namespace lanxi
