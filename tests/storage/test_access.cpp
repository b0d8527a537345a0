// The access layer: which file an operation works on, schema questions and changes, look-ups,
// quoting, atomic statements, recordsets and cursors, and what a user is told when a file is
// not a database or a write fails.
#include <gtest/gtest.h>
#include <unistd.h>
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
  // Three products and three days of figures.
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
  EXPECT_TRUE(TableExists(u"DBInfo"_s));
  EXPECT_FALSE(TableExists(u"Product"_s));
  WorkDBFile = u"DATA.mdb"_s;  // the template itself, whatever the case of its name
  EXPECT_TRUE(TableExists(u"Product"_s));
  EXPECT_TRUE(TableExists(u"DBInfo"_s, u"PARA.MDB"_s));
  EXPECT_EQ(WorkDBFile, u"DATA.mdb"_s);  // an explicit argument leaves it alone
  EXPECT_FALSE(TableExists(u"product"_s));
  EXPECT_FALSE(TableExists(u"sqlite_sequence"_s));  // internal tables never count
  EXPECT_TRUE(FieldExists(u"Product"_s, u"TMall"_s));
  EXPECT_FALSE(FieldExists(u"Product"_s, u"tmall"_s));

  for (const QString& shop : {u"甲店"_s, u"乙店"_s, u"甲店"_s})
    ASSERT_TRUE(ExecuteSQL(u"INSERT INTO Product(Shop,TMall) VALUES(?,?)"_s,
                           {shop, Value(shop == u"甲店"_s)}));
  EXPECT_EQ(CountGroups(u"Product"_s, u"Shop"_s), 2);
  EXPECT_EQ(CountGroups(u"Product"_s, u"Shop"_s, u"TMall=?"_s, {Value(true)}), 1);
  EXPECT_EQ(DistinctTexts(u"Product"_s, u"Shop"_s), (QStringList{u"乙店"_s, u"甲店"_s}));

  // Fields added with and without a default; the declared LONG reads as an integer.
  AddProduct(u"甲"_s);
  EXPECT_TRUE(AddField(u"Product"_s, u"Memo"_s, u"TEXT(20)"_s, u" "_s));
  EXPECT_FALSE(AddField(u"Product"_s, u"Memo"_s, u"TEXT(20)"_s, u"'x'"_s));  // already there
  EXPECT_TRUE(AddField(u"Product"_s, u"Grade"_s, u"LONG"_s, u"7"_s));
  Recordset rs;
  ASSERT_TRUE(OpenRecordset(rs, u"SELECT Memo, Grade FROM Product"_s));
  EXPECT_TRUE(rs.Field(u"Memo"_s).isNull());
  EXPECT_EQ(rs.Field(u"Grade"_s), Value(7));

  // Dropping by prefix is case-sensitive.
  ASSERT_TRUE(
      ExecuteSQL(u"CREATE TABLE T_PriceByPro(PID LONG); CREATE TABLE T_STR(A TEXT);"
                 "CREATE TABLE t_lower(A TEXT); CREATE TABLE XT_other(A TEXT)"_s));
  DropTablesByPrefix(u"T_"_s);
  DropTablesByPrefix(u"T_"_s);  // nothing left to drop
  for (const auto& [table, left] : {std::pair{u"T_PriceByPro"_s, false},
                                    {u"T_STR"_s, false},
                                    {u"t_lower"_s, true},
                                    {u"XT_other"_s, true}})
    EXPECT_EQ(TableExists(table), left) << table.toStdString();
  DropTable(u"t_lower"_s);
  EXPECT_FALSE(TableExists(u"t_lower"_s));
  EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(Storage, LookupsMatchKeysExactlyAndOddTextsRoundTripWithoutReachingOtherRows) {
  const qint64 id = AddProduct(u"连衣裙"_s, u"123"_s);
  AddProduct(u"衬衫"_s, u"1234"_s);
  EXPECT_EQ(Name(id), u"连衣裙"_s);
  EXPECT_EQ(LookupValue(u"Product"_s, u"1234"_s, u"TID"_s, u"Name"_s).toString(), u"衬衫"_s);
  // No partial or numeric matching of a text key, and no row gives the empty text.
  EXPECT_EQ(LookupValue(u"Product"_s, u"12"_s, u"TID"_s, u"Name"_s), Value(QString()));
  EXPECT_EQ(LookupWhere(u"Product"_s, u"TID=? AND Name=?"_s, u"ID"_s, {u"123"_s, u"连衣裙"_s}),
            Value(id));

  const QStringList texts = {
      u"O'Neil 的店"_s, u"双引号\"内\""_s,    u"100% _折扣_"_s,  u"第一行\n第二行\r\n"_s,
      u"表情 😀👗"_s,     QString(5000, u'长'), u"x' OR '1'='1"_s, u"'); DROP TABLE Product; --"_s};
  for (const QString& t : texts) AddProduct(t, t.left(20));
  const qint64 bystander = AddProduct(u"旁观者"_s);
  for (const QString& t : texts) {
    EXPECT_EQ(LookupValue(u"Product"_s, t, u"Name"_s, u"Name"_s).toString(), t);
    EXPECT_TRUE(ExecuteSQL(u"UPDATE Product SET C0=? WHERE Name=?"_s, {t + u"!"_s, t}));
    EXPECT_EQ(LookupValue(u"Product"_s, t, u"Name"_s, u"C0"_s).toString(), t + u"!"_s);
  }
  EXPECT_TRUE(TableExists(u"Product"_s));
  EXPECT_EQ(LookupValue(u"Product"_s, Value(bystander), u"ID"_s, u"C0"_s).toString(), QString());
  // LIKE with a bound pattern: "%" and "_" in the text are the caller's to escape.
  EXPECT_EQ(CountGroups(u"Product"_s, u"ID"_s, u"Name LIKE ? ESCAPE '\\'"_s, {u"100\\% \\_%"_s}),
            1);
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
  ASSERT_TRUE(test::WriteFile(folder.file(u"empty.mdb"_s), {}));
  ASSERT_TRUE(test::WriteFile(folder.file(u"text.mdb"_s), QByteArray(4096, 'x')));
  const char* tables = "CREATE TABLE Product(ID INTEGER); CREATE TABLE PInfo(ID INTEGER)";
  ASSERT_EQ(test::RawExec(folder.file(u"plain.mdb"_s), tables, kCipherPageSize, {}), SQLITE_OK);
  ASSERT_EQ(test::RawExec(folder.file(u"otherkey.mdb"_s), tables, 1024, "12345678"), SQLITE_OK);

  for (const QString& name : {u"truncated.mdb"_s, u"empty.mdb"_s, u"text.mdb"_s, u"plain.mdb"_s,
                              u"otherkey.mdb"_s, u"missing.mdb"_s}) {
    SCOPED_TRACE(name.toStdString());
    const QString path = folder.file(name);
    const QByteArray before = test::FileBytes(path);
    prompts.messages.clear();
    EXPECT_FALSE(TestOpenDatabase(path));
    EXPECT_TRUE(prompts.messages.isEmpty());
    Recordset rs;
    EXPECT_FALSE(OpenRecordset(rs, u"SELECT * FROM Product"_s, {}, name));
    EXPECT_EQ(prompts.messages, QStringList{u"数据库打开错误(SELECT * FROM Product)！"_s});
    EXPECT_TRUE(rs.IsEOF() && rs.IsBOF() && rs.Field(u"ID"_s).isNull());
    EXPECT_EQ(rs.RecordCount(), 0);
    Connection conn;
    EXPECT_FALSE(OpenConnection(conn, name));
    EXPECT_EQ(prompts.messages.last(), u"无法建立数据库连接(数据库："_s + name + u")！"_s);
    EXPECT_FALSE(ExecuteSQL(u"DELETE FROM Product"_s, {}, nullptr, name));
    EXPECT_EQ(test::FileBytes(path), before);
    EXPECT_EQ(QFile::exists(path), name != u"missing.mdb"_s);
  }
  EXPECT_TRUE(TestOpenDatabase(real));
}

