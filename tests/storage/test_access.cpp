// The access layer: which file an operation works on, schema questions and changes, look-ups,
// quoting, atomic statements, and the messages a user sees when a file is not a database.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <QCryptographicHash>
#include <QFile>

#include "programfolder_fixture.h"
#include "scriptedprompts.h"
#include "storage/dboperate.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

class AccessLayer : public ::testing::Test {
 protected:
  test::TempProgramFolder folder;
  test::ScriptedPrompts prompts;

  void SetUp() override { WorkDBFile = u"data.mdb"_s; }

  qint64 AddProduct(const QString& name, const QString& tid = {}) {
    Connection conn;
    EXPECT_TRUE(conn.open(DatabasePath(u"data.mdb"_s)));
    EXPECT_TRUE(conn.exec(u"INSERT INTO Product(Name,TID) VALUES(?,?)"_s, {name, tid}));
    return conn.lastInsertRowId();
  }
};

QByteArray Digest(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// Writes a database with the plain sqlite3 API, optionally keyed with a passphrase.
void WriteForeignDatabase(const QString& path, const char* passphrase) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
  if (passphrase) sqlite3_key(db, passphrase, int(strlen(passphrase)));
  ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE Product(ID INTEGER); CREATE TABLE PInfo(ID INTEGER)",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
}

}  // namespace

