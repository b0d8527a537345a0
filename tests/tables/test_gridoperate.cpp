// What happens to a filled grid: sorting by a title click, serial numbers, deleting rows from
// grid and database, cell geometry on scrolled grids and the check column.
#include "common/progresssteps.h"
#include "tables/gridoperate.h"
#include "tablesfixture.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using lanxi::test::TablesTest;

namespace {

class GridOperate : public TablesTest {
 protected:
  Grid grid;

  // The product list: hidden ID, serial number, name, a numeric column.
  void LoadProducts(const QList<std::pair<QString, int>>& products) {
    for (const auto& [name, wid] : products)
      Exec(u"INSERT INTO Product(Name, WID) VALUES(?, ?)"_s, {name, wid});
    SetupGridColumns(grid, {u"ID"_s, QString(), u"Name"_s, u"WID"_s},
                     {u"ID"_s, u"序号"_s, u"产品名称"_s, u"数量"_s});
    grid.SetTag(u"Product"_s);
    grid.SetFixedCols(2);
    FillGrid(grid, {}, u"ID"_s, true);
  }

  QStringList Names() const { return Column(grid, 2); }
  QStringList Titles() const {
    QStringList t;
    for (int c = 0; c < grid.Cols(); ++c) t << grid.TextMatrix(1, c);
    return t;
  }
};

}  // namespace

TEST_F(GridOperate, NumericTitlesSortUpThenDownTextTitlesDownThenUp) {
  LoadProducts({{u"b"_s, 30}, {u"a"_s, 4}, {u"c"_s, 200}, {u"B"_s, 4}});
  ASSERT_EQ(grid.ColAlignment(3), Grid::kAlignRightBottom);

  SortByColumn(grid, 3);
  EXPECT_EQ(Column(grid, 3), (QStringList{u"4"_s, u"4"_s, u"30"_s, u"200"_s}));  // as numbers
  EXPECT_EQ(Names(), (QStringList{u"a"_s, u"B"_s, u"b"_s, u"c"_s}));
  EXPECT_EQ(grid.TextMatrix(1, 3), u"数量△"_s);
  EXPECT_EQ(Column(grid, 1), (QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s}));
  SortByColumn(grid, 3);
  EXPECT_EQ(Column(grid, 3), (QStringList{u"200"_s, u"30"_s, u"4"_s, u"4"_s}));
  EXPECT_EQ(grid.TextMatrix(1, 3), u"数量▽"_s);

  // A text title: descending first, marked "△"; the other title loses its mark.
  SortByColumn(grid, 2);
  EXPECT_EQ(Names(), (QStringList{u"c"_s, u"b"_s, u"a"_s, u"B"_s}));
  EXPECT_EQ(Titles(), (QStringList{u"ID"_s, u"序号"_s, u"产品名称△"_s, u"数量"_s}));
  SortByColumn(grid, 2);
  EXPECT_EQ(Names(), (QStringList{u"B"_s, u"a"_s, u"b"_s, u"c"_s}));
  EXPECT_EQ(grid.TextMatrix(1, 2), u"产品名称▽"_s);
  EXPECT_EQ(Column(grid, 1), (QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s}));
}

