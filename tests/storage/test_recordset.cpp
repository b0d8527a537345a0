// Recordsets: exact counts, moving, values typed by their columns, and changing rows through
// them the way the catalogue and product code does.
#include <gtest/gtest.h>

#include "programfolder_fixture.h"
#include "scriptedprompts.h"
#include "storage/dboperate.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

class Recordsets : public ::testing::Test {
 protected:
  test::TempProgramFolder folder;
  test::ScriptedPrompts prompts;

  void SetUp() override {
    WorkDBFile = u"data.mdb"_s;
    ASSERT_TRUE(
        ExecuteSQL(u"INSERT INTO Product(Name,TMall) VALUES('甲',1),('乙',0),('丙',0);"
                   "INSERT INTO PInfo(PID,Dat,Price,PPrice,Sales,Stock) VALUES"
                   "(1,'2024-01-05',99.5,79.9,10,100),(1,'2024-01-06',99.5,89,12,88),"
                   "(2,'2024-01-05',20,20,3,NULL)"_s));
  }
};

}  // namespace

TEST_F(Recordsets, CountsAndMoves) {
  Recordset rs;
  ASSERT_TRUE(OpenRecordset(rs, u"SELECT * FROM Product ORDER BY ID DESC"_s));
  EXPECT_EQ(rs.RecordCount(), 3);
  EXPECT_EQ(rs.Field(u"name"_s).toString(), u"丙"_s);  // field names ignore case
  rs.MoveLast();
  EXPECT_EQ(rs.Field(u"Name"_s).toString(), u"甲"_s);
  rs.MoveNext();
  EXPECT_TRUE(rs.IsEOF());
  EXPECT_TRUE(rs.Field(u"Name"_s).isNull());
  rs.MoveFirst();
  rs.MovePrevious();
  EXPECT_TRUE(rs.IsBOF());

  ASSERT_TRUE(OpenRecordset(rs, u"SELECT * FROM Product WHERE ID<0"_s));
  EXPECT_EQ(rs.RecordCount(), 0);
  EXPECT_TRUE(rs.IsEOF() && rs.IsBOF());
  CloseRecordset(rs);
  EXPECT_FALSE(rs.IsOpen());
}

TEST_F(Recordsets, ValuesCarryTheirColumnsTypes) {
  Recordset rs;
  ASSERT_TRUE(OpenRecordset(rs,
                            u"SELECT PInfo.*, Product.TMall FROM PInfo, Product "
                            "WHERE PInfo.PID=Product.ID ORDER BY PInfo.ID"_s));
  EXPECT_EQ(rs.Field(u"Dat"_s), Value(QDate(2024, 1, 5)));
  EXPECT_EQ(rs.Field(u"Price"_s).type(), Value::Type::Double);
  EXPECT_EQ(rs.Field(u"Sales"_s), Value(10));
  EXPECT_EQ(rs.Field(u"TMall"_s), Value(true));
  EXPECT_EQ(FormatValue(rs.Field(u"Price"_s), true), u"99.50"_s);
  EXPECT_EQ(FormatValue(rs.Field(u"Dat"_s), true), u"2024.01.05"_s);
  EXPECT_EQ(FormatValue(rs.Field(u"TMall"_s), true), u"√"_s);
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

TEST_F(Recordsets, AddNewReadsBackWhatTheDatabaseFilledIn) {
  Recordset rs;
  const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
  ASSERT_TRUE(
      OpenRecordset(rs, u"SELECT * FROM DBInfo WHERE Name=?"_s, {u"女装"_s}, u"PARA.mdb"_s));
  EXPECT_TRUE(rs.IsEOF());
  rs.AddNew();
  ASSERT_TRUE(rs.SetField(u"Name"_s, u"女装"_s));
  ASSERT_TRUE(rs.Update());
  const QDateTime dat = rs.Field(u"Dat"_s).toDateTime();
  EXPECT_EQ(rs.Field(u"Dat"_s).type(), Value::Type::DateTime);
  EXPECT_GE(dat, before);
  EXPECT_LE(dat, QDateTime::currentDateTime().addSecs(1));
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
}

TEST_F(Recordsets, UpdateAndDeleteTouchOnlyTheCurrentRow) {
  Recordset rs;
  ASSERT_TRUE(OpenRecordset(rs, u"SELECT ID, Name FROM Product WHERE TMall=0 ORDER BY ID"_s));
  ASSERT_EQ(rs.UpdatableTable(), u"Product"_s);
  ASSERT_TRUE(rs.SetField(u"Name"_s, u"乙'改"_s));
  EXPECT_EQ(rs.Field(u"Name"_s).toString(), u"乙'改"_s);
  ASSERT_TRUE(rs.Update());
  rs.MoveNext();
  ASSERT_TRUE(rs.Delete());
  EXPECT_EQ(rs.Field(u"Name"_s).toString(), u"丙"_s);  // stays current until the next move
  rs.MoveNext();
  EXPECT_TRUE(rs.IsEOF());
  EXPECT_EQ(rs.RecordCount(), 1);
  rs.MovePrevious();
  EXPECT_EQ(rs.Field(u"Name"_s).toString(), u"乙'改"_s);  // the deleted row is skipped
  CloseRecordset(rs);

  ASSERT_TRUE(OpenRecordset(rs, u"SELECT Name FROM Product ORDER BY ID"_s));
  QStringList names;
  for (; !rs.IsEOF(); rs.MoveNext()) names << rs.Field(0).toString();
  EXPECT_EQ(names, (QStringList{u"甲"_s, u"乙'改"_s}));
}

TEST_F(Recordsets, EditThatIsNotSavedIsDropped) {
  Recordset rs;
  ASSERT_TRUE(OpenRecordset(rs, u"SELECT * FROM Product ORDER BY ID"_s));
  rs.SetField(u"Name"_s, u"未保存"_s);
  rs.MoveNext();
  rs.MoveFirst();
  EXPECT_EQ(rs.Field(u"Name"_s).toString(), u"甲"_s);
  EXPECT_EQ(LookupValue(u"Product"_s, Value(1), u"ID"_s, u"Name"_s).toString(), u"甲"_s);
}

TEST_F(Recordsets, BadStatementReportsAndReadsEmpty) {
  Recordset rs;
  EXPECT_FALSE(OpenRecordset(rs, u"SELECT * FROM NoSuchTable"_s));
  EXPECT_EQ(prompts.messages, QStringList{u"数据库打开错误(SELECT * FROM NoSuchTable)！"_s});
  EXPECT_FALSE(rs.IsOpen());
  EXPECT_EQ(rs.RecordCount(), 0);
  rs.AddNew();
  EXPECT_FALSE(rs.SetField(u"Name"_s, u"甲"_s));
  EXPECT_FALSE(rs.Delete());
}
