#include "storage/catalogue.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include "common/programfolder.h"
#include "common/userprompts.h"
#include "storage/dboperate.h"
#include "storage/schema.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

QString Catalog() {
  return QString::fromUtf16(kCatalogFile);
}

QString FileOf(const QString& path) {
  return path.mid(path.lastIndexOf(u'/') + 1);
}

// Asks for a database name until the answer passes `acceptable`; empty when the user gives up.
template <typename Check>
QString AskName(const QString& prompt, Check acceptable) {
  for (;;) {
    const std::optional<QString> typed = Prompts().Input(prompt, {});
    const QString name = CleanDatabaseName(typed.value_or(QString()));
    if (name.isEmpty()) return {};
    if (acceptable(name)) return name;
  }
}

bool IsCatalogued(const QString& name) {
  return !LookupValue(u"DBInfo"_s, name, u"Name"_s, u"Name"_s, Catalog()).toString().isEmpty();
}

// Older databases lack the item id column: add it and fill it from the item addresses, all in
// one transaction, so a failure leaves the file as it was.
bool UpgradeSchema(const QString& file, QString* error) {
  Connection conn;
  if (!conn.open(DatabasePath(file))) {
    *error = conn.lastError();
    return false;
  }
  bool hasPara = false, hasTid = false;
  {
    Statement tables(conn, u"SELECT name FROM sqlite_master WHERE type='table'"_s);
    while (tables.next()) hasPara = hasPara || tables.value(0).toString() == u"Para"_s;
    Statement columns(conn, u"PRAGMA table_info(Product)"_s);
    while (columns.next()) hasTid = hasTid || columns.value(1).toString() == u"TID"_s;
  }
  if (hasPara && hasTid) return true;
  Transaction tx(conn);
  bool ok = tx.isActive();
  if (ok && !hasPara) ok = conn.exec(ParaTableSql());
  if (ok && !hasTid) {
    ok = conn.exec(u"ALTER TABLE Product ADD TID TEXT(20)"_s) &&
         conn.exec(
             u"UPDATE Product SET TID=CASE WHEN instr(Url,'id=')>0 "
             "THEN substr(Url,instr(Url,'id=')+3) ELSE Url END"_s);
  }
  ok = ok && tx.commit();
  if (!ok) *error = conn.lastError();
  return ok;
}

}  // namespace

bool RegisterDatabase(Connection& catalog, const QString& folder, const QString& name,
                      Registration* out) {
  // The file is named after the row's Dat, to the second. A row made in the same second as
  // another would name that row's file: then the new row goes and is made again a second
  // later. A leftover file that no row names is replaced.
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (!catalog.exec(u"INSERT INTO DBInfo(Name) VALUES(?)"_s, {name})) {
      out->error = catalog.lastError();
      return false;
    }
    const qint64 row = catalog.lastInsertRowId();
    Statement read(catalog,
                   u"SELECT Dat, (SELECT COUNT(*) FROM DBInfo o WHERE o.Dat=DBInfo.Dat "
                   "AND o.rowid<>DBInfo.rowid) FROM DBInfo WHERE rowid=?"_s);
    read.bind({Value(row)});
    const bool ok = read.next();
    const QDateTime dat = ok ? read.value(0).toDateTime() : QDateTime();
    const bool taken = !ok || read.value(1).toInt() > 0;
    read = Statement();
    const QString candidate = folder + u'/' + CatalogFileName(dat);
    if (!taken && dat.isValid()) {
      if (QFileInfo::exists(candidate)) QFile::remove(candidate);
      if (!QFileInfo::exists(candidate)) {
        *out = {row, dat, candidate, {}, {}};
        return true;
      }
    }
    catalog.exec(u"DELETE FROM DBInfo WHERE rowid=?"_s, {Value(row)});
    if (attempt == 2 || (!taken && dat.isValid())) {
      out->conflict = candidate;
      return false;
    }
    QThread::msleep(1010 - QTime::currentTime().msec());
  }
  return false;
}

QString CleanDatabaseName(const QString& typed) {
  QString name = typed;
  name.remove(u'\'');
  name.remove(u'"');
  return name.trimmed();
}

