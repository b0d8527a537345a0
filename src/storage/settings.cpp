#include "storage/settings.h"

#include "common/userprompts.h"
#include "storage/dboperate.h"
#include "storage/schema.h"

using namespace Qt::StringLiterals;

namespace lanxi {

QString GetParam(const QString& key) {
  WorkDBFile = QString::fromUtf16(kCatalogFile);
  return LookupWhere(u"参数"_s, u"Var=?"_s, u"Con"_s, {key}).toString();
}

QString GetParamOr(const QString& key, const QString& fallback) {
  const QString value = GetParam(key);
  return value.isEmpty() ? fallback : value;
}

bool SetParam(const QString& key, const QString& value) {
  const QString db = QString::fromUtf16(kCatalogFile);
  Connection conn;
  if (!OpenConnection(conn, db)) return false;
  Transaction tx(conn);
  bool ok = conn.exec(
      u"UPDATE 参数 SET Var=?,Con=? WHERE rowid=(SELECT rowid FROM 参数 WHERE Var=? LIMIT 1)"_s,
      {key, value, key});
  if (ok && conn.changes() == 0)
    ok = conn.exec(u"INSERT INTO 参数(Var,Con) VALUES(?,?)"_s, {key, value});
  ok = ok && tx.commit();
  if (!ok) ShowMessage(u"数据库打开错误(SELECT * FROM 参数 WHERE Var='"_s + key + u"')！"_s);
  return ok;
}

}  // namespace lanxi
