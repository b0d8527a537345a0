#include "storage/catalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include "common/programfolder.h"
#include "common/userprompts.h"
#include "storage/dberror.h"
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

// A message, and on the next line why, when that is known.
QString WithReason(const QString& text, const QString& reason) {
  return reason.isEmpty() ? text : text + u'\n' + reason;
}

// Older databases lack the item id column: add it and fill it from the item addresses, all in
// one transaction, so a failure leaves the file as it was.
bool UpgradeSchema(const QString& file, QString* error) {
  Connection conn;
  if (!conn.open(DatabasePath(file))) {
    *error = DbFailureText(conn);
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
  if (!ok) *error = DbFailureText(conn);
  return ok;
}

}  // namespace

QString AskDatabaseName(const QString& prompt,
                        const std::function<bool(const QString&)>& acceptable) {
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

QString CleanDatabaseName(const QString& typed) {
  QString name = typed;
  name.remove(u'\'');
  name.remove(u'"');
  return name.trimmed();
}

QString CataloguedFilePath(const QString& name) {
  Connection catalog;
  if (!OpenConnection(catalog, Catalog())) return {};
  const std::optional<CatalogueEntry> entry = FindCatalogued(catalog, name);
  if (!entry || entry->file.isEmpty()) return {};
  return FileInFolder(ProgramFolder(), entry->file);
}

void LoadDefaultDB(CatalogueHost& host) {
  {
    Connection catalog;
    if (catalog.open(DatabasePath(Catalog()))) RecoverCatalogueFiles(catalog, ProgramFolder());
  }
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
  if (path.isEmpty() || !QFileInfo(path).isFile()) {
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
    ShowMessage(WithReason(u"数据库“"_s + name + u"”的结构无法升级，未能调用！"_s, error),
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
  const QString name = AskDatabaseName(prompt, [](const QString& n) {
    if (!IsCatalogued(n)) return true;
    ShowMessage(u"数据库“”已存在，请另取其他名称！"_s, MessageKind::Warning);
    return false;
  });
  if (name.isEmpty()) return;

  Connection catalog;
  if (!OpenConnection(catalog, Catalog())) return;
  const QString templ = ProgramFile(QString::fromUtf16(kTemplateFile));
  const auto copyTemplate = [&](const QString& to) {
    if (!QFileInfo(templ).isFile() || !QFile::copy(templ, to)) return false;
    return QFile(to).setPermissions(QFile(to).permissions() | QFileDevice::WriteOwner);
  };
  Registration reg;
  if (!RegisterDatabase(catalog, ProgramFolder(), name, copyTemplate, &reg)) {
    using Failure = Registration::Failure;
    QString text;
    switch (reg.failure) {
      case Failure::NoFreeFile:
        text = u"文件“"_s + reg.conflict + u"”冲突,数据库生成失败！"_s;
        break;
      case Failure::NotADatabase:
        text = u"模板文件“"_s + templ + u"”不是有效的数据库文件，数据库生成失败！"_s;
        break;
      case Failure::Catalogue:
        text = u"数据库“"_s + name + u"”无法加入数据库列表，数据库生成失败！"_s;
        break;
      default:
        text = u"无法从模板文件“"_s + templ + u"”复制出新数据库，数据库生成失败！"_s;
    }
    ShowMessage(WithReason(text, reg.reason), MessageKind::Critical);
    return;
  }
  catalog.close();
  if (Prompts().Ask(u"数据库“"_s + name + u"”创建成功，是否现在就调用？"_s)) OpenDB(host, name);
}

void RenameDB(CatalogueHost& host) {
  const QString old = host.CurDBName();
  const QString name = AskDatabaseName(u"请输入新的数据库名称："_s, [&](const QString& n) {
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
  bool ok = tx.isActive() && conn.exec(u"UPDATE DBInfo SET Name=? WHERE Name=?"_s, {name, old});
  const bool catalogued = ok && conn.changes() > 0;
  // A default that named the old name follows the rename.
  ok = ok && conn.exec(u"UPDATE Def SET Con=? WHERE Var=? AND Con=?"_s,
                       {name, QString::fromUtf16(kDefaultDBKey), old});
  if (ok && !catalogued) {
    ShowMessage(u"当前数据库“"_s + old.trimmed() + u"”不在数据库列表中，无法改名！"_s,
                MessageKind::Warning);
    return;
  }
  if (!ok || !tx.commit()) {
    ShowMessage(WithReason(u"数据库更名失败！"_s, DbFailureText(conn)), MessageKind::Critical);
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
  Connection catalog;
  if (!OpenConnection(catalog, Catalog())) return;
  // A database that is not current keeps no handle, but one may linger from earlier work.
  ReleaseDatabase(CataloguedFilePath(name));
  const Removal removal = UnregisterDatabase(catalog, ProgramFolder(), name);
  switch (removal.outcome) {
    case Removal::Outcome::Removed:
      ShowMessage(u"数据库“"_s + name + u"”删除成功！"_s);
      break;
    case Removal::Outcome::NotCatalogued:
      ShowMessage(u"数据库“"_s + name + u"”不在数据库列表中，无法删除！"_s, MessageKind::Warning);
      break;
    case Removal::Outcome::FileStays:
      ShowMessage(WithReason(u"数据库文件“"_s + removal.path + u"”无法删除，数据库没有删除！"_s,
                             removal.reason),
                  MessageKind::Critical);
      break;
    case Removal::Outcome::Catalogue:
      ShowMessage(WithReason(u"数据库“"_s + name + u"”无法从数据库列表中删除！"_s, removal.reason),
                  MessageKind::Critical);
      break;
  }
}

QStringList UncataloguedDatabaseFiles() {
  static const QRegularExpression database(u"^DB\\d{12}\\.mdb$"_s,
                                           QRegularExpression::CaseInsensitiveOption);
  QSet<QString> named;
  Connection catalog;
  std::vector<CatalogueEntry> rows;
  if (catalog.open(DatabasePath(Catalog())) && ReadCatalogue(catalog, &rows)) {
    for (const CatalogueEntry& e : rows) named.insert(e.file.toLower());
  }
  QStringList files;
  for (const QString& f : QDir(ProgramFolder()).entryList(QDir::Files, QDir::Name)) {
    if (database.match(f).hasMatch() && !named.contains(f.toLower())) files << f;
  }
  return files;
}

void NoticeLostCatalogue() {
  KeepFilesOfLostCatalogue(ProgramFolder());
  const QStringList files = UncataloguedDatabaseFiles();
  if (files.isEmpty()) return;
  constexpr int kListed = 5;
  QString listed = files.mid(0, kListed).join(u"、"_s);
  if (files.size() > kListed) listed += u"等"_s;
  const QString lost =
      u"没有找到数据库列表文件“PARA.mdb”，原来的数据库列表无法找回，已新建了一个空的数据库列表。"_s;
  const QString kept = u"程序文件夹“"_s + ProgramFolder() + u"”中的 "_s +
                       QString::number(files.size()) + u" 个数据库文件仍然保留（"_s + listed +
                       u"）。"_s;
  const QString how =
      u"请用“文件”菜单中的“导入数据库”逐个导入这些文件，并为它们重新取名，即可继续使用。"_s;
  ShowMessage(lost + u'\n' + kept + how, MessageKind::Warning);
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