TEST_F(Storage, RecordsetsCountMoveAndReportBadStatements) {
  AddFigures();
  Recordset rs;
  ASSERT_TRUE(OpenRecordset(rs, u"SELECT * FROM Product ORDER BY ID DESC"_s));
  EXPECT_EQ(rs.RecordCount(), 3);
  EXPECT_EQ(rs.Field(u"name"_s).toString(), u"丙"_s);  // field names ignore case
  rs.MoveLast();
  EXPECT_EQ(rs.Field(u"Name"_s).toString(), u"甲"_s);
  rs.MoveNext();
  EXPECT_TRUE(rs.IsEOF() && rs.Field(u"Name"_s).isNull());
  rs.MoveFirst();
  rs.MovePrevious();
  EXPECT_TRUE(rs.IsBOF());
  ASSERT_TRUE(OpenRecordset(rs, u"SELECT * FROM Product WHERE ID<0"_s));
  EXPECT_EQ(rs.RecordCount(), 0);
  EXPECT_TRUE(rs.IsEOF() && rs.IsBOF());
  CloseRecordset(rs);
  EXPECT_FALSE(rs.IsOpen());

  EXPECT_FALSE(OpenRecordset(rs, u"SELECT * FROM NoSuchTable"_s));
  EXPECT_EQ(prompts.messages, QStringList{u"数据库打开错误(SELECT * FROM NoSuchTable)！"_s});
  EXPECT_TRUE(!rs.IsOpen() && rs.RecordCount() == 0);
  rs.AddNew();
  EXPECT_FALSE(rs.SetField(u"Name"_s, u"甲"_s) || rs.Delete());
}

