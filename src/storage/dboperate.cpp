#include "storage/dboperate.h"

#include "common/programfolder.h"
#include "common/userprompts.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

bool OpenQuietly(Connection& conn, const QString& db) {
  return conn.open(DatabasePath(db));
}

void ReportOpenError(const QString& sql) {
  ShowMessage(u"数据库打开错误("_s + sql + u")！"_s, MessageKind::Critical);
}

// Opens a recordset or cursor on its own connection; on failure it reads as empty and the user
// is told.
template <typename Result>
bool OpenResult(Result& result, const QString& sql, const Params& params, const QString& db) {
  result.Close();
  auto conn = std::make_unique<Connection>();
  if (OpenQuietly(*conn, db) && result.Open(std::move(conn), sql, params)) return true;
  result.Close();
  ReportOpenError(sql);
  return false;
}

// The first row's value of `resultField` for a query, with the messages OpenRecordset gives.
Value FirstValue(const QString& sql, const Params& params, const QString& resultField,
                 const QString& db) {
  Connection conn;
  if (!OpenQuietly(conn, db)) {
    ReportOpenError(sql);
    return Value(QString());
  }
  Statement s(conn, sql);
  if (!s.isValid() || !s.bind(params)) {
    ReportOpenError(sql);
    return Value(QString());
  }
  int column = -1;
  for (int i = 0; i < s.columnCount(); ++i) {
    if (s.columnName(i).compare(resultField, Qt::CaseInsensitive) == 0) {
      column = i;
      break;
    }
  }
  if (!s.next()) {
    if (s.failed()) ReportOpenError(sql);
    return Value(QString());
  }
  return column >= 0 ? s.value(column) : Value();
}

}  // namespace

QString ResolveDb(const QString& db) {
  return db.isEmpty() ? WorkDBFile : db;
}

QString DatabasePath(const QString& db) {
  const QString name = ResolveDb(db);
  if (name.contains(u'/')) return name;
  return ProgramFile(name);
}

bool TestOpenDatabase(const QString& fullPath) {
  Connection conn;
  return conn.open(fullPath);
}

bool OpenConnection(Connection& conn, const QString& db) {
  conn.close();
  if (OpenQuietly(conn, db)) return true;
  ShowMessage(u"无法建立数据库连接(数据库："_s + ResolveDb(db) + u")！"_s, MessageKind::Critical);
  return false;
}

bool OpenRecordset(Recordset& rs, const QString& sql, const Params& params, const QString& db) {
  return OpenResult(rs, sql, params, db);
}

void CloseRecordset(Recordset& rs) {
  rs.Close();
}

bool OpenCursor(Cursor& cursor, const QString& sql, const Params& params, const QString& db) {
  return OpenResult(cursor, sql, params, db);
}

qint64 CountRecords(Cursor& cursor) {
  const qint64 n = cursor.Count();
  if (n < 0) {
    const QString sql = cursor.Sql();
    cursor.Close();
    ReportOpenError(sql);
  }
  return n;
}

bool ExecuteSQL(const QString& sql, const Params& params, Connection* conn, const QString& db) {
  if (conn) return conn->exec(sql, params);
  Connection own;
  return OpenQuietly(own, db) && own.exec(sql, params);
}

bool TableExists(const QString& table, const QString& db) {
  Connection conn;
  if (!OpenConnection(conn, db)) return false;
  Statement s(conn, u"SELECT name FROM sqlite_master WHERE type='table'"_s);
  while (s.next()) {
    if (s.value(0).toString() == table && !table.startsWith(u"sqlite_"_s)) return true;
  }
  return false;
}

bool FieldExists(const QString& table, const QString& field, const QString& db) {
  Recordset rs;
  if (!OpenRecordset(rs, u"SELECT * FROM "_s + QuoteIdentifier(table) + u" LIMIT 1"_s, {}, db))
    return false;
  for (int i = 0; i < rs.FieldCount(); ++i) {
    if (rs.FieldName(i) == field) return true;
  }
  return false;
}

bool AddField(const QString& table, const QString& field, const QString& type,
              const QString& defaultSql, const QString& db) {
  if (FieldExists(table, field, db)) return false;
  Connection conn;
  if (!OpenQuietly(conn, db)) return false;
  Transaction tx(conn);
  if (!conn.exec(u"ALTER TABLE "_s + QuoteIdentifier(table) + u" ADD "_s + QuoteIdentifier(field) +
                 u' ' + type))
    return false;
  if (defaultSql != u" "_s && !conn.exec(u"UPDATE "_s + QuoteIdentifier(table) + u" SET "_s +
                                         QuoteIdentifier(field) + u'=' + defaultSql))
    return false;
  return tx.commit();
}

void DropTable(const QString& table, const QString& db) {
  if (!TableExists(table, db)) return;
  ExecuteSQL(u"DROP TABLE "_s + QuoteIdentifier(table), {}, nullptr, db);
}

void DropTablesByPrefix(const QString& prefix, const QString& db) {
  Connection conn;
  if (!OpenConnection(conn, db)) return;
  QStringList names;
  {
    Statement s(conn, u"SELECT name FROM sqlite_master WHERE type='table' ORDER BY rowid"_s);
    while (s.next()) {
      const QString name = s.value(0).toString();
      if (name.startsWith(prefix, Qt::CaseSensitive) && !name.startsWith(u"sqlite_"_s))
        names << name;
    }
  }
  if (names.isEmpty()) return;
  Transaction tx(conn);
  for (const QString& name : names) conn.exec(u"DROP TABLE "_s + QuoteIdentifier(name));
  tx.commit();
}

Value LookupValue(const QString& table, const Value& key, const QString& keyField,
                  const QString& resultField, const QString& db) {
  return FirstValue(u"SELECT * FROM "_s + QuoteIdentifier(table) + u" WHERE "_s +
                        QuoteIdentifier(keyField) + u"=? LIMIT 1"_s,
                    {key}, resultField, db);
}

Value LookupWhere(const QString& table, const QString& condition, const QString& resultField,
                  const Params& params, const QString& db) {
  return FirstValue(
      u"SELECT * FROM "_s + QuoteIdentifier(table) + u" WHERE "_s + condition + u" LIMIT 1"_s,
      params, resultField, db);
}

int CountGroups(const QString& table, const QString& column, const QString& condition,
                const Params& params) {
  QString inner = u"SELECT "_s + column + u" FROM "_s + QuoteIdentifier(table);
  if (!condition.isEmpty()) inner += u" WHERE "_s + condition;
  inner += u" GROUP BY "_s + column;
  return int(
      FirstValue(u"SELECT COUNT(*) AS n FROM ("_s + inner + u')', params, u"n"_s, {}).toInt());
}

QStringList DistinctTexts(const QString& table, const QString& column, const QString& db) {
  QStringList out;
  Cursor rows;
  if (!OpenCursor(rows,
                  u"SELECT "_s + column + u" FROM "_s + QuoteIdentifier(table) + u" GROUP BY "_s +
                      column + u" ORDER BY "_s + column,
                  {}, db))
    return out;
  for (; !rows.IsEOF(); rows.MoveNext()) out << rows.Field(0).toString();
  return out;
}

}  // namespace lanxi
