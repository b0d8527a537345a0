#pragma once

#include <QCryptographicHash>
#include <QFile>
#include <QString>
#include <QStringList>

#include "storage/connection.h"

// What a database holds, read back the way another program would: one line per table with its
// number of rows and a digest of every value in row order, and the schema version. Two files
// with the same content give the same text, whatever their page size or free pages.
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

// The rows of one table, or -1 when the file does not open or lacks the table.
inline qint64 RowCount(const QString& path, const QString& table) {
  Connection conn;
  if (!conn.open(path, Connection::Mode::Private)) return -1;
  Statement s(conn, QStringLiteral("SELECT COUNT(*) FROM ") + QuoteIdentifier(table));
  return s.next() ? s.value(0).toInt() : -1;
}

inline QByteArray FileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace lanxi::test
