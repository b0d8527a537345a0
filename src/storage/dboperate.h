#pragma once

#include <QString>
#include <QStringList>

#include "common/value.h"
#include "storage/connection.h"
#include "storage/cursor.h"
#include "storage/keptconnections.h"
#include "storage/recordset.h"

// The one way the program talks to its database files. Every operation opens a connection on a
// file of the program folder and lets go of it when done; `db` names the file, and an empty `db`
// means WorkDBFile. The catalogue and the current database keep one handle open between
// operations (storage/keptconnections.h); any other file is opened and closed by each
// operation. Values that come from a user, a page or a file are always bound parameters ("?" in
// the SQL text), never part of it.
namespace lanxi {

// The file used by every operation whose database argument is empty. Callers set it to
// "PARA.mdb" before catalogue or settings work and to CurDBFile before work on the current
// tracking database.
inline QString WorkDBFile;
// The file name of the current tracking database, e.g. "DATA.mdb" or "DB120305143015.mdb".
inline QString CurDBFile;

// The file an operation works on: the argument, or WorkDBFile when it is empty.
QString ResolveDb(const QString& db);
// Its full path in the program folder (file names are found without regard to case).
QString DatabasePath(const QString& db);

// Opens a connection on the file at `fullPath` (no program folder added) and closes it again;
// true when the file is a database of this program. Never shows a message.
bool TestOpenDatabase(const QString& fullPath);

// Closes `conn` and opens it on `db`. On failure shows
// "无法建立数据库连接(数据库：" + db + ")！" and answers false.
bool OpenConnection(Connection& conn, const QString& db = {});

// Closes whatever `rs` holds, then opens it on `sql` with `params` in `db`. On failure shows
// "数据库打开错误(" + SQL + ")！" and leaves a closed recordset that reads as empty.
bool OpenRecordset(Recordset& rs, const QString& sql, const Params& params = {},
                   const QString& db = {});
void CloseRecordset(Recordset& rs);
// Opens a forward-only cursor on `sql` in `db`, standing on the first row; the messages and
// the failed state are those of OpenRecordset.
bool OpenCursor(Cursor& cursor, const QString& sql, const Params& params = {},
                const QString& db = {});
// The number of rows of the cursor's whole result (Cursor::Count). When they cannot be counted,
// shows OpenRecordset's message, closes the cursor and answers -1.
qint64 CountRecords(Cursor& cursor);

// Runs the statements of `sql`; failures are not reported and leave the data unchanged. With a
// connection it runs there and leaves it open; otherwise on its own connection to `db`.
bool ExecuteSQL(const QString& sql, const Params& params = {}, Connection* conn = nullptr,
                const QString& db = {});

// Whether a table of exactly this name (case matters) exists; internal tables never count.
bool TableExists(const QString& table, const QString& db = {});
// Whether `table` has a field of exactly this name (case matters).
bool FieldExists(const QString& table, const QString& field, const QString& db = {});
// Adds the field when it is missing: "ALTER TABLE table ADD field type", then, unless
// `defaultSql` is a single space, sets every row to `defaultSql` (SQL text). True when it added
// the field; false when it was there already or could not be added.
bool AddField(const QString& table, const QString& field, const QString& type,
              const QString& defaultSql, const QString& db = {});
// Drops the table when it exists.
void DropTable(const QString& table, const QString& db = {});
// Drops every table whose name begins with `prefix` (case matters), in schema order.
void DropTablesByPrefix(const QString& prefix, const QString& db = {});

// The value of `resultField` in the first row of `table` whose `keyField` equals `key`, or the
// empty text when there is none. A numeric key compares as a number, a text key as text.
Value LookupValue(const QString& table, const Value& key, const QString& keyField,
                  const QString& resultField, const QString& db = {});
// The value of `resultField` in the first row of `table` meeting `condition` (SQL text whose
// values are "?" placeholders taken from `params`), or the empty text when there is none.
Value LookupWhere(const QString& table, const QString& condition, const QString& resultField,
                  const Params& params = {}, const QString& db = {});
// The number of distinct values of `column` in `table` (meeting `condition` when it is not
// empty), counted in WorkDBFile.
int CountGroups(const QString& table, const QString& column, const QString& condition = {},
                const Params& params = {});
// The distinct values of `column` as texts, in ascending order: what a drop-down list offers.
QStringList DistinctTexts(const QString& table, const QString& column, const QString& db = {});

}  // namespace lanxi
