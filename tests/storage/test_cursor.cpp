// Stepping results forward, counting them without reading them, and recordsets that read as
// they move.
#include <gtest/gtest.h>

#include "programfolder_fixture.h"
#include "scriptedprompts.h"
#include "storage/dboperate.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

class Cursors : public ::testing::Test {
 protected:
  test::TempProgramFolder folder;
  test::ScriptedPrompts prompts;

  void SetUp() override {
    CurDBFile = WorkDBFile = u"data.mdb"_s;
    // T_Many(ID, V): V = 1 … 1000, indexed.
    ASSERT_TRUE(
        ExecuteSQL(u"CREATE TABLE T_Many(ID INTEGER PRIMARY KEY, V LONG, T TEXT);"
                   "CREATE INDEX T_Many_V ON T_Many(V);"
                   "WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM k WHERE i<1000) "
                   "INSERT INTO T_Many(V,T) SELECT i, 'ORDER BY ' || i FROM k"_s));
  }

  qint64 Stepped(const QString& sql, const Params& params) {
    Cursor c;
    if (!OpenCursor(c, sql, params)) return -1;
    qint64 n = 0;
    for (; !c.IsEOF(); c.MoveNext()) ++n;
    return c.Failed() ? -1 : n;
  }
};

}  // namespace

TEST(CountingStatements, OnlyTheOutermostOrderingIsLeftOut) {
  const QList<std::pair<QString, QString>> cases = {
      {u"SELECT * FROM T ORDER BY a"_s, u"SELECT * FROM T "_s},
      {u"SELECT * FROM T order\n by a DESC LIMIT 5 OFFSET ?"_s,
       u"SELECT * FROM T LIMIT 5 OFFSET ?"_s},
      {u"SELECT * FROM (SELECT a FROM T ORDER BY a LIMIT 3)"_s,
       u"SELECT * FROM (SELECT a FROM T ORDER BY a LIMIT 3)"_s},
      {u"SELECT 'x ORDER BY y', \"ORDER BY\" FROM T"_s,
       u"SELECT 'x ORDER BY y', \"ORDER BY\" FROM T"_s},
      {u"SELECT a FROM T -- ORDER BY a\n"_s, u"SELECT a FROM T -- ORDER BY a\n"_s},
      {u"SELECT a FROM T /* ORDER BY */ ORDER BY [ORDER BY]"_s,
       u"SELECT a FROM T /* ORDER BY */ "_s},
      {u"SELECT border, orders FROM T"_s, u"SELECT border, orders FROM T"_s},
      // A parameter in the ordering would shift those after it: the statement stays whole.
      {u"SELECT a FROM T ORDER BY abs(a-?) LIMIT ?"_s,
       u"SELECT a FROM T ORDER BY abs(a-?) LIMIT ?"_s},
      {u"SELECT 1 UNION SELECT 2 ORDER BY 1"_s, u"SELECT 1 UNION SELECT 2 "_s},
  };
  for (const auto& [sql, expected] : cases)
    EXPECT_EQ(WithoutFinalOrderBy(sql), expected) << sql.toStdString();
}

TEST_F(Cursors, CountsAgreeWithTheRowsStepped) {
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
    Cursor c;
    ASSERT_TRUE(OpenCursor(c, sql, params)) << sql.toStdString();
    const qint64 counted = c.Count();
    EXPECT_EQ(counted, Stepped(sql, params)) << sql.toStdString();
    EXPECT_GE(counted, 0) << sql.toStdString();
    c.MoveNext();
    EXPECT_EQ(c.Count(), counted) << sql.toStdString();  // wherever the cursor stands
  }
  EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(Cursors, FieldsCarryTheirTypesAndEndAtTheLastRow) {
  Cursor c;
  ASSERT_TRUE(OpenCursor(c, u"SELECT ID, V, T, NULL AS N FROM T_Many WHERE V>=? ORDER BY V"_s,
                         {Value(999)}));
  EXPECT_EQ(c.FieldCount(), 4);
  EXPECT_EQ(c.FieldIndex(u"t"_s), 2);
  EXPECT_EQ(c.FieldType(1), Value::Type::Integer);
  EXPECT_EQ(c.Field(u"V"_s), Value(999));
  EXPECT_EQ(c.Field(2), Value(u"ORDER BY 999"_s));
  EXPECT_TRUE(c.Field(3).isNull());
  EXPECT_TRUE(c.Field(9).isNull());
  c.MoveNext();
  EXPECT_EQ(c.Field(1), Value(1000));
  c.MoveNext();
  EXPECT_TRUE(c.IsEOF());
  EXPECT_FALSE(c.Failed());
  EXPECT_TRUE(c.Field(1).isNull());

  EXPECT_FALSE(OpenCursor(c, u"SELECT Nope FROM T_Many"_s));
  EXPECT_EQ(prompts.messages, QStringList{u"数据库打开错误(SELECT Nope FROM T_Many)！"_s});
  EXPECT_TRUE(c.IsEOF());
  EXPECT_EQ(c.Count(), -1);
}

TEST_F(Cursors, LongRecordsetsCountExactlyMoveFreelyAndChangesNeverRepeatARow) {
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
  QList<qint64> ids;
  for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext()) ids << rs.Field(u"ID"_s).toInt();
  EXPECT_EQ(ids.size(), 1000);
  EXPECT_EQ(QSet<qint64>(ids.begin(), ids.end()).size(), 1000);
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
