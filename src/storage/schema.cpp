#include "storage/schema.h"

#include <QDir>
#include <QFile>
#include <filesystem>

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

// Declared types say what a column holds: LONG (32-bit integer), DOUBLE, DATE (ISO date text),
// DATETIME (ISO date-time text), YESNO (0 or 1), TEXT(n). The key columns are INTEGER PRIMARY
// KEY AUTOINCREMENT so that an ID is never given out twice.
constexpr char16_t kCatalogSql[] =
    uR"(
CREATE TABLE DBInfo(
  Name TEXT(255) NOT NULL COLLATE NOCASE,
  Dat DATETIME NOT NULL DEFAULT (datetime('now','localtime')));
CREATE UNIQUE INDEX DBInfo_Name ON DBInfo(Name);
CREATE TABLE Def(
  Var TEXT(255) NOT NULL COLLATE NOCASE,
  Con TEXT(255));
CREATE UNIQUE INDEX Def_Var ON Def(Var);
CREATE TABLE 参数(
  Var TEXT(255) NOT NULL COLLATE NOCASE,
  Con TEXT);
CREATE UNIQUE INDEX 参数_Var ON 参数(Var);
)";

constexpr char16_t kTrackingSql[] =
    uR"(
CREATE TABLE Product(
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  WID LONG,
  Name TEXT(255),
  CName TEXT(255),
  Url TEXT(255),
  TID TEXT(20),
  Pic TEXT(255),
  Shop TEXT(255),
  Owner TEXT(255),
  Region TEXT(255),
  TMall YESNO NOT NULL DEFAULT 0,
  C0 TEXT(50) DEFAULT '', C1 TEXT(50) DEFAULT '', C2 TEXT(50) DEFAULT '',
  C3 TEXT(50) DEFAULT '', C4 TEXT(50) DEFAULT '', C5 TEXT(50) DEFAULT '',
  C6 TEXT(50) DEFAULT '', C7 TEXT(50) DEFAULT '', C8 TEXT(50) DEFAULT '',
  C9 TEXT(50) DEFAULT '');
CREATE INDEX Product_TID ON Product(TID);
CREATE TABLE PInfo(
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  PID LONG,
  Dat DATE,
  Price DOUBLE,
  PPrice DOUBLE,
  Sales LONG,
  Stock LONG);
CREATE INDEX PInfo_PID_Dat ON PInfo(PID, Dat);
CREATE INDEX PInfo_Dat ON PInfo(Dat);
)";

bool CreateSchema(Connection& conn, const QString& tables, bool withPara) {
  Transaction tx(conn);
  if (!conn.exec(tables)) return false;
  if (withPara && !conn.exec(ParaTableSql())) return false;
  if (!conn.exec(u"PRAGMA user_version="_s + QString::number(kSchemaVersion))) return false;
  return tx.commit();
}

}  // namespace

QString CatalogFileName(QStringView dat) {
  dat = dat.trimmed();
  // Positions of year, month, day, hour, minute and second in "YYYY-MM-DD HH:MM:SS".
  if (dat.size() != 10 && dat.size() != 19) return {};
  for (qsizetype i = 0; i < dat.size(); ++i) {
    const QChar ch = dat[i];
    const bool ok = i == 4 || i == 7     ? ch == u'-'
                    : i == 10            ? ch == u' ' || ch == u'T'
                    : i == 13 || i == 16 ? ch == u':'
                                         : ch.isDigit() && ch.unicode() < 0x80;
    if (!ok) return {};
  }
  const auto number = [&](qsizetype at) { return dat.mid(at, 2).toInt(); };
  if (number(5) < 1 || number(5) > 12 || number(8) < 1 || number(8) > 31) return {};
  if (dat.size() == 19 && (number(11) > 23 || number(14) > 59 || number(17) > 59)) return {};
  QString stamp;
  for (qsizetype at : {2, 5, 8, 11, 14, 17}) {
    if (at < dat.size()) stamp += dat.mid(at, 2);
  }
  stamp = stamp.leftJustified(12, u'0');
  return u"DB"_s + stamp + u".mdb"_s;
}

// The memo column is declared TEXT: a TEXT column keeps "007" as written, where a column of
// numeric affinity would store the number 7.
QString ParaTableSql() {
  return u"CREATE TABLE Para(CID LONG,Name TEXT(255),Con TEXT)"_s;
}

bool CreateCatalogSchema(Connection& conn) {
  return CreateSchema(conn, QString::fromUtf16(kCatalogSql), false);
}

bool CreateTrackingSchema(Connection& conn) {
  return CreateSchema(conn, QString::fromUtf16(kTrackingSql), true);
}

bool WriteDatabaseFile(const QString& path, DatabaseKind kind, QString* error) {
  const QString partial = path + u".partial"_s;
  QFile::remove(partial);
  bool ok = false;
  {
    Connection conn;
    ok = conn.open(partial, Connection::Mode::Create) &&
         (kind == DatabaseKind::Catalog ? CreateCatalogSchema(conn) : CreateTrackingSchema(conn));
    if (!ok && error) *error = conn.lastError();
  }
  if (ok) {
    std::error_code ec;  // rename() replaces an existing file in one step
    std::filesystem::rename(QFile::encodeName(partial).toStdString(),
                            QFile::encodeName(path).toStdString(), ec);
    ok = !ec;
    if (!ok && error) *error = QString::fromLocal8Bit(ec.message());
  }
  if (!ok) QFile::remove(partial);
  return ok;
}

bool WriteTemplates(const QString& folder, QString* error) {
  QDir().mkpath(folder);
  return WriteDatabaseFile(QDir(folder).filePath(QString::fromUtf16(kCatalogFile)),
                           DatabaseKind::Catalog, error) &&
         WriteDatabaseFile(QDir(folder).filePath(QString::fromUtf16(kTemplateFile)),
                           DatabaseKind::Tracking, error);
}

}  // namespace lanxi
