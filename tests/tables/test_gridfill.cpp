// Filling grids: the row limit and its message, the progress window and column fitting.
#include <sqlite3.h>
#include <QFontMetrics>

#include "tables/gridoperate.h"
#include "tablesfixture.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

class GridFill : public test::TablesTest {
 protected:
  Grid grid;
  // A table T_Many(ID, V) with n rows, V = 1 … n, shown in a grid of `cols` columns (ID, V and
  // empty ones).
  void MakeMany(int n, int cols) {
    Exec(u"CREATE TABLE T_Many(ID INTEGER PRIMARY KEY, V LONG)"_s);
    Exec(
        u"WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM k WHERE i<?) "
        "INSERT INTO T_Many(V) SELECT i FROM k"_s,
        {n});
    QStringList fields{u"ID"_s, u"V"_s}, titles{u"ID"_s, u"值"_s};
    while (fields.size() < cols) fields << QString(), titles << u"空"_s;
    SetupGridColumns(grid, fields, titles);
    grid.SetTag(u"T_Many"_s);
  }
};

}  // namespace

TEST_F(GridFill, RowLimitKeepsCellsWithin350000) {
  const QList<std::pair<int, int>> limits{{7, 49998}, {11, 31816}, {350, 998}, {0, 0}};
  for (const auto& [cols, rows] : limits) EXPECT_EQ(GridRowLimit(cols), rows) << cols;
  EXPECT_EQ(QList<qint64>({RoundHalfEven(2.5), RoundHalfEven(3.5), RoundHalfEven(-0.5)}),
            QList<qint64>({2, 4, 0}));
}

// Exactly the limit shows all; beyond it the message, and only the shown rows are read.
TEST_F(GridFill, BeyondTheRowLimitOnlyTheShownRowsAreReadAndTheMessageSaysSo) {
  MakeMany(5000, 350);  // 998 rows
  EXPECT_EQ(FillGrid(grid, u"V<=998"_s, {}, true), u"998/998"_s);
  EXPECT_TRUE(prompts.messages.isEmpty());
  EXPECT_EQ(grid.Rows(), 2 + 998);

  int reads = 0;
  Connection conn;
  ASSERT_TRUE(conn.open(DatabasePath(CurDBFile)));  // the handle FillGrid works on
  ASSERT_TRUE(conn.isKept());
  sqlite3_create_function(
      conn.handle(), "lanxi_read", 0, SQLITE_UTF8, &reads,
      [](sqlite3_context* ctx, int, sqlite3_value**) {
        sqlite3_result_int(ctx, ++*static_cast<int*>(sqlite3_user_data(ctx)));
      },
      nullptr, nullptr);
  progress.shown.clear();
  EXPECT_EQ(FillGrid(grid, {}, {}, true,
                     u"SELECT ID, V, lanxi_read() AS R FROM T_Many WHERE V>? ORDER BY ID DESC"_s,
                     {Value(1000)}),
            u"998/4000"_s);
  EXPECT_EQ(
      prompts.messages,
      QStringList{
          u"数据库里共有4000条记录，表格只能显示998条记录，因此无法全部显示，请修改筛选条件。"_s});
  EXPECT_EQ(grid.TextMatrix(2, 1), u"5000"_s);  // the first records in query order
  EXPECT_EQ(grid.TextMatrix(999, 1), u"4003"_s);
  EXPECT_LE(reads, 998 + 1);
  EXPECT_EQ(progress.shown.value(0), u"正在读取记录……/998"_s);
}

TEST_F(GridFill, MoreThan100RecordsOpenTheProgressWindow) {
  MakeMany(101, 3);
  FillGrid(grid, u"V<=?"_s, {}, true, {}, {100});
  EXPECT_TRUE(progress.shown.isEmpty());
  FillGrid(grid, {}, {}, true);
  EXPECT_EQ(progress.shown, QStringList{u"正在读取记录……/101"_s});
  // Fitting a grid of more than 200 rows shows its own progress.
  Exec(u"INSERT INTO T_Many(V) SELECT V+101 FROM T_Many"_s);
  progress.shown.clear();
  FillGrid(grid, {}, {}, true);
  EXPECT_EQ(progress.shown,
            (QStringList{u"正在读取记录……/202"_s, u"正在做交易数据表格进行格式设置……/3"_s}));
}

TEST_F(GridFill, NothingIsReadWithoutTheTagTableOrFromAStatementThatFails) {
  Exec(u"INSERT INTO Product(Name) VALUES('甲')"_s);
  SetupGridColumns(grid, {u"ID"_s, u"Name"_s}, {u"ID"_s, u"名称"_s});
  grid.SetTag(u"Product"_s);
  ASSERT_EQ(FillGrid(grid, {}, {}, true), u"1/1"_s);

  grid.SetTag(u"T_Missing"_s);
  EXPECT_TRUE(FillGrid(grid, {}, {}, true).isEmpty());
  EXPECT_EQ(QList<int>({grid.Rows(), grid.Visible()}), QList<int>({2, true}));
  EXPECT_TRUE(prompts.messages.isEmpty());
  // A statement that cannot run: the access layer's message, an empty grid.
  grid.SetTag(u"Product"_s);
  EXPECT_TRUE(FillGrid(grid, {}, {}, true, u"SELECT Nope FROM Product"_s).isEmpty());
  EXPECT_TRUE(prompts.messages.value(0).startsWith(u"数据库打开错误("_s));
}

TEST_F(GridFill, ColumnsFitTheirWidestTextCappedAtHalfTheGrid) {
  SetupGridColumns(grid, {u"K"_s, u"S"_s, u"A"_s, u"B"_s, u"E"_s},
                   {u"K"_s, u"序号"_s, u"甲"_s, u"乙"_s, u"空列"_s});
  grid.SetFixedCols(2);
  grid.SetWidth(20000);
  // The longest text is not the widest: only an exact measure finds it.
  grid.SetRows(4);
  grid.SetTextMatrix(2, 2, u"iiiiiiiiiiii.,"_s);
  grid.SetTextMatrix(3, 2, u"WM中文"_s);
  grid.SetTextMatrix(3, 3, QString(300, u'宽'));
  AutoFitColumns(grid, 1);

  const QFontMetrics fm(grid.Font());
  int widest = 0;
  for (int r = 1; r < grid.Rows(); ++r)
    widest = std::max(widest, fm.horizontalAdvance(grid.TextMatrix(r, 2)));
  const auto widths = [&] {
    QList<int> w;
    for (int c = 0; c < grid.Cols(); ++c) w << grid.ColWidth(c);
    return w;
  };
  // Left of the last fixed column: hidden; then text width in twips plus margins.
  EXPECT_EQ(widths(), QList<int>({0, fm.horizontalAdvance(u"序号"_s) * 15 + 120, widest * 15 + 120,
                                  20000 / 2 + 20, fm.horizontalAdvance(u"空列"_s) * 15 + 120}));
  // From the first record on, the title counts only beside a non-empty cell.
  AutoFitColumns(grid, 2);
  EXPECT_EQ(widths(), QList<int>({0, 70, widest * 15 + 120, 20000 / 2 + 20, 70}));
}
