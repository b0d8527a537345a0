// Describing and filling grids: the row limit and its message, the progress window, cell texts
// by value type, colour, look-up and serial-number columns, and column fitting.
#include <sqlite3.h>
#include <QFontMetrics>
#include <QRandomGenerator>

#include "tables/gridoperate.h"
#include "tablesfixture.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using lanxi::test::TablesTest;

namespace {

class GridFill : public TablesTest {
 protected:
  Grid grid;

  // A table T_Many(ID, V) with n rows, V = 1 … n.
  void MakeMany(int n) {
    Exec(u"CREATE TABLE T_Many(ID INTEGER PRIMARY KEY, V LONG)"_s);
    Exec(
        u"WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM k WHERE i<?) "
        "INSERT INTO T_Many(V) SELECT i FROM k"_s,
        {n});
  }

  // A grid of `cols` columns showing ID and V, the rest empty.
  void DescribeMany(int cols) {
    QStringList fields{u"ID"_s, u"V"_s}, titles{u"ID"_s, u"值"_s};
    while (fields.size() < cols) {
      fields << QString();
      titles << u"空"_s;
    }
    SetupGridColumns(grid, fields, titles);
    grid.SetTag(u"T_Many"_s);
  }
};

}  // namespace

TEST_F(GridFill, RowLimitKeepsCellsWithin350000) {
  EXPECT_EQ(GridRowLimit(7), 49998);
  EXPECT_EQ(GridRowLimit(20), 17498);
  EXPECT_EQ(GridRowLimit(11), 31816);
  EXPECT_EQ(GridRowLimit(350), 998);
  EXPECT_EQ(GridRowLimit(0), 0);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-0.5), 0);
}

TEST_F(GridFill, ExactlyTheLimitShowsAllOneMoreShowsTheMessageAndTheLimit) {
  MakeMany(999);
  DescribeMany(350);
  EXPECT_EQ(FillGrid(grid, u"V<=998"_s, {}, true), u"998/998"_s);
  EXPECT_TRUE(prompts.messages.isEmpty());
  EXPECT_EQ(grid.Rows(), 2 + 998);

  EXPECT_EQ(FillGrid(grid, {}, u"V DESC"_s, true), u"998/999"_s);
  ASSERT_EQ(prompts.messages.size(), 1);
  EXPECT_EQ(prompts.messages[0],
            u"数据库里共有999条记录，表格只能显示998条记录，因此无法全部显示，请修改筛选条件。"_s);
  EXPECT_EQ(grid.Rows(), 2 + 998);
  EXPECT_EQ(grid.TextMatrix(2, 1), u"999"_s);  // the first records in query order
  EXPECT_EQ(grid.TextMatrix(999, 1), u"2"_s);
  EXPECT_TRUE(grid.Visible());
}

TEST_F(GridFill, MoreThan100RecordsOpenTheProgressWindow) {
  MakeMany(101);
  DescribeMany(3);
  FillGrid(grid, u"V<=?"_s, {}, true, {}, {100});
  EXPECT_TRUE(progress.shown.isEmpty());
  EXPECT_EQ(grid.Rows(), 102);

  FillGrid(grid, {}, {}, true);
  EXPECT_EQ(progress.shown, QStringList{u"正在读取记录……/101"_s});
  EXPECT_EQ(Progress().pos, 101);
  EXPECT_FALSE(ProgressOpen());

  // Fitting a grid of more than 200 rows shows its own progress.
  Exec(u"INSERT INTO T_Many(V) SELECT V+101 FROM T_Many"_s);
  progress.shown.clear();
  FillGrid(grid, {}, {}, true);
  EXPECT_EQ(progress.shown,
            (QStringList{u"正在读取记录……/202"_s, u"正在做交易数据表格进行格式设置……/3"_s}));
  EXPECT_FALSE(ProgressOpen());
}

// The rows a grid cannot show are never read: the total is a count, and the rows that are read
// are read while the progress window is open.
TEST_F(GridFill, OnlyTheShownRowsAreReadWhileTheProgressWindowShows) {
  MakeMany(5000);
  DescribeMany(350);  // 998 rows
  struct Reads {
    int rows = 0;
    int whileShown = 0;
  } reads;
  Connection conn;
  ASSERT_TRUE(conn.open(DatabasePath(CurDBFile)));  // the handle FillGrid works on
  ASSERT_TRUE(conn.isKept());
  sqlite3_create_function(
      conn.handle(), "lanxi_read", 0, SQLITE_UTF8, &reads,
      [](sqlite3_context* ctx, int, sqlite3_value**) {
        auto* r = static_cast<Reads*>(sqlite3_user_data(ctx));
        ++r->rows;
        if (ProgressOpen()) ++r->whileShown;
        sqlite3_result_int(ctx, r->rows);
      },
      nullptr, nullptr);

  EXPECT_EQ(FillGrid(grid, {}, {}, true,
                     u"SELECT ID, V, lanxi_read() AS R FROM T_Many WHERE V>? ORDER BY ID DESC"_s,
                     {Value(1000)}),
            u"998/4000"_s);
  EXPECT_EQ(
      prompts.messages,
      QStringList{
          u"数据库里共有4000条记录，表格只能显示998条记录，因此无法全部显示，请修改筛选条件。"_s});
  EXPECT_EQ(grid.Rows(), 2 + 998);
  EXPECT_EQ(grid.TextMatrix(2, 1), u"5000"_s);
  EXPECT_EQ(grid.TextMatrix(999, 1), u"4003"_s);
  EXPECT_LE(reads.rows, 998 + 1);
  EXPECT_GE(reads.whileShown, reads.rows - 1);  // all but the first, read when the fill opened
  ASSERT_FALSE(progress.shown.isEmpty());
  EXPECT_EQ(progress.shown[0], u"正在读取记录……/998"_s);
  EXPECT_FALSE(ProgressOpen());
}