TEST_F(Storage, RecordsetValuesCarryTheirColumnsTypes) {
  AddFigures();
  Recordset rs;
  ASSERT_TRUE(OpenRecordset(rs,
                            u"SELECT PInfo.*, Product.TMall FROM PInfo, Product "
                            "WHERE PInfo.PID=Product.ID ORDER BY PInfo.ID"_s));
  EXPECT_EQ(rs.Field(u"Dat"_s), Value(QDate(2024, 1, 5)));
  EXPECT_EQ(rs.Field(u"Price"_s).type(), Value::Type::Double);
  EXPECT_EQ(rs.Field(u"Sales"_s), Value(10));
  EXPECT_EQ(rs.Field(u"TMall"_s), Value(true));
  rs.MoveLast();
  EXPECT_TRUE(rs.Field(u"Stock"_s).isNull());
  EXPECT_EQ(FormatValue(rs.Field(u"Stock"_s), true), QString());

  // Aggregates keep what they compute: sums of counts are integers, averages doubles.
  ASSERT_TRUE(OpenRecordset(rs,
                            u"SELECT Dat, SUM(Sales) AS Sales, AVG(Price) AS Price FROM "
                            "PInfo GROUP BY Dat ORDER BY Dat"_s));
  EXPECT_EQ(rs.RecordCount(), 2);
  EXPECT_EQ(rs.Field(u"Dat"_s), Value(QDate(2024, 1, 5)));
  EXPECT_EQ(rs.Field(u"Sales"_s), Value(13));
  EXPECT_EQ(rs.Field(u"Price"_s), Value(59.75));
  EXPECT_TRUE(rs.UpdatableTable().isEmpty());
  EXPECT_FALSE(rs.SetField(u"Sales"_s, Value(1)));
}

