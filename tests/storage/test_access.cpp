// The access layer: schema questions and changes, look-ups, atomic statements, recordsets and
// cursors, and what a user is told when a file is not a database or a write fails.
#include <gtest/gtest.h>
#include <QSet>
#include <QTemporaryDir>

#include "databasecontent.h"
#include "programfolder_fixture.h"
#include "scriptedprompts.h"
#include "storage/dberror.h"
#include "storage/dboperate.h"
#include "storage/schema.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

class Storage : public ::testing::Test {
 protected:
  test::TempProgramFolder folder;
  test::ScriptedPrompts prompts;

  void SetUp() override { CurDBFile = WorkDBFile = u"data.mdb"_s; }

  qint64 AddProduct(const QString& name, const QString& tid = {}) {
    Connection conn;
    EXPECT_TRUE(conn.open(DatabasePath(u"data.mdb"_s)));
    EXPECT_TRUE(conn.exec(u"INSERT INTO Product(Name,TID) VALUES(?,?)"_s, {name, tid}));
    return conn.lastInsertRowId();
  }
  void AddFigures() {
    ASSERT_TRUE(
        ExecuteSQL(u"INSERT INTO Product(Name,TMall) VALUES('甲',1),('乙',0),('丙',0);"
                   "INSERT INTO PInfo(PID,Dat,Price,PPrice,Sales,Stock) VALUES"
                   "(1,'2024-01-05',99.5,79.9,10,100),(1,'2024-01-06',99.5,89,12,88),"
                   "(2,'2024-01-05',20,20,3,NULL)"_s));
  }
  // T_Many(ID, V, T): V = 1 … 1000, indexed.
  void AddMany() {
    ASSERT_TRUE(
        ExecuteSQL(u"CREATE TABLE T_Many(ID INTEGER PRIMARY KEY, V LONG, T TEXT);"
                   "CREATE INDEX T_Many_V ON T_Many(V);"
                   "WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM k WHERE i<1000) "
                   "INSERT INTO T_Many(V,T) SELECT i, 'ORDER BY ' || i FROM k"_s));
  }
  QString Name(qint64 id) {
    return LookupValue(u"Product"_s, Value(id), u"ID"_s, u"Name"_s).toString();
  }
};

}  // namespace