QString CataloguedFilePath(const QString& name) {
  const Value dat = LookupValue(u"DBInfo"_s, name, u"Name"_s, u"Dat"_s, Catalog());
  return ProgramFolder() + u'/' + CatalogFileName(dat.toDateTime());
}

void LoadDefaultDB(CatalogueHost& host) {
  WorkDBFile = Catalog();
  QString name;
  bool recorded = false;
  {
    Recordset rs;
    OpenRecordset(rs, u"SELECT * FROM Def WHERE Var=?"_s, {QString::fromUtf16(kDefaultDBKey)});
    recorded = !rs.IsEOF();
    name = rs.Field(u"Con"_s).toString();
  }
  if (recorded && OpenCatalogued(host, name)) return;
  CurDBFile = QString::fromUtf16(kFallbackDBFile);
}

bool SaveDefaultDB(CatalogueHost& host, const QString& name) {
  const QString value = name.isEmpty() ? host.CurDBName() : name;
  WorkDBFile = Catalog();
  Connection conn;
  if (!OpenConnection(conn, Catalog())) return false;
  Transaction tx(conn);
  const QString key = QString::fromUtf16(kDefaultDBKey);
  bool ok = conn.exec(u"UPDATE Def SET Con=? WHERE Var=?"_s, {value, key});
  if (ok && conn.changes() == 0)
    ok = conn.exec(u"INSERT INTO Def(Var,Con) VALUES(?,?)"_s, {key, value});
  return ok && tx.commit();
}

bool OpenDB(CatalogueHost& host, const QString& requested) {
  QString name = requested;
  if (name.isEmpty()) {
    name = host.ChooseDatabase();
    if (name.isEmpty()) return false;
  }
  return OpenCatalogued(host, name);
}

bool OpenCatalogued(CatalogueHost& host, const QString& name) {
  WorkDBFile = Catalog();
  const QString path = CataloguedFilePath(name);
  if (!QFileInfo(path).isFile()) {
    ShowMessage(u"数据库调用失败：没有找到相应的数据文件！"_s, MessageKind::Warning);
    return false;
  }
  const QString file = FileOf(path);
  if (!TestOpenDatabase(path)) {
    ShowMessage(u"无法建立数据库连接(数据库："_s + file + u")！"_s, MessageKind::Critical);
    return false;
  }
  QString error;
  if (!UpgradeSchema(file, &error)) {
    ShowMessage(u"数据库“"_s + name + u"”的结构无法升级，未能调用："_s + error,
                MessageKind::Critical);
    return false;
  }
  host.SetCurDBName(name);
  ReleaseDatabase(CurDBFile);  // the previous current database keeps no handle open
  CurDBFile = file;
  host.RefreshAfterOpen();
  return true;
}

void NewDB(CatalogueHost& host) {
  const QString prompt = u"请输入新的数据库名称："_s;
  const QString name = AskName(prompt, [](const QString& n) {
    if (!IsCatalogued(n)) return true;
    ShowMessage(u"数据库“”已存在，请另取其他名称！"_s, MessageKind::Warning);
    return false;
  });
  if (name.isEmpty()) return;

  Connection catalog;
  if (!OpenConnection(catalog, Catalog())) return;
  Registration reg;
  if (!RegisterDatabase(catalog, ProgramFolder(), name, &reg)) {
    if (!reg.conflict.isEmpty()) {
      ShowMessage(u"文件“"_s + reg.conflict + u"”冲突,数据库生成失败！"_s, MessageKind::Critical);
    } else {
      ShowMessage(u"数据库“"_s + name + u"”无法登记："_s + reg.error, MessageKind::Critical);
    }
    return;
  }
  const QString path = reg.path;
  auto unregister = [&] { catalog.exec(u"DELETE FROM DBInfo WHERE rowid=?"_s, {Value(reg.row)}); };

  const QString templ = ProgramFile(QString::fromUtf16(kTemplateFile));
  const QString partial = path + u".partial"_s;
  QFile::remove(partial);
  if (!QFileInfo(templ).isFile() || !QFile::copy(templ, partial) || !QFile::rename(partial, path)) {
    QFile::remove(partial);
    unregister();
    ShowMessage(u"无法从模板文件“"_s + templ + u"”复制出新数据库，数据库生成失败！"_s,
                MessageKind::Critical);
    return;
  }
  QFile(path).setPermissions(QFile(path).permissions() | QFileDevice::WriteOwner);
  catalog.close();
  if (Prompts().Ask(u"数据库“"_s + name + u"”创建成功，是否现在就调用？"_s)) OpenDB(host, name);
}