TEST_F(Storage, RecordsetChangesTouchOnlyTheCurrentRowAndReadBackWhatTheDatabaseFilledIn) {
  AddFigures();
  Recordset rs;
  const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
  ASSERT_TRUE(
      OpenRecordset(rs, u"SELECT * FROM DBInfo WHERE Name=?"_s, {u"女装"_s}, u"PARA.mdb"_s));
  rs.AddNew();
  ASSERT_TRUE(rs.SetField(u"Name"_s, u"女装"_s));
  ASSERT_TRUE(rs.Update());
  const QDateTime dat = rs.Field(u"Dat"_s).toDateTime();
  EXPECT_EQ(rs.Field(u"Dat"_s).type(), Value::Type::DateTime);
  EXPECT_TRUE(dat >= before && dat <= QDateTime::currentDateTime().addSecs(1));
  EXPECT_EQ(rs.RecordCount(), 1);
  CloseRecordset(rs);
  EXPECT_EQ(LookupValue(u"DBInfo"_s, u"女装"_s, u"Name"_s, u"Dat"_s, u"PARA.mdb"_s).toDateTime(),
            dat);
  ASSERT_TRUE(OpenRecordset(rs, u"SELECT * FROM Product"_s));
  rs.AddNew();
  rs.SetField(u"Name"_s, u"丁"_s);
  ASSERT_TRUE(rs.Update());
  EXPECT_EQ(rs.Field(u"ID"_s), Value(4));
  EXPECT_EQ(rs.Field(u"TMall"_s), Value(false));
  EXPECT_EQ(rs.Field(u"C0"_s), Value(QString()));
  EXPECT_EQ(rs.RecordCount(), 4);

  // An edit not saved is dropped at the next move.
  ASSERT_TRUE(OpenRecordset(rs, u"SELECT ID, Name FROM Product WHERE TMall=0 ORDER BY ID"_s));
  ASSERT_EQ(rs.UpdatableTable(), u"Product"_s);
  rs.SetField(u"Name"_s, u"未保存"_s);
  rs.MoveNext();
  rs.MoveFirst();
  EXPECT_EQ(rs.Field(u"Name"_s).toString(), u"乙"_s);
  ASSERT_TRUE(rs.SetField(u"Name"_s, u"乙'改"_s));
  EXPECT_EQ(rs.Field(u"Name"_s).toString(), u"乙'改"_s);
  ASSERT_TRUE(rs.Update());
  rs.MoveNext();
  ASSERT_TRUE(rs.Delete());
  EXPECT_EQ(rs.Field(u"Name"_s).toString(), u"丙"_s);  // stays current until the next move
  rs.MoveNext();
  EXPECT_EQ(rs.Field(u"Name"_s).toString(), u"丁"_s);
  rs.MovePrevious();
  EXPECT_EQ(rs.Field(u"Name"_s).toString(), u"乙'改"_s);  // the deleted row is skipped
  EXPECT_EQ(rs.RecordCount(), 2);
  EXPECT_EQ(DistinctTexts(u"Product"_s, u"Name"_s), (QStringList{u"丁"_s, u"乙'改"_s, u"甲"_s}));
}

TEST(CountingStatements, OnlyTheOutermostOrderingIsLeftOut) {
  const QList<std::pair<QString, QString>> cases = {
      {u"SELECT * FROM T ORDER BY a"_s, u"SELECT * FROM T "_s},
      {u"SELECT * FROM T order\n by a DESC LIMIT 5 OFFSET ?"_s,
       u"SELECT * FROM T LIMIT 5 OFFSET ?"_s},
      {u"SELECT * FROM (SELECT a FROM T ORDER BY a LIMIT 3)"_s, {}},
      {u"SELECT 'x ORDER BY y', \"ORDER BY\" FROM T"_s, {}},
      {u"SELECT a FROM T -- ORDER BY a\n"_s, {}},
      {u"SELECT a FROM T /* ORDER BY */ ORDER BY [ORDER BY]"_s,
       u"SELECT a FROM T /* ORDER BY */ "_s},
      {u"SELECT border, orders FROM T"_s, {}},
      // A parameter in the ordering would shift those after it: the statement stays whole.
      {u"SELECT a FROM T ORDER BY abs(a-?) LIMIT ?"_s, {}},
      {u"SELECT 1 UNION SELECT 2 ORDER BY 1"_s, u"SELECT 1 UNION SELECT 2 "_s},
  };
  for (const auto& [sql, expected] : cases)  // (no expected text: unchanged)
    EXPECT_EQ(WithoutFinalOrderBy(sql), expected.isNull() ? sql : expected) << sql.toStdString();
}