TEST_F(Storage, EmptyDatabaseArgumentUsesWorkDBFileAndSchemaNamesCompareExactly) {
  WorkDBFile = u"PARA.mdb"_s;
  EXPECT_FALSE(TableExists(u"Product"_s));
  WorkDBFile = u"DATA.mdb"_s;  // the template itself, whatever the case of its name
  EXPECT_TRUE(TableExists(u"Product"_s));
  EXPECT_TRUE(TableExists(u"DBInfo"_s, u"PARA.MDB"_s));
  EXPECT_EQ(WorkDBFile, u"DATA.mdb"_s);  // an explicit argument leaves it alone
  EXPECT_FALSE(TableExists(u"product"_s) || TableExists(u"sqlite_sequence"_s));
  EXPECT_FALSE(FieldExists(u"Product"_s, u"tmall"_s));

  // Fields added with and without a default; the declared LONG reads as an integer.
  AddProduct(u"甲"_s);
  EXPECT_TRUE(AddField(u"Product"_s, u"Memo"_s, u"TEXT(20)"_s, u" "_s));
  EXPECT_FALSE(AddField(u"Product"_s, u"Memo"_s, u"TEXT(20)"_s, u"'x'"_s));
  EXPECT_TRUE(AddField(u"Product"_s, u"Grade"_s, u"LONG"_s, u"7"_s));
  EXPECT_EQ(LookupValue(u"Product"_s, u"甲"_s, u"Name"_s, u"Grade"_s), Value(7));

  // Dropping by prefix is case-sensitive.
  ASSERT_TRUE(ExecuteSQL(u"CREATE TABLE T_STR(A TEXT); CREATE TABLE t_lower(A TEXT)"_s));
  DropTablesByPrefix(u"T_"_s);
  EXPECT_FALSE(TableExists(u"T_STR"_s));
  EXPECT_TRUE(TableExists(u"t_lower"_s));
  EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(Storage, LookupsMatchKeysExactlyAndOddTextsRoundTripWithoutReachingOtherRows) {
  AddProduct(u"衬衫"_s, u"1234"_s);
  EXPECT_EQ(LookupValue(u"Product"_s, u"12"_s, u"TID"_s, u"Name"_s), Value(QString()));
  const QStringList texts = {u"O'Neil 的店"_s, u"100% _折扣_"_s, u"表情 😀👗"_s,
                             u"'); DROP TABLE Product; --"_s};
  for (const QString& t : texts) AddProduct(t);
  const qint64 bystander = AddProduct(u"旁观者"_s);
  for (const QString& t : texts) {
    EXPECT_TRUE(ExecuteSQL(u"UPDATE Product SET C0=? WHERE Name=?"_s, {t + u"!"_s, t}));
    EXPECT_EQ(LookupValue(u"Product"_s, t, u"Name"_s, u"C0"_s).toString(), t + u"!"_s);
  }
  EXPECT_EQ(LookupValue(u"Product"_s, Value(bystander), u"ID"_s, u"C0"_s).toString(), QString());
}

TEST_F(Storage, FailingStatementChangesNothing) {
  AddProduct(u"甲"_s);
  EXPECT_FALSE(ExecuteSQL(u"UPDATE Product SET Name='乙'; INSERT INTO NoSuchTable VALUES(1)"_s));
  EXPECT_EQ(Name(1), u"甲"_s);
  // On a caller's connection too, and the connection stays usable.
  Connection conn;
  ASSERT_TRUE(OpenConnection(conn));
  EXPECT_FALSE(ExecuteSQL(u"DELETE FROM Product; SELECT * FROM Nowhere"_s, {}, &conn));
  EXPECT_TRUE(ExecuteSQL(u"UPDATE Product SET Name=?"_s, {u"丙"_s}, &conn));
  EXPECT_EQ(Name(1), u"丙"_s);
  EXPECT_TRUE(prompts.messages.isEmpty());  // ExecuteSQL never reports
}

TEST_F(Storage, FilesThatAreNotDatabasesOfThisProgram) {
  const QString real = DatabasePath(u"data.mdb"_s);
  ASSERT_TRUE(test::WriteFile(folder.file(u"truncated.mdb"_s), test::FileBytes(real).left(1500)));
  const char* tables = "CREATE TABLE Product(ID INTEGER); CREATE TABLE PInfo(ID INTEGER)";
  ASSERT_EQ(test::RawExec(folder.file(u"plain.mdb"_s), tables, kCipherPageSize, {}), SQLITE_OK);
  ASSERT_EQ(test::RawExec(folder.file(u"otherkey.mdb"_s), tables, 1024, "12345678"), SQLITE_OK);

  for (const QString& name :
       {u"truncated.mdb"_s, u"plain.mdb"_s, u"otherkey.mdb"_s, u"missing.mdb"_s}) {
    SCOPED_TRACE(name.toStdString());
    const QString path = folder.file(name);
    const QByteArray before = test::FileBytes(path);
    prompts.messages.clear();
    EXPECT_FALSE(TestOpenDatabase(path));
    Recordset rs;
    EXPECT_FALSE(OpenRecordset(rs, u"SELECT * FROM Product"_s, {}, name));
    EXPECT_EQ(prompts.messages, QStringList{u"数据库打开错误(SELECT * FROM Product)！"_s});
    EXPECT_TRUE(rs.IsEOF() && rs.IsBOF() && rs.RecordCount() == 0);
    Connection conn;
    EXPECT_FALSE(OpenConnection(conn, name));
    EXPECT_EQ(prompts.messages.last(), u"无法建立数据库连接(数据库："_s + name + u")！"_s);
    EXPECT_FALSE(ExecuteSQL(u"DELETE FROM Product"_s, {}, nullptr, name));
    EXPECT_EQ(test::FileBytes(path), before);
    EXPECT_EQ(QFile::exists(path), name != u"missing.mdb"_s);
  }
  EXPECT_TRUE(TestOpenDatabase(real));
}

TEST_F(Storage, RecordsetsMoveAndCarryTheirColumnsTypes) {
  AddFigures();
  Recordset rs;
  ASSERT_TRUE(OpenRecordset(rs,
                            u"SELECT PInfo.*, Product.TMall FROM PInfo, Product "
                            "WHERE PInfo.PID=Product.ID ORDER BY PInfo.ID DESC"_s));
  EXPECT_EQ(rs.RecordCount(), 3);
  EXPECT_TRUE(rs.Field(u"stock"_s).isNull());  // field names ignore case
  rs.MoveLast();
  EXPECT_EQ(rs.Field(u"Dat"_s), Value(QDate(2024, 1, 5)));
  EXPECT_EQ(rs.Field(u"Price"_s).type(), Value::Type::Double);
  EXPECT_EQ(rs.Field(u"Sales"_s), Value(10));
  EXPECT_EQ(rs.Field(u"TMall"_s), Value(true));
  rs.MoveNext();
  EXPECT_TRUE(rs.IsEOF() && rs.Field(u"Sales"_s).isNull());

  // Aggregates keep what they compute and cannot be changed.
  ASSERT_TRUE(OpenRecordset(rs,
                            u"SELECT Dat, SUM(Sales) AS Sales, AVG(Price) AS Price FROM "
                            "PInfo GROUP BY Dat ORDER BY Dat"_s));
  EXPECT_EQ(rs.Field(u"Sales"_s), Value(13));
  EXPECT_EQ(rs.Field(u"Price"_s), Value(59.75));
  EXPECT_FALSE(rs.SetField(u"Sales"_s, Value(1)));
  EXPECT_FALSE(OpenRecordset(rs, u"SELECT * FROM NoSuchTable"_s));
  rs.AddNew();
  EXPECT_FALSE(rs.SetField(u"Name"_s, u"甲"_s) || rs.Delete());
}

// A new row reads back what the database filled in; an edit not saved is dropped at the next move.
TEST_F(Storage, RecordsetChangesReadBackDefaultsAndUnsavedEditsAreDropped) {
  AddFigures();
  Recordset rs;
  ASSERT_TRUE(OpenRecordset(rs, u"SELECT * FROM Product WHERE TMall=0 ORDER BY ID"_s));
  rs.AddNew();
  rs.SetField(u"Name"_s, u"丁"_s);
  ASSERT_TRUE(rs.Update());
  EXPECT_EQ(rs.Field(u"ID"_s), Value(4));
  EXPECT_EQ(rs.Field(u"TMall"_s), Value(false));
  rs.MoveFirst();
  rs.SetField(u"Name"_s, u"未保存"_s);
  rs.MoveNext();
  rs.MoveFirst();
  EXPECT_EQ(rs.Field(u"Name"_s).toString(), u"乙"_s);
}

TEST_F(Storage, CursorsCountTheRowsTheyStepAndCarryTypes) {
  AddMany();
  const QList<std::pair<QString, Params>> statements = {
      {u"SELECT * FROM T_Many WHERE V>? AND T LIKE ? ORDER BY V DESC"_s, {Value(100), u"%1%"_s}},
      {u"SELECT * FROM T_Many ORDER BY abs(V-?) LIMIT ?;"_s, {Value(500), Value(7)}},
      {u"WITH s AS (SELECT V FROM T_Many WHERE V<=?) SELECT * FROM s ORDER BY V"_s, {Value(10)}},
  };
  for (const auto& [sql, params] : statements) {
    Cursor counting, stepping;
    ASSERT_TRUE(OpenCursor(counting, sql, params) && OpenCursor(stepping, sql, params));
    qint64 n = 0;
    for (; !stepping.IsEOF(); stepping.MoveNext()) ++n;
    EXPECT_EQ(counting.Count(), n) << sql.toStdString();
  }
  Cursor c;
  ASSERT_TRUE(OpenCursor(c, u"SELECT ID, V, T FROM T_Many WHERE V>=? ORDER BY V"_s, {Value(999)}));
  EXPECT_EQ(c.FieldIndex(u"t"_s), 2);
  EXPECT_EQ(c.FieldType(1), Value::Type::Integer);
  EXPECT_EQ(c.Field(2), Value(u"ORDER BY 999"_s));
  c.MoveNext();
  c.MoveNext();
  EXPECT_TRUE(c.IsEOF() && !c.Failed() && c.Field(1).isNull());
  EXPECT_FALSE(OpenCursor(c, u"SELECT Nope FROM T_Many"_s));
  EXPECT_EQ(c.Count(), -1);
}

TEST_F(Storage, LongRecordsetsCountExactlyMoveFreelyAndChangesNeverRepeatARow) {
  AddMany();
  Recordset rs;
  ASSERT_TRUE(OpenRecordset(rs, u"SELECT ID, V FROM T_Many WHERE V>? ORDER BY V"_s, {Value(0)}));
  EXPECT_EQ(rs.RecordCount(), 1000);
  for (int i = 0; i < 400; ++i) rs.MoveNext();
  EXPECT_EQ(rs.AbsolutePosition(), 401);
  // The changed row moves to the end of the index the rows are read in; it is not met again.
  ASSERT_TRUE(rs.SetField(u"V"_s, Value(5000)) && rs.Update());
  QSet<qint64> ids;
  int rows = 0;
  for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext(), ++rows) ids << rs.Field(u"ID"_s).toInt();
  EXPECT_EQ(rows, 1000);
  EXPECT_EQ(ids.size(), 1000);
  rs.MoveLast();
  EXPECT_EQ(rs.Field(u"V"_s), Value(1000));
  ASSERT_TRUE(OpenRecordset(rs, u"SELECT * FROM T_Many ORDER BY V DESC"_s));
  ASSERT_TRUE(rs.Delete());
  EXPECT_EQ(rs.RecordCount(), 999);
}

