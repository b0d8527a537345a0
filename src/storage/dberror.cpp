#include "storage/dberror.h"

#include <sqlite3.h>
#include <QFileInfo>
#include <QStorageInfo>
#include <algorithm>

#include "storage/connection.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

// Less room than this on the disk is as good as none: a database write needs a few pages and
// its journal.
constexpr qint64 kNearlyFullBytes = 1 << 20;

// Read-only as the file manager shows it: nobody may write it (the superuser aside).
bool FileReadOnly(const QFileInfo& file) {
  return file.exists() &&
         !(file.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther));
}

bool FolderReadOnly(const QFileInfo& file) {
  const QFileInfo folder(file.absolutePath());
  return folder.exists() && !folder.isWritable();
}

bool DiskFull(const QFileInfo& file) {
  const QStorageInfo disk(file.absolutePath());
  return disk.isValid() && disk.bytesAvailable() >= 0 && disk.bytesAvailable() < kNearlyFullBytes;
}

QString ReadOnlyFile(const QFileInfo& file) {
  return u"文件“"_s + file.fileName() + u"”是只读文件，无法写入。"_s;
}

QString ReadOnlyFolder(const QFileInfo& file) {
  return u"文件夹“"_s + file.absolutePath() + u"”不允许写入。"_s;
}

QString FullDisk() {
  return u"磁盘空间已满，无法写入。"_s;
}

}  // namespace

QString FileFailureReason(const QString& path) {
  const QFileInfo file(path);
  if (FileReadOnly(file)) return ReadOnlyFile(file);
  if (FolderReadOnly(file)) return ReadOnlyFolder(file);
  if (DiskFull(file)) return FullDisk();
  return {};
}

QString DbFailureReason(int code, const QString& path) {
  const QFileInfo file(path);
  switch (code & 0xff) {
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_IOERR:
    case SQLITE_FULL: {
      if ((code & 0xff) == SQLITE_CANTOPEN && !file.exists())
        return u"数据库文件“"_s + file.fileName() + u"”不存在。"_s;
      if ((code & 0xff) == SQLITE_FULL) return FullDisk();
      const QString reason = FileFailureReason(path);
      if (!reason.isEmpty()) return reason;
      if ((code & 0xff) == SQLITE_READONLY)
        return u"数据库文件“"_s + file.fileName() + u"”只能读取，无法写入。"_s;
      if ((code & 0xff) == SQLITE_PERM) return u"没有访问数据库文件的权限。"_s;
      if ((code & 0xff) == SQLITE_IOERR) return u"读写磁盘时出错。"_s;
      return u"无法打开数据库文件“"_s + file.fileName() + u"”。"_s;
    }
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return u"数据库文件“"_s + file.fileName() + u"”正被其他程序使用（已锁定），请稍后再试。"_s;
    case SQLITE_NOTADB:
      return u"文件“"_s + file.fileName() + u"”不是本软件的数据库文件。"_s;
    case SQLITE_CORRUPT:
      return u"数据库文件“"_s + file.fileName() + u"”已损坏。"_s;
    case SQLITE_CONSTRAINT:
      return u"数据与已有的记录冲突。"_s;
    case SQLITE_NOMEM:
      return u"内存不足。"_s;
    default:
      return u"数据库操作失败。"_s;
  }
}

QString DbFailureText(const Connection& conn) {
  const QString reason = DbFailureReason(conn.lastErrorCode(), conn.path());
  const QString engine = conn.lastError().trimmed();
  // The connection's own texts are Chinese already and said better by the reason.
  const bool fromEngine =
      std::all_of(engine.cbegin(), engine.cend(), [](QChar ch) { return ch.unicode() < 0x80; });
  if (engine.isEmpty() || !fromEngine) return reason;
  return reason + u'\n' + engine;
}

}  // namespace lanxi
