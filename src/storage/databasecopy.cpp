#include "storage/databasecopy.h"

#include <QFile>
#include <filesystem>

using namespace Qt::StringLiterals;

namespace lanxi {

bool CopyDatabase(const QString& source, const QString& target, QString* error, int pageSize) {
  auto fail = [&](const QString& text) {
    if (error) *error = text;
    return false;
  };
  Connection from;
  if (!from.open(source, Connection::Mode::Private)) return fail(from.lastError());
  qint64 version = 0;
  {
    Statement s(from, u"PRAGMA user_version"_s);
    if (!s.next()) return fail(from.lastError());
    version = s.value(0).toInt();
  }

  const QString partial = target + u".partial"_s;
  QFile::remove(partial);
  {
    // An empty file is attached as a new database; the source handle may not create files.
    QFile empty(partial);
    if (!empty.open(QIODevice::WriteOnly)) return fail(empty.errorString());
  }
  bool ok = from.exec(u"ATTACH DATABASE ? AS lanxi_copy KEY ?"_s,
                      {partial, QString::fromLatin1(DatabaseKey())});
  if (ok) {
    ok = from.exec(u"PRAGMA lanxi_copy.cipher_page_size="_s + QString::number(pageSize)) &&
         from.exec(u"SELECT sqlcipher_export('lanxi_copy')"_s) &&
         from.exec(u"PRAGMA lanxi_copy.user_version="_s + QString::number(version));
    QString reason = from.lastError();
    if (!from.exec(u"DETACH DATABASE lanxi_copy"_s) && ok) {
      ok = false;
      reason = from.lastError();
    }
    if (!ok) from.setError(from.lastErrorCode(), reason);
  }
  if (ok) {
    // The copy must open as a database of the program before it replaces anything.
    Connection check;
    ok = check.open(partial, Connection::Mode::Private) && check.pageSize() == pageSize;
    if (!ok) from.setError(check.lastErrorCode(), check.lastError());
  }
  from.close();
  if (ok) {
    std::error_code ec;  // rename() replaces an existing file in one step
    std::filesystem::rename(QFile::encodeName(partial).toStdString(),
                            QFile::encodeName(target).toStdString(), ec);
    if (ec) {
      QFile::remove(partial);
      return fail(QString::fromLocal8Bit(ec.message()));
    }
    return true;
  }
  const QString reason = from.lastError();
  QFile::remove(partial);
  return fail(reason);
}

}  // namespace lanxi