TEST_F(GridOperate, TitleClicksFindTheirColumnPastTheScrolledOutOnes) {
  LoadProducts({{u"b"_s, 30}, {u"a"_s, 4}, {u"c"_s, 200}});
  grid.SetColWidth(0, 0);
  grid.SetColWidth(1, 500);
  grid.SetColWidth(2, 1000);
  grid.SetColWidth(3, 800);
  grid.SetRowHeight(1, 300);
  const QList<int> widths{0, 500, 1000, 800};

  SortOnHeaderClick(grid, 600, 400);  // below the titles: nothing
  EXPECT_EQ(Names(), (QStringList{u"b"_s, u"a"_s, u"c"_s}));
  SortOnHeaderClick(grid, 1600, 150);  // name column (500 … 1500)? no: past it, the numbers
  EXPECT_EQ(grid.TextMatrix(1, 3), u"数量△"_s);
  SortOnHeaderClick(grid, 1499, 300);
  EXPECT_EQ(grid.TextMatrix(1, 2), u"产品名称△"_s);

  grid.SetLeftCol(3);  // the name column scrolled out: the numbers follow the fixed columns
  SortOnHeaderClick(grid, 600, 10);
  EXPECT_EQ(grid.TextMatrix(1, 3), u"数量△"_s);
  EXPECT_EQ(Column(grid, 3), (QStringList{u"4"_s, u"30"_s, u"200"_s}));
  SortOnHeaderClick(grid, 2000, 10);  // past the last column: nothing
  EXPECT_EQ(grid.TextMatrix(1, 3), u"数量△"_s);

  SortOnHeaderClick(grid, 400, 10);  // the fixed columns' titles: fit again
  EXPECT_NE(grid.ColWidth(2), 1000);
  EXPECT_EQ(grid.ColWidth(0), 0);
}