TEST_F(AccessLayer, EmptyDatabaseArgumentUsesWorkDBFileAndNamesIgnoreCase) {
  WorkDBFile = u"PARA.mdb"_s;
  EXPECT_TRUE(TableExists(u"DBInfo"_s));
  EXPECT_FALSE(TableExists(u"Product"_s));
  WorkDBFile = u"DATA.mdb"_s;  // the template itself, whatever the case of its name
  EXPECT_TRUE(TableExists(u"Product"_s));
  EXPECT_TRUE(TableExists(u"DBInfo"_s, u"PARA.MDB"_s));
  EXPECT_EQ(WorkDBFile, u"DATA.mdb"_s);  // an explicit argument leaves it alone
  EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(AccessLayer, SchemaQuestionsCompareNamesExactly) {
  EXPECT_TRUE(TableExists(u"Product"_s));
  EXPECT_FALSE(TableExists(u"product"_s));
  EXPECT_FALSE(TableExists(u"sqlite_sequence"_s));  // internal tables never count
  EXPECT_TRUE(FieldExists(u"Product"_s, u"TMall"_s));
  EXPECT_FALSE(FieldExists(u"Product"_s, u"tmall"_s));
  EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(AccessLayer, AddFieldWithAndWithoutDefault) {
  AddProduct(u"甲"_s);
  AddProduct(u"乙"_s);
  EXPECT_TRUE(AddField(u"Product"_s, u"Memo"_s, u"TEXT(20)"_s, u" "_s));
  EXPECT_FALSE(AddField(u"Product"_s, u"Memo"_s, u"TEXT(20)"_s, u"'x'"_s));  // already there
  EXPECT_TRUE(AddField(u"Product"_s, u"Grade"_s, u"LONG"_s, u"7"_s));

  Recordset rs;
  ASSERT_TRUE(OpenRecordset(rs, u"SELECT Memo, Grade FROM Product ORDER BY ID"_s));
  ASSERT_EQ(rs.RecordCount(), 2);
  for (; !rs.IsEOF(); rs.MoveNext()) {
    EXPECT_TRUE(rs.Field(u"Memo"_s).isNull());
    EXPECT_EQ(rs.Field(u"Grade"_s), Value(7));  // the declared LONG reads as an integer
  }
}

TEST_F(AccessLayer, LookupValueWithNumericAndTextKeys) {
  const qint64 id = AddProduct(u"连衣裙"_s, u"123"_s);
  AddProduct(u"衬衫"_s, u"1234"_s);
  EXPECT_EQ(LookupValue(u"Product"_s, Value(id), u"ID"_s, u"Name"_s).toString(), u"连衣裙"_s);
  EXPECT_EQ(LookupValue(u"Product"_s, u"1234"_s, u"TID"_s, u"Name"_s).toString(), u"衬衫"_s);
  // No partial or numeric matching of a text key, and no row gives the empty text.
  EXPECT_EQ(LookupValue(u"Product"_s, u"12"_s, u"TID"_s, u"Name"_s), Value(QString()));
  EXPECT_EQ(LookupWhere(u"Product"_s, u"TID=? AND Name=?"_s, u"ID"_s, {u"123"_s, u"连衣裙"_s}),
            Value(id));
}

TEST_F(AccessLayer, QuotesAndOddTextsRoundTripWithoutReachingOtherRows) {
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

TEST_F(AccessLayer, FailingStatementChangesNothing) {
  AddProduct(u"甲"_s);
  EXPECT_FALSE(ExecuteSQL(u"UPDATE Product SET Name='乙'; INSERT INTO NoSuchTable VALUES(1)"_s));
  EXPECT_EQ(LookupValue(u"Product"_s, Value(1), u"ID"_s, u"Name"_s).toString(), u"甲"_s);
  // On a caller's connection too, and the connection stays usable.
  Connection conn;
  ASSERT_TRUE(OpenConnection(conn));
  EXPECT_FALSE(ExecuteSQL(u"DELETE FROM Product; SELECT * FROM Nowhere"_s, {}, &conn));
  EXPECT_TRUE(ExecuteSQL(u"UPDATE Product SET Name=?"_s, {u"丙"_s}, &conn));
  EXPECT_EQ(LookupValue(u"Product"_s, Value(1), u"ID"_s, u"Name"_s).toString(), u"丙"_s);
  EXPECT_TRUE(prompts.messages.isEmpty());  // ExecuteSQL never reports
}

TEST_F(AccessLayer, DropTablesByPrefixMatchesCaseSensitively) {
  ASSERT_TRUE(
      ExecuteSQL(u"CREATE TABLE T_PriceByPro(PID LONG); CREATE TABLE T_STR(A TEXT);"
                 "CREATE TABLE t_lower(A TEXT); CREATE TABLE XT_other(A TEXT)"_s));
  DropTablesByPrefix(u"T_"_s);
  EXPECT_FALSE(TableExists(u"T_PriceByPro"_s));
  EXPECT_FALSE(TableExists(u"T_STR"_s));
  EXPECT_TRUE(TableExists(u"t_lower"_s));
  EXPECT_TRUE(TableExists(u"XT_other"_s));
  EXPECT_TRUE(TableExists(u"Product"_s));
  DropTablesByPrefix(u"T_"_s);  // nothing left to drop
  DropTable(u"t_lower"_s);
  EXPECT_FALSE(TableExists(u"t_lower"_s));
}

TEST_F(AccessLayer, CountGroupsCountsDistinctValues) {
  for (const QString& shop : {u"甲店"_s, u"乙店"_s, u"甲店"_s}) {
    ASSERT_TRUE(ExecuteSQL(u"INSERT INTO Product(Shop,TMall) VALUES(?,?)"_s,
                           {shop, Value(shop == u"甲店"_s)}));
  }
  EXPECT_EQ(CountGroups(u"Product"_s, u"Shop"_s), 2);
  EXPECT_EQ(CountGroups(u"Product"_s, u"Shop"_s, u"TMall=?"_s, {Value(true)}), 1);
  EXPECT_EQ(DistinctTexts(u"Product"_s, u"Shop"_s), (QStringList{u"乙店"_s, u"甲店"_s}));
}

TEST_F(AccessLayer, FilesThatAreNotDatabasesOfThisProgram) {
  const QString real = DatabasePath(u"data.mdb"_s);
  QFile::copy(real, folder.file(u"truncated.mdb"_s));
  QFile(folder.file(u"truncated.mdb"_s)).resize(1500);
  QFile empty(folder.file(u"empty.mdb"_s));
  ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
  empty.close();
  QFile text(folder.file(u"text.mdb"_s));
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write(QByteArray(4096, 'x'));
  text.close();
  WriteForeignDatabase(folder.file(u"plain.mdb"_s), nullptr);
  WriteForeignDatabase(folder.file(u"otherkey.mdb"_s), "12345678");

  for (const QString& name : {u"truncated.mdb"_s, u"empty.mdb"_s, u"text.mdb"_s, u"plain.mdb"_s,
                              u"otherkey.mdb"_s, u"missing.mdb"_s}) {
    SCOPED_TRACE(name.toStdString());
    const QString path = folder.file(name);
    const QByteArray before = Digest(path);
    prompts.messages.clear();

    EXPECT_FALSE(TestOpenDatabase(path));
    EXPECT_TRUE(prompts.messages.isEmpty());

    Recordset rs;
    EXPECT_FALSE(OpenRecordset(rs, u"SELECT * FROM Product"_s, {}, name));
    EXPECT_EQ(prompts.messages, QStringList{u"数据库打开错误(SELECT * FROM Product)！"_s});
    EXPECT_TRUE(rs.IsEOF());
    EXPECT_TRUE(rs.IsBOF());
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_TRUE(rs.Field(u"ID"_s).isNull());

    Connection conn;
    EXPECT_FALSE(OpenConnection(conn, name));
    EXPECT_EQ(prompts.messages.last(), u"无法建立数据库连接(数据库："_s + name + u")！"_s);
    EXPECT_FALSE(ExecuteSQL(u"DELETE FROM Product"_s, {}, nullptr, name));
    EXPECT_EQ(Digest(path), before);
  }
  EXPECT_TRUE(TestOpenDatabase(real));
}