// Failures are told in Chinese first, the engine's own words on a line after it.
TEST(DbError, EachFailureIsToldInChineseWithTheEngineTextAfterIt) {
  QTemporaryDir dir;
  const QString path = dir.filePath(u"DB120305143015.mdb"_s);
  ASSERT_TRUE(WriteDatabaseFile(path, DatabaseKind::Tracking));
  Connection conn, other, foreign;
  ASSERT_TRUE(conn.open(path));
  ASSERT_TRUE(conn.exec(u"PRAGMA query_only=1"_s));
  ASSERT_FALSE(conn.exec(u"INSERT INTO Product(Name) VALUES('甲')"_s));
  EXPECT_EQ(DbFailureText(conn),
            u"数据库文件“DB120305143015.mdb”只能读取，无法写入。\n"
            "attempt to write a readonly database"_s);
  ASSERT_TRUE(conn.exec(u"PRAGMA query_only=0; PRAGMA max_page_count=1"_s));
  ASSERT_FALSE(conn.exec(u"CREATE TABLE Big(x); INSERT INTO Big VALUES(randomblob(100000))"_s));
  EXPECT_EQ(DbFailureText(conn), u"磁盘空间已满，无法写入。\ndatabase or disk is full"_s);
  ASSERT_TRUE(other.open(path) && other.exec(u"BEGIN IMMEDIATE"_s));
  sqlite3_busy_timeout(conn.handle(), 0);
  ASSERT_FALSE(conn.exec(u"BEGIN IMMEDIATE"_s));
  EXPECT_EQ(DbFailureText(conn),
            u"数据库文件“DB120305143015.mdb”正被其他程序使用（已锁定），请稍后再试。\n"
            "database is locked"_s);
  ASSERT_TRUE(test::WriteFile(dir.filePath(u"notes.mdb"_s), QByteArray(4096, 'x')));
  ASSERT_FALSE(foreign.open(dir.filePath(u"notes.mdb"_s)));
  EXPECT_TRUE(DbFailureText(foreign).startsWith(u"文件“notes.mdb”不是本软件的数据库文件。"_s));
  other.close();
  conn.close();

  QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser);
  const QString readOnly = u"文件“DB120305143015.mdb”是只读文件，无法写入。"_s;
  EXPECT_EQ(DbFailureReason(SQLITE_READONLY, path), readOnly);
  EXPECT_EQ(FileFailureReason(path), readOnly);
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
  EXPECT_EQ(DbFailureReason(SQLITE_CANTOPEN, dir.filePath(u"missing.mdb"_s)),
            u"数据库文件“missing.mdb”不存在。"_s);
}