TEST_F(GridFill, CellsAreFormattedByValueType) {
  Exec(
      u"CREATE TABLE T_Kinds(I LONG, D DOUBLE, Dt DATE, Dtm DATETIME, B YESNO, T TEXT, "
      "C3 LONG, N LONG, Cor LONG, PID LONG)"_s);
  Exec(u"INSERT INTO Product(ID, Name) VALUES(7, '七号产品')"_s);
  Exec(
      u"INSERT INTO T_Kinds VALUES(5, 12.5, '2012-03-05', '2012-03-05 14:07:09', 1, '文本', "
      "5, NULL, 0, 7)"_s);
  Exec(
      u"INSERT INTO T_Kinds VALUES(-3, 0.125, '1900-01-01', '1900-01-01 00:00:00', 0, '', "
      "12, 4, 255, 8)"_s);
  const QStringList fields{u"I"_s,    u"D"_s,  u"Dt"_s, u"Dtm"_s, u"B"_s,
                           u"T"_s,    u"C3"_s, u"N"_s,  u"Cor"_s, u"PID:Product:ID:Name"_s,
                           QString(), u"X"_s};
  const QStringList titles{u"整数"_s, u"小数"_s, u"日期"_s, u"时间"_s, u"是否"_s, u"文本"_s,
                           u"分类"_s, u"空"_s,   u"颜色"_s, u"名称"_s, u"序号"_s, u"无"_s};
  SetupGridColumns(grid, fields, titles);
  EXPECT_EQ(grid.RowHeight(0), 0);
  EXPECT_EQ(grid.ColAlignment(1), Grid::kAlignLeftBottom);
  grid.SetTag(u"T_Kinds"_s);
  ASSERT_EQ(FillGrid(grid, {}, u"rowid"_s, false), u"2/2"_s);

  EXPECT_EQ(grid.TextMatrix(2, 0), u"5"_s);
  EXPECT_EQ(grid.TextMatrix(3, 0), u"-3"_s);
  EXPECT_EQ(grid.TextMatrix(2, 1), u"12.50"_s);
  EXPECT_EQ(grid.TextMatrix(2, 2), u"2012.03.05 00:00"_s);
  EXPECT_EQ(grid.TextMatrix(2, 3), u"2012.03.05 14:07"_s);
  EXPECT_TRUE(grid.TextMatrix(3, 2).isEmpty());  // the no-date value
  EXPECT_TRUE(grid.TextMatrix(3, 3).isEmpty());
  EXPECT_EQ(grid.TextMatrix(2, 4), u"√"_s);
  EXPECT_TRUE(grid.TextMatrix(3, 4).isEmpty());
  EXPECT_EQ(grid.TextMatrix(2, 5), u"文本"_s);
  EXPECT_EQ(grid.TextMatrix(2, 6), u"05"_s);  // "C" + one character: two digits
  EXPECT_EQ(grid.TextMatrix(3, 6), u"12"_s);
  EXPECT_TRUE(grid.TextMatrix(2, 7).isEmpty());
  EXPECT_EQ(grid.TextMatrix(3, 7), u"4"_s);
  EXPECT_EQ(grid.CellBackColorAt(2, 8), 65793u);  // 0 would be the default colour
  EXPECT_EQ(grid.CellBackColorAt(3, 8), 255u);
  EXPECT_TRUE(grid.TextMatrix(2, 8).isEmpty());
  EXPECT_EQ(grid.TextMatrix(2, 9), u"七号产品"_s);
  EXPECT_TRUE(grid.TextMatrix(3, 9).isEmpty());  // no such product
  EXPECT_EQ(Column(grid, 10), (QStringList{u"1"_s, u"2"_s}));
  EXPECT_EQ(Column(grid, 11), (QStringList{QString(), QString()}));

  // Numbers align right once the first record had one; other columns keep their alignment.
  EXPECT_EQ(grid.ColAlignment(0), Grid::kAlignRightBottom);
  EXPECT_EQ(grid.ColAlignment(1), Grid::kAlignRightBottom);
  EXPECT_EQ(grid.ColAlignment(6), Grid::kAlignRightBottom);
  EXPECT_EQ(grid.ColAlignment(7), Grid::kAlignLeftTop);  // null in the first record
  EXPECT_EQ(grid.ColAlignment(2), Grid::kAlignLeftTop);
  EXPECT_EQ(grid.ColAlignment(5), Grid::kAlignLeftTop);

  // With the date-only flag.
  ASSERT_EQ(FillGrid(grid, u"I=?"_s, {}, true, {}, {5}), u"1/1"_s);
  EXPECT_EQ(grid.TextMatrix(2, 3), u"2012.03.05"_s);
}

