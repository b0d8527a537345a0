// Describing and filling grids: the row limit and its message, the progress window, cell texts
// by value type, colour, look-up and serial-number columns, and column fitting.
#include <sqlite3.h>
#include <QFontMetrics>
#include <QRandomGenerator>

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
  const QList<std::pair<int, int>> limits{{7, 49998}, {20, 17498}, {11, 31816}, {350, 998}, {0, 0}};
  for (const auto& [cols, rows] : limits) EXPECT_EQ(GridRowLimit(cols), rows) << cols;
  EXPECT_EQ(QList<qint64>({RoundHalfEven(2.5), RoundHalfEven(3.5), RoundHalfEven(-0.5)}),
            QList<qint64>({2, 4, 0}));
}

// Exactly the limit shows all; beyond it the message, and only the rows the grid shows are read
// (the total is a count), while the progress window is open.
TEST_F(GridFill, BeyondTheRowLimitOnlyTheShownRowsAreReadAndTheMessageSaysSo) {
  MakeMany(5000, 350);  // 998 rows
  EXPECT_EQ(FillGrid(grid, u"V<=998"_s, {}, true), u"998/998"_s);
  EXPECT_TRUE(prompts.messages.isEmpty());
  EXPECT_EQ(grid.Rows(), 2 + 998);
  EXPECT_EQ(FillGrid(grid, u"V<=999"_s, {}, true), u"998/999"_s);
  EXPECT_EQ(
      prompts.messages,
      QStringList{
          u"数据库里共有999条记录，表格只能显示998条记录，因此无法全部显示，请修改筛选条件。"_s});
  EXPECT_EQ(grid.Rows(), 2 + 998);

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
  progress.shown.clear();
  prompts.messages.clear();
  EXPECT_EQ(FillGrid(grid, {}, {}, true,
                     u"SELECT ID, V, lanxi_read() AS R FROM T_Many WHERE V>? ORDER BY ID DESC"_s,
                     {Value(1000)}),
            u"998/4000"_s);
  EXPECT_EQ(
      prompts.messages,
      QStringList{
          u"数据库里共有4000条记录，表格只能显示998条记录，因此无法全部显示，请修改筛选条件。"_s});
  EXPECT_EQ(grid.Rows(), 2 + 998);
  EXPECT_EQ(grid.TextMatrix(2, 1), u"5000"_s);  // the first records in query order
  EXPECT_EQ(grid.TextMatrix(999, 1), u"4003"_s);
  EXPECT_TRUE(grid.Visible());
  EXPECT_LE(reads.rows, 998 + 1);
  EXPECT_GE(reads.whileShown, reads.rows - 1);  // all but the first, read when the fill opened
  ASSERT_FALSE(progress.shown.isEmpty());
  EXPECT_EQ(progress.shown[0], u"正在读取记录……/998"_s);
  EXPECT_FALSE(ProgressOpen());
}

TEST_F(GridFill, MoreThan100RecordsOpenTheProgressWindow) {
  MakeMany(101, 3);
  FillGrid(grid, u"V<=?"_s, {}, true, {}, {100});
  EXPECT_TRUE(progress.shown.isEmpty());
  EXPECT_EQ(grid.Rows(), 102);

  FillGrid(grid, {}, {}, true);
  EXPECT_EQ(progress.shown, QStringList{u"正在读取记录……/101"_s});
  EXPECT_EQ(Progress().pos, 101);

  // Fitting a grid of more than 200 rows shows its own progress.
  Exec(u"INSERT INTO T_Many(V) SELECT V+101 FROM T_Many"_s);
  progress.shown.clear();
  FillGrid(grid, {}, {}, true);
  EXPECT_EQ(progress.shown,
            (QStringList{u"正在读取记录……/202"_s, u"正在做交易数据表格进行格式设置……/3"_s}));
  EXPECT_FALSE(ProgressOpen());
}