void RenameDB(CatalogueHost& host) {
  const QString old = host.CurDBName();
  const QString name = AskName(u"请输入新的数据库名称："_s, [&](const QString& n) {
    if (n == old) {
      ShowMessage(u"数据库名称不能与原名称一样！"_s, MessageKind::Warning);
      return false;
    }
    WorkDBFile = u"PARA.MDB"_s;
    if (IsCatalogued(n)) {
      ShowMessage(u"数据为名称“"_s + n + u"”已经存在，请重新输入！"_s, MessageKind::Warning);
      return false;
    }
    return true;
  });
  if (name.isEmpty()) return;
  Connection conn;
  if (!OpenConnection(conn, Catalog())) return;
  Transaction tx(conn);
  const bool renamed =
      conn.exec(u"UPDATE DBInfo SET Name=? WHERE Name=?"_s, {name, old}) && conn.changes() > 0;
  // A default that named the old name follows the rename.
  if (!renamed ||
      !conn.exec(u"UPDATE Def SET Con=? WHERE Var=? AND Con=?"_s,
                 {name, QString::fromUtf16(kDefaultDBKey), old}) ||
      !tx.commit()) {
    ShowMessage(u"当前数据库“"_s + old.trimmed() + u"”不在数据库列表中，无法改名！"_s,
                MessageKind::Warning);
    return;
  }
  host.SetCurDBName(name);
  ShowMessage(u"数据库更名完成！"_s);
}

void DeleteDB(CatalogueHost& host, const QString& requested) {
  QString name = requested;
  if (name.isEmpty()) {
    name = host.ChooseDatabase();
    if (name.isEmpty()) return;
  }
  if (name == host.CurDBName()) {
    ShowMessage(u"当前正在操作的数据库不允许删除！"_s, MessageKind::Warning);
    return;
  }
  const QString path = CataloguedFilePath(name);
  // Move the file aside first, so that a file that cannot be removed keeps its catalogue row.
  const QString aside = path + u".deleted"_s;
  const bool hadFile = QFileInfo::exists(path);
  ReleaseDatabase(path);
  if (hadFile) {
    QFile::remove(aside);
    if (!QFile::rename(path, aside)) {
      ShowMessage(u"数据库文件“"_s + path + u"”无法删除，请确认该文件没有被其他程序使用！"_s,
                  MessageKind::Critical);
      return;
    }
  }
  if (!ExecuteSQL(u"DELETE FROM DBInfo WHERE Name=?"_s, {name}, nullptr, Catalog())) {
    if (hadFile) QFile::rename(aside, path);
    ShowMessage(u"数据库“"_s + name + u"”无法从数据库列表中删除！"_s, MessageKind::Critical);
    return;
  }
  if (hadFile) QFile::remove(aside);
  ShowMessage(u"数据库“"_s + name + u"”删除成功！"_s);
}

void EnsureParaTable() {
  if (!TableExists(u"Para"_s, CurDBFile)) ExecuteSQL(ParaTableSql(), {}, nullptr, CurDBFile);
}

std::optional<QDate> EarliestFigureDate() {
  Recordset rs;
  if (!OpenRecordset(rs, u"SELECT Dat FROM PInfo ORDER BY Dat LIMIT 1"_s, {}, CurDBFile) ||
      rs.IsEOF())
    return std::nullopt;
  const QDate d = rs.Field(0).toDate();
  if (!d.isValid()) return std::nullopt;
  return d;
}

}  // namespace lanxi
