#pragma once

#include <sqlite3.h>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>

#include "storage/catalogue.h"
#include "storage/connection.h"

// What a database holds, whatever its page size or free pages: per table its row count and a
// digest of every value in row order, and the schema version.
namespace lanxi::test {

inline QString DatabaseContent(const QString& path, bool withWorkTables = true) {
  Connection conn;
  if (!conn.open(path, Connection::Mode::Private))
    return QStringLiteral("does not open: ") + conn.lastError();
  QStringList tables;
  {
    Statement s(conn,
                QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"));
    while (s.next()) {
      const QString name = s.value(0).toString();
      if (withWorkTables || !name.startsWith(QStringLiteral("T_"))) tables << name;
    }
  }
  QStringList lines;
  for (const QString& table : std::as_const(tables)) {
    QCryptographicHash digest(QCryptographicHash::Sha1);
    qint64 rows = 0;
    Statement s(conn, QStringLiteral("SELECT * FROM ") + QuoteIdentifier(table) +
                          QStringLiteral(" ORDER BY rowid"));
    while (s.next()) {
      ++rows;
      for (int i = 0; i < s.columnCount(); ++i)
        digest.addData(s.value(i, Value::Type::Text).toString().toUtf8() + '\x1f');
    }
    if (s.failed()) return QStringLiteral("cannot be read: ") + conn.lastError();
    lines << table + u' ' + QString::number(rows) + u' ' +
                 QString::fromLatin1(digest.result().toHex().left(12));
  }
  Statement version(conn, QStringLiteral("PRAGMA user_version"));
  lines << QStringLiteral("version ") +
               (version.next() ? version.value(0).toString() : QStringLiteral("?"));
  return lines.join(u'\n');
}

inline QByteArray FileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A handle of "another program": the plain sqlite3 API, keyed as the program keys its files
// (not at all when `key` is empty), never waiting for a lock.
inline sqlite3* RawOpen(const QString& path, int pageSize = kCipherPageSize,
                        const QByteArray& key = DatabaseKey()) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                  nullptr);
  if (!key.isEmpty()) {
    sqlite3_key(db, key.constData(), int(key.size()));
    const QByteArray pages = "PRAGMA cipher_page_size=" + QByteArray::number(pageSize);
    sqlite3_exec(db, pages.constData(), nullptr, nullptr, nullptr);
  }
  return db;
}

// The files of `folder` named like catalogued databases, and the files the catalogue names.
inline QSet<QString> DatabaseFiles(const QString& folder) {
  static const QRegularExpression db(QStringLiteral("^DB\\d{12}\\.mdb$"));
  QSet<QString> files;
  for (const QString& f : QDir(folder).entryList(QDir::Files))
    if (db.match(f).hasMatch()) files.insert(f);
  return files;
}
inline QSet<QString> NamedFiles(const QString& folder) {
  Connection catalog;
  std::vector<CatalogueEntry> rows;
  QSet<QString> files;
  if (catalog.open(folder + QStringLiteral("/PARA.mdb"), Connection::Mode::Private) &&
      ReadCatalogue(catalog, &rows))
    for (const CatalogueEntry& e : rows) files.insert(e.file);
  return files;
}

// Runs `sql` through a handle of its own; the engine's result code.
inline int RawExec(const QString& path, const char* sql, int pageSize = kCipherPageSize,
                   const QByteArray& key = DatabaseKey()) {
  sqlite3* db = RawOpen(path, pageSize, key);
  const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return rc;
}

}  // namespace lanxi::test