TEST_F(GridFill, NothingIsReadWithoutTheTagTableOrWithMismatchedDescriptions) {
  Exec(u"INSERT INTO Product(Name) VALUES('甲')"_s);
  SetupGridColumns(grid, {u"ID"_s, u"Name"_s}, {u"ID"_s, u"名称"_s});
  grid.SetTag(u"Product"_s);
  ASSERT_EQ(FillGrid(grid, {}, {}, true), u"1/1"_s);

  SetupGridColumns(grid, {u"ID"_s, u"Name"_s, u"Owner"_s}, {u"ID"_s, u"名称"_s});
  EXPECT_EQ(grid.Cols(), 2);
  EXPECT_EQ(grid.Rows(), 3);
  EXPECT_EQ(grid.TextMatrix(2, 1), u"甲"_s);

  grid.SetTag(u"T_Missing"_s);
  EXPECT_TRUE(FillGrid(grid, {}, {}, true).isEmpty());
  EXPECT_EQ(grid.Rows(), 2);
  EXPECT_EQ(grid.TextMatrix(1, 1), u"名称"_s);
  EXPECT_TRUE(grid.Visible());
  EXPECT_TRUE(prompts.messages.isEmpty());

  // A statement that cannot run: the access layer's message, an empty grid.
  grid.SetTag(u"Product"_s);
  EXPECT_TRUE(FillGrid(grid, {}, {}, true, u"SELECT Nope FROM Product"_s).isEmpty());
  EXPECT_EQ(grid.Rows(), 2);
  ASSERT_EQ(prompts.messages.size(), 1);
  EXPECT_TRUE(prompts.messages[0].startsWith(u"数据库打开错误("_s));
}

TEST_F(GridFill, ColumnsFitTheirWidestTextCappedAtHalfTheGrid) {
  // Many texts of similar width, so that only an exact measure finds the widest.
  QStringList fields{u"K"_s, u"S"_s, u"A"_s, u"B"_s, u"E"_s},
      titles{u"K"_s, u"序号"_s, u"甲"_s, u"乙"_s, u"空列"_s};
  SetupGridColumns(grid, fields, titles);
  grid.SetFixedCols(2);
  grid.SetWidth(20000);
  QRandomGenerator rng(7);
  const QString pool = u"0123456789.,-ilWM中文商品价格√ "_s;
  grid.SetRows(2 + 400);
  for (int r = 2; r < grid.Rows(); ++r) {
    QString t;
    for (int i = 0, n = 3 + rng.bounded(12); i < n; ++i) t += pool[rng.bounded(int(pool.size()))];
    grid.SetTextMatrix(r, 0, u"hidden key"_s);
    grid.SetTextMatrix(r, 2, t);
  }
  grid.SetTextMatrix(5, 3, QString(300, u'宽'));
  AutoFitColumns(grid, 1);

  const QFontMetrics fm(grid.Font());
  int widest = 0;
  for (int r = 1; r < grid.Rows(); ++r)
    widest = std::max(widest, fm.horizontalAdvance(grid.TextMatrix(r, 2)));
  EXPECT_EQ(grid.ColWidth(0), 0);  // left of the last fixed column: hidden
  EXPECT_EQ(grid.ColWidth(1), fm.horizontalAdvance(u"序号"_s) * 15 + 100 + 20);
  EXPECT_EQ(grid.ColWidth(2), widest * 15 + 100 + 20);
  EXPECT_EQ(grid.ColWidth(3), 20000 / 2 + 20);
  EXPECT_EQ(grid.ColWidth(4), fm.horizontalAdvance(u"空列"_s) * 15 + 120);  // from the title row

  // From the first record on, the title counts only beside a non-empty cell.
  AutoFitColumns(grid, 2);
  EXPECT_EQ(grid.ColWidth(4), 50 + 20);
  EXPECT_EQ(grid.ColWidth(1), 50 + 20);
  EXPECT_EQ(grid.ColWidth(2), widest * 15 + 120);

  // An empty grid measures from row 0, the field entries included.
  grid.SetRows(2);
  AutoFitColumns(grid, 2);
  EXPECT_EQ(grid.ColWidth(4),
            std::max(fm.horizontalAdvance(u"E"_s), fm.horizontalAdvance(u"空列"_s)) * 15 + 120);
}