TEST_F(GridOperate, DeletingABlockRemovesItsRecordsAndShiftsTheRest) {
  LoadProducts(
      {{u"p1"_s, 1}, {u"p2"_s, 2}, {u"p3"_s, 3}, {u"p4"_s, 4}, {u"p5"_s, 5}, {u"p6"_s, 6}});
  prompts.answers << false << true;
  EXPECT_FALSE(DeleteGridRows(grid, 5, 3, true));  // No: nothing happens
  EXPECT_EQ(grid.Rows(), 8);
  EXPECT_TRUE(DeleteGridRows(grid, 5, 3, true));  // selected from the bottom up
  EXPECT_EQ(prompts.questions, (QStringList(2, u"您确定要删除第2-4行数据？"_s)));
  EXPECT_EQ(Names(), (QStringList{u"p1"_s, u"p5"_s, u"p6"_s}));
  EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Product WHERE Name IN ('p2','p3','p4')"_s), 0);
  EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Product"_s), 3);

  // Header rows are never deleted: the range is cut to the records.
  EXPECT_TRUE(DeleteGridRows(grid, 0, 2, false));
  EXPECT_EQ(Names(), (QStringList{u"p5"_s, u"p6"_s}));
  EXPECT_EQ(grid.TextMatrix(1, 2), u"产品名称"_s);
  EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Product"_s), 2);
  EXPECT_FALSE(DeleteGridRows(grid, 0, 1, false));
  EXPECT_EQ(grid.Rows(), 4);

  // Without an "ID" column only the grid changes.
  grid.SetTextMatrix(0, 0, u"Key"_s);
  EXPECT_TRUE(DeleteGridRows(grid, 2, 2, false));
  EXPECT_EQ(Names(), QStringList{u"p6"_s});
  EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Product"_s), 2);
  EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(GridOperate, ARefusedDeletionChangesNeitherDatabaseNorGrid) {
  LoadProducts({{u"p1"_s, 1}, {u"p2"_s, 2}, {u"keep"_s, 3}, {u"p4"_s, 4}});
  Exec(
      u"CREATE TRIGGER NoKeep BEFORE DELETE ON Product WHEN old.Name='keep' "
      "BEGIN SELECT RAISE(ABORT, 'kept'); END"_s);
  EXPECT_FALSE(DeleteGridRows(grid, 2, 5, false));
  EXPECT_EQ(Names(), (QStringList{u"p1"_s, u"p2"_s, u"keep"_s, u"p4"_s}));
  EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Product"_s), 4);  // p1 and p2 came back too
  EXPECT_EQ(prompts.messages, QStringList{u"删除记录时出错，数据库和表格中的记录都没有删除！"_s});
  EXPECT_FALSE(ProgressOpen());
}

TEST_F(GridOperate, LargeDeletionsShowProgressOverBothHalves) {
  Exec(
      u"WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM k WHERE i<150) "
      "INSERT INTO Product(Name, WID) SELECT 'n' || i, i FROM k"_s);
  SetupGridColumns(grid, {u"ID"_s, QString(), u"Name"_s, u"WID"_s},
                   {u"ID"_s, u"序号"_s, u"产品名称"_s, u"数量"_s});
  grid.SetTag(u"Product"_s);
  FillGrid(grid, {}, u"ID"_s, true);
  progress.shown.clear();
  EXPECT_TRUE(DeleteGridRows(grid, 2, 121, false));  // 120 rows
  EXPECT_EQ(progress.shown, QStringList{u"正在删除记录……/240"_s});
  EXPECT_EQ(Progress().pos, 240);
  EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Product"_s), 30);
  EXPECT_EQ(grid.TextMatrix(2, 2), u"n121"_s);
}

TEST_F(GridOperate, ASortWhileTheProgressWindowRunsEventsDoesNotChangeWhatIsDeleted) {
  Exec(
      u"WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM k WHERE i<150) "
      "INSERT INTO Product(Name, WID) SELECT 'n' || i, i FROM k"_s);
  SetupGridColumns(grid, {u"ID"_s, QString(), u"Name"_s, u"WID"_s},
                   {u"ID"_s, u"序号"_s, u"产品名称"_s, u"数量"_s});
  grid.SetTag(u"Product"_s);
  FillGrid(grid, {}, u"ID"_s, true);
  // The user clicks the numbers' title while the window is up: descending order.
  struct SortingDisplay final : ProgressDisplay {
    Grid* grid = nullptr;
    void Refresh(const ProgressState&) override {}
    void Show() override {
      if (grid) SortByColumn(*grid, 3), SortByColumn(*grid, 3);
      grid = nullptr;
    }
    void Unload() override {}
  } display;
  display.grid = &grid;
  SetProgressDisplay(&display);
  EXPECT_TRUE(DeleteGridRows(grid, 2, 121, false));  // n1 … n120 as selected
  SetProgressDisplay(&progress);
  EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Product WHERE WID<=120"_s), 0);
  EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Product"_s), 30);
  ASSERT_EQ(grid.Rows(), 2 + 30);
  EXPECT_EQ(grid.TextMatrix(2, 2), u"n150"_s);
  EXPECT_EQ(grid.TextMatrix(31, 2), u"n121"_s);
}

TEST_F(GridOperate, CellGeometryFollowsTheScrolledInRowsAndColumns) {
  grid.SetCols(8);
  grid.SetRows(30);
  grid.SetFixedRows(2);
  grid.SetFixedCols(2);
  for (int c = 0; c < 8; ++c) grid.SetColWidth(c, 100 * (c + 1));  // 100, 200, … 800
  for (int r = 0; r < 30; ++r) grid.SetRowHeight(r, r == 0 ? 0 : 300);
  grid.SetLeftCol(4);
  grid.SetTopRow(5);

  EXPECT_EQ(CellOffset(grid, 1, 1), QPoint(100, 0));
  EXPECT_EQ(CellOffset(grid, 5, 4), QPoint(300, 300));  // right after the fixed parts
  EXPECT_EQ(CellOffset(grid, 7, 6), QPoint(300 + 500 + 600, 300 + 600));
  EXPECT_EQ(CellOffset(grid, 3, 3), QPoint(300 - 400, 300 - 600));  // scrolled out
  EXPECT_EQ(CellOffset(grid, 1, 0), QPoint(0, 0));

  const auto at = [&](int x, int y) {
    const GridCell c = CellAtPoint(grid, x, y);
    return QPoint(c.col, c.row);
  };
  EXPECT_EQ(at(0, 0), QPoint(0, 1));  // row 0 has no height
  EXPECT_EQ(at(299, 299), QPoint(1, 1));
  EXPECT_EQ(at(300, 300), QPoint(4, 5));
  EXPECT_EQ(at(1399, 1199), QPoint(5, 7));
  EXPECT_EQ(at(1400, 1200), QPoint(6, 8));
  EXPECT_EQ(at(300 + 500 + 600 + 700 + 800, 100), QPoint(-1, 1));  // past the last column
  EXPECT_EQ(at(100, 300 + 300 * 25), QPoint(1, -1));
  for (int r : {1, 5, 9, 29}) {
    for (int c : {0, 1, 4, 7}) {
      if (grid.ColWidth(c) == 0) continue;
      const QPoint o = CellOffset(grid, r, c);
      EXPECT_EQ(at(o.x(), o.y()), QPoint(c, r)) << r << "," << c;
    }
  }
}

TEST_F(GridOperate, CheckColumnMarksFollowClicksAndSelections) {
  SetupGridColumns(grid, {u"ID"_s, QString(), QString(), u"Name"_s},
                   {u"ID"_s, u"序号"_s, u"选择"_s, u"产品名称"_s});
  grid.SetFixedCols(2);
  grid.SetRows(7);  // five records
  for (int c = 0; c < 4; ++c) grid.SetColWidth(c, 1000);
  for (int r = 1; r < 7; ++r) grid.SetRowHeight(r, 300);
  for (int r = 2; r < 7; ++r) grid.SetTextMatrix(r, 3, QString(QChar(u'e' - r + 2)));
  const auto marks = [&] { return Column(grid, 2); };
  const QString v = u"√"_s;

  ToggleCheckColumn(grid, 2, 2500, 100);  // the check column's title: all records
  EXPECT_EQ(marks(), QStringList(5, v));
  ToggleCheckColumn(grid, 2, 2500, 100);
  EXPECT_EQ(marks(), QStringList(5, QString()));

  grid.SetRow(5);  // a block selected from the bottom up, clicked outside the check column
  grid.SetRowSel(3);
  ToggleCheckColumn(grid, 2, 3500, 1000);
  EXPECT_EQ(marks(), (QStringList{QString(), v, v, v, QString()}));
  grid.SetRow(2);
  grid.SetRowSel(3);  // the top row is unmarked: the block gets the mark
  ToggleCheckColumn(grid, 2, 2500, 1000);
  EXPECT_EQ(marks(), (QStringList{v, v, v, v, QString()}));

  grid.SetRow(6);  // one row, outside the check column: nothing; inside: toggled
  ToggleCheckColumn(grid, 2, 3500, 1600);
  EXPECT_EQ(marks()[4], QString());
  ToggleCheckColumn(grid, 2, 2500, 1600);
  EXPECT_EQ(marks()[4], v);
  ToggleCheckColumn(grid, 2, 2000, 1600);  // on the column's left edge: not inside
  EXPECT_EQ(marks()[4], v);

  ToggleCheckColumn(grid, 2, 3500, 100);  // another title: sorts
  EXPECT_EQ(grid.TextMatrix(1, 3), u"产品名称△"_s);
  EXPECT_EQ(Column(grid, 3), (QStringList{u"e"_s, u"d"_s, u"c"_s, u"b"_s, u"a"_s}));
}

TEST_F(GridOperate, LongLoopsStepTheProgressInThousandthsAndEndAtTheTotal) {
  struct Counter final : ProgressDisplay {
    void Refresh(const ProgressState&) override { ++refreshes; }
    void Show() override {}
    void Unload() override {}
    int refreshes = 0;
  } counter;
  SetProgressDisplay(&counter);
  ShowProgress(u"正在导出数据至CSV格式文件……"_s, 31817);
  ProgressSteps steps(31817);
  QStringList percents;
  for (int i = 0; i < 31817; ++i) {
    steps.Step();
    if (percents.isEmpty() || percents.last() != Progress().percentText)
      percents << Progress().percentText;
  }
  steps.Flush();
  EXPECT_EQ(Progress().pos, 31817);
  EXPECT_EQ(Progress().percentText, u"100%"_s);
  EXPECT_EQ(Progress().countText, u"(31817/31817)"_s);
  EXPECT_GE(percents.size(), 1000);  // every tenth of a percent was shown
  EXPECT_LT(counter.refreshes, 2200);
  CloseProgress();
  SetProgressDisplay(&progress);
}