TEST_F(Storage, CursorCountsAgreeWithTheRowsStepped) {
  AddMany();
  const QList<std::pair<QString, Params>> statements = {
      {u"SELECT * FROM T_Many"_s, {}},
      {u"SELECT * FROM T_Many WHERE V>? AND T LIKE ? ORDER BY V DESC"_s, {Value(100), u"%1%"_s}},
      {u"SELECT * FROM T_Many ORDER BY V LIMIT ? OFFSET ?"_s, {Value(50), Value(980)}},
      {u"SELECT * FROM T_Many ORDER BY abs(V-?) LIMIT ?;"_s, {Value(500), Value(7)}},
      {u"SELECT V % 7 AS R, COUNT(*) FROM T_Many GROUP BY R ORDER BY R"_s, {}},
      {u"WITH s AS (SELECT V FROM T_Many WHERE V<=?) SELECT * FROM s ORDER BY V"_s, {Value(10)}},
      {u"PRAGMA table_info(T_Many)"_s, {}},
      {u"SELECT * FROM T_Many WHERE V<0"_s, {}},
  };
  for (const auto& [sql, params] : statements) {
    Cursor counting, stepping;
    ASSERT_TRUE(OpenCursor(counting, sql, params) && OpenCursor(stepping, sql, params))
        << sql.toStdString();
    const qint64 counted = counting.Count();
    qint64 n = 0;
    for (; !stepping.IsEOF(); stepping.MoveNext()) ++n;
    EXPECT_FALSE(stepping.Failed());
    EXPECT_EQ(counted, n) << sql.toStdString();
    counting.MoveNext();
    EXPECT_EQ(counting.Count(), counted) << sql.toStdString();  // wherever the cursor stands
  }
  EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(Storage, CursorFieldsCarryTheirTypesAndEndAtTheLastRow) {
  AddMany();
  Cursor c;
  ASSERT_TRUE(OpenCursor(c, u"SELECT ID, V, T, NULL AS N FROM T_Many WHERE V>=? ORDER BY V"_s,
                         {Value(999)}));
  EXPECT_EQ(c.FieldCount(), 4);
  EXPECT_EQ(c.FieldIndex(u"t"_s), 2);
  EXPECT_EQ(c.FieldType(1), Value::Type::Integer);
  EXPECT_EQ(c.Field(u"V"_s), Value(999));
  EXPECT_EQ(c.Field(2), Value(u"ORDER BY 999"_s));
  EXPECT_TRUE(c.Field(3).isNull() && c.Field(9).isNull());
  c.MoveNext();
  EXPECT_EQ(c.Field(1), Value(1000));
  c.MoveNext();
  EXPECT_TRUE(c.IsEOF() && !c.Failed() && c.Field(1).isNull());

  EXPECT_FALSE(OpenCursor(c, u"SELECT Nope FROM T_Many"_s));
  EXPECT_EQ(prompts.messages, QStringList{u"数据库打开错误(SELECT Nope FROM T_Many)！"_s});
  EXPECT_TRUE(c.IsEOF());
  EXPECT_EQ(c.Count(), -1);
}

TEST_F(Storage, LongRecordsetsCountExactlyMoveFreelyAndChangesNeverRepeatARow) {
  AddMany();
  Recordset rs;
  ASSERT_TRUE(OpenRecordset(rs, u"SELECT ID, V FROM T_Many WHERE V>? ORDER BY V"_s, {Value(0)}));
  EXPECT_EQ(rs.RecordCount(), 1000);
  for (int i = 0; i < 400; ++i) rs.MoveNext();
  EXPECT_EQ(rs.Field(u"V"_s), Value(401));
  EXPECT_EQ(rs.AbsolutePosition(), 401);
  rs.MovePrevious();
  EXPECT_EQ(rs.Field(u"V"_s), Value(400));

  // The changed row moves to the end of the index the rows are read in; it is not met again.
  ASSERT_TRUE(rs.SetField(u"V"_s, Value(5000)));
  ASSERT_TRUE(rs.Update());
  QSet<qint64> ids;
  int rows = 0;
  for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext(), ++rows) ids << rs.Field(u"ID"_s).toInt();
  EXPECT_EQ(rows, 1000);
  EXPECT_EQ(ids.size(), 1000);
  rs.MoveLast();
  EXPECT_EQ(rs.Field(u"V"_s), Value(1000));
  EXPECT_EQ(rs.RecordCount(), 1000);

  ASSERT_TRUE(OpenRecordset(rs, u"SELECT * FROM T_Many ORDER BY V DESC"_s));
  ASSERT_TRUE(rs.Delete());
  EXPECT_EQ(rs.RecordCount(), 999);
  rs.MoveLast();
  EXPECT_EQ(rs.Field(u"V"_s), Value(1));
  EXPECT_TRUE(prompts.messages.isEmpty());
}