TEST_F(GridFill, CellsAreFormattedByValueType) {
  Exec(
      u"CREATE TABLE T_Kinds(I LONG, D DOUBLE, Dt DATE, Dtm DATETIME, B YESNO, T TEXT, "
      "C3 LONG, N LONG, Cor LONG, PID LONG)"_s);
  Exec(u"INSERT INTO Product(ID, Name) VALUES(7, '七号产品')"_s);
  Exec(
      u"INSERT INTO T_Kinds VALUES(5, 12.5, '2012-03-05', '2012-03-05 14:07:09', 1, '文本', 5, "
      "NULL, 0, 7), (-3, 0.125, '1900-01-01', '1900-01-01 00:00:00', 0, '', 12, 4, 255, 8)"_s);
  SetupGridColumns(grid,
                   {u"I"_s, u"D"_s, u"Dt"_s, u"Dtm"_s, u"B"_s, u"T"_s, u"C3"_s, u"N"_s, u"Cor"_s,
                    u"PID:Product:ID:Name"_s, QString(), u"X"_s},
                   {u"整数"_s, u"小数"_s, u"日期"_s, u"时间"_s, u"是否"_s, u"文本"_s, u"分类"_s,
                    u"空"_s, u"颜色"_s, u"名称"_s, u"序号"_s, u"无"_s});
  EXPECT_EQ(grid.RowHeight(0), 0);
  EXPECT_EQ(grid.ColAlignment(1), Grid::kAlignLeftBottom);
  grid.SetTag(u"T_Kinds"_s);
  ASSERT_EQ(FillGrid(grid, {}, u"rowid"_s, false), u"2/2"_s);

  // By column: the first record, the second. The year 1900 is the no-date value; a "C" and
  // one character names a two-digit class; a colour is no text; PID looks up the name.
  const QStringList first{u"5"_s,
                          u"12.50"_s,
                          u"2012.03.05 00:00"_s,
                          u"2012.03.05 14:07"_s,
                          u"√"_s,
                          u"文本"_s,
                          u"05"_s,
                          {},
                          {},
                          u"七号产品"_s,
                          u"1"_s,
                          {}},
      second{u"-3"_s, u"0.13"_s, {}, {}, {}, {}, u"12"_s, u"4"_s, {}, {}, u"2"_s, {}};
  for (int c = 0; c < grid.Cols(); ++c)
    EXPECT_EQ(Column(grid, c), (QStringList{first[c], second[c]})) << c;
  EXPECT_EQ(grid.CellBackColorAt(2, 8), 65793u);  // 0 would be the default colour
  EXPECT_EQ(grid.CellBackColorAt(3, 8), 255u);

  // Numbers align right once the first record had one; other columns keep their alignment.
  for (int c : {0, 1, 6}) EXPECT_EQ(grid.ColAlignment(c), Grid::kAlignRightBottom) << c;
  for (int c : {2, 5, 7}) EXPECT_EQ(grid.ColAlignment(c), Grid::kAlignLeftTop) << c;

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
  EXPECT_EQ(Column(grid, 1), QStringList{u"甲"_s});

  grid.SetTag(u"T_Missing"_s);
  EXPECT_TRUE(FillGrid(grid, {}, {}, true).isEmpty());
  EXPECT_EQ(QList<int>({grid.Rows(), grid.Visible()}), QList<int>({2, true}));
  EXPECT_EQ(grid.TextMatrix(1, 1), u"名称"_s);
  EXPECT_TRUE(prompts.messages.isEmpty());

  // A statement that cannot run: the access layer's message, an empty grid.
  grid.SetTag(u"Product"_s);
  EXPECT_TRUE(FillGrid(grid, {}, {}, true, u"SELECT Nope FROM Product"_s).isEmpty());
  EXPECT_EQ(grid.Rows(), 2);
  ASSERT_EQ(prompts.messages.size(), 1);
  EXPECT_TRUE(prompts.messages[0].startsWith(u"数据库打开错误("_s));
}

TEST_F(GridFill, ColumnsFitTheirWidestTextCappedAtHalfTheGrid) {
  SetupGridColumns(grid, {u"K"_s, u"S"_s, u"A"_s, u"B"_s, u"E"_s},
                   {u"K"_s, u"序号"_s, u"甲"_s, u"乙"_s, u"空列"_s});
  grid.SetFixedCols(2);
  grid.SetWidth(20000);
  // Many texts of similar width, so that only an exact measure finds the widest.
  QRandomGenerator rng(7);
  const QString pool = u"0123456789.,-ilWM中文商品价格√ "_s;
  grid.SetRows(2 + 400);
  for (int r = 2; r < grid.Rows(); ++r) {
    grid.SetTextMatrix(r, 0, u"hidden key"_s);
    for (int i = 0, n = 3 + rng.bounded(12); i < n; ++i)
      grid.SetTextMatrix(r, 2, grid.TextMatrix(r, 2) + pool[rng.bounded(int(pool.size()))]);
  }
  grid.SetTextMatrix(5, 3, QString(300, u'宽'));
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

  // An empty grid measures from row 0, the field entries included.
  grid.SetRows(2);
  AutoFitColumns(grid, 2);
  EXPECT_EQ(grid.ColWidth(4),
            std::max(fm.horizontalAdvance(u"E"_s), fm.horizontalAdvance(u"空列"_s)) * 15 + 120);
}
