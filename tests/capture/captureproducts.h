#pragma once

#include <QImageReader>
#include <QStringList>

#include "storage/connection.h"
#include "storage/dboperate.h"

// The current tracking database's products and the picture files, as the capture tests look
// at them.
namespace lanxi::test {

inline bool IsPicture(const QString& path) {
  QImageReader reader(path);
  reader.setDecideFormatFromContent(true);
  return reader.canRead();
}

// Runs SQL on the current database; answers the error, empty when it ran.
inline QString ExecOnCurrent(const QString& sql, const Params& params = {}) {
  Connection conn;
  if (!OpenConnection(conn, CurDBFile)) return QStringLiteral("the database does not open");
  return conn.exec(sql, params) ? QString() : conn.lastError() + QStringLiteral(" ");
}

inline int ProductCount() {
  Connection conn;
  if (!OpenConnection(conn, CurDBFile)) return -1;
  Statement s(conn, QStringLiteral("SELECT COUNT(*) FROM Product"));
  return s.next() ? int(s.value(0).toInt()) : -1;
}

inline Value ProductField(const QString& tid, const QString& field) {
  return LookupValue(QStringLiteral("Product"), tid, QStringLiteral("TID"), field, CurDBFile);
}

// Fields of the product with the item id `tid` as texts; a flag as "1" or "0".
inline QStringList ProductTexts(const QString& tid, const QStringList& fields) {
  QStringList texts;
  for (const QString& field : fields) {
    const Value v = ProductField(tid, field);
    texts << (v.type() == Value::Type::Bool ? QString::number(int(v.toBool())) : v.toString());
  }
  return texts;
}

}  // namespace lanxi::test