// Failures of database files are told in Chinese: what happened first, the engine's own words
// (if any) only on a line of their own after it.
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
  // Disk full: the file may not grow.
  ASSERT_TRUE(conn.exec(u"PRAGMA query_only=0; PRAGMA max_page_count=1"_s));
  ASSERT_FALSE(conn.exec(u"CREATE TABLE Big(x); INSERT INTO Big VALUES(randomblob(100000))"_s));
  EXPECT_EQ(DbFailureText(conn), u"磁盘空间已满，无法写入。\ndatabase or disk is full"_s);
  // Locked by another program for longer than the wait.
  ASSERT_TRUE(other.open(path) && other.exec(u"BEGIN IMMEDIATE"_s));
  sqlite3_busy_timeout(conn.handle(), 0);
  ASSERT_FALSE(conn.exec(u"BEGIN IMMEDIATE"_s));
  EXPECT_EQ(DbFailureText(conn),
            u"数据库文件“DB120305143015.mdb”正被其他程序使用（已锁定），请稍后再试。\n"
            "database is locked"_s);
  // Not a database of this program.
  ASSERT_TRUE(test::WriteFile(dir.filePath(u"notes.mdb"_s), QByteArray(4096, 'x')));
  ASSERT_FALSE(foreign.open(dir.filePath(u"notes.mdb"_s)));
  EXPECT_TRUE(DbFailureText(foreign).startsWith(u"文件“notes.mdb”不是本软件的数据库文件。"_s))
      << DbFailureText(foreign).toStdString();
  other.close();
  conn.close();

  // Read-only files and folders are named.
  QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser);
  const QString readOnly = u"文件“DB120305143015.mdb”是只读文件，无法写入。"_s;
  EXPECT_EQ(DbFailureReason(SQLITE_READONLY, path), readOnly);
  EXPECT_EQ(FileFailureReason(path), readOnly);
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
  EXPECT_EQ(DbFailureReason(SQLITE_CANTOPEN, dir.filePath(u"missing.mdb"_s)),
            u"数据库文件“missing.mdb”不存在。"_s);
  // The superuser may write anywhere: a folder is read-only only for others.
  if (geteuid() != 0) {
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_EQ(DbFailureReason(SQLITE_CANTOPEN, path),
              u"文件夹“"_s + dir.path() + u"”不允许写入。"_s);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
}
