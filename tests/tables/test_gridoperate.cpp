// Operations on a filled grid: title sorts, deletions, cell geometry and the check column.
#include <QSet>

#include "common/progresssteps.h"
#include "tables/gridoperate.h"
#include "tablesfixture.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

class GridOperate : public test::TablesTest {
 protected:
  Grid grid;
  // The product list: hidden ID, serial number, name, a numeric column.
  void LoadProducts(const QList<std::pair<QString, int>>& products) {
    for (const auto& [name, wid] : products)
      Exec(u"INSERT INTO Product(Name, WID) VALUES(?, ?)"_s, {name, wid});
    SetupGridColumns(grid, {u"ID"_s, QString(), u"Name"_s, u"WID"_s},
                     {u"ID"_s, u"序号"_s, u"产品名称"_s, u"数量"_s});
    grid.SetTag(u"Product"_s);
    FillGrid(grid, {}, u"ID"_s, true);
  }

  QStringList Names() const { return Column(grid, 2); }
  QStringList Titles() const { return {grid.TextMatrix(1, 2), grid.TextMatrix(1, 3)}; }
};

}  // namespace

TEST_F(GridOperate, NumericTitlesSortUpThenDownTextTitlesDownThenUp) {
  LoadProducts({{u"b"_s, 30}, {u"a"_s, 4}, {u"c"_s, 200}, {u"B"_s, 4}});
  ASSERT_EQ(grid.ColAlignment(3), Grid::kAlignRightBottom);
  grid.SetCellBackColorAt(2, 2, 0xff);  // on "b": colours travel with their rows
  SortByColumn(grid, 3);
  EXPECT_EQ(Column(grid, 3), (QStringList{u"4"_s, u"4"_s, u"30"_s, u"200"_s}));  // as numbers
  EXPECT_EQ(grid.CellBackColorAt(4, 2), 0xffu);
  EXPECT_EQ(Names(), (QStringList{u"a"_s, u"B"_s, u"b"_s, u"c"_s}));
  EXPECT_EQ(Titles(), (QStringList{u"产品名称"_s, u"数量△"_s}));
  SortByColumn(grid, 3);
  EXPECT_EQ(Column(grid, 3), (QStringList{u"200"_s, u"30"_s, u"4"_s, u"4"_s}));
  EXPECT_EQ(Titles(), (QStringList{u"产品名称"_s, u"数量▽"_s}));
  // A text title: descending first, marked "△"; the other title loses its mark.
  SortByColumn(grid, 2);
  EXPECT_EQ(Names(), (QStringList{u"c"_s, u"b"_s, u"a"_s, u"B"_s}));
  EXPECT_EQ(Titles(), (QStringList{u"产品名称△"_s, u"数量"_s}));
  SortByColumn(grid, 2);
  EXPECT_EQ(Titles(), (QStringList{u"产品名称▽"_s, u"数量"_s}));
  EXPECT_EQ(Column(grid, 1), (QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s}));  // renumbered
}

// A title click finds its column past the scrolled-out ones; the fixed titles fit the columns.
TEST_F(GridOperate, TitleClicksFindTheirColumnPastTheScrolledOutOnes) {
  LoadProducts({{u"b"_s, 30}, {u"a"_s, 4}, {u"c"_s, 200}});
  for (int c = 0; c < 4; ++c) grid.SetColWidth(c, QList<int>{0, 500, 1000, 800}[c]);
  grid.SetRowHeight(1, 300);
  grid.SetLeftCol(3);
  SortOnHeaderClick(grid, 600, 10);  // names scrolled out: the numbers follow the serials
  EXPECT_EQ(grid.TextMatrix(1, 3), u"数量△"_s);
  SortOnHeaderClick(grid, 400, 10);
  EXPECT_NE(grid.ColWidth(2), 1000);
}

TEST_F(GridOperate, DeletingABlockRemovesItsRecordsAndShiftsTheRest) {
  LoadProducts(
      {{u"p1"_s, 1}, {u"p2"_s, 2}, {u"p3"_s, 3}, {u"p4"_s, 4}, {u"p5"_s, 5}, {u"p6"_s, 6}});
  prompts.answers << false << true;
  EXPECT_FALSE(DeleteGridRows(grid, 5, 3, true));  // No: nothing happens
  EXPECT_TRUE(DeleteGridRows(grid, 5, 3, true));   // selected from the bottom up
  EXPECT_EQ(prompts.questions, (QStringList(2, u"您确定要删除第2-4行数据？"_s)));
  EXPECT_EQ(Names(), (QStringList{u"p1"_s, u"p5"_s, u"p6"_s}));
  EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Product WHERE Name IN ('p2','p3','p4')"_s), 0);
  // Header rows are never deleted: the range is cut to the records.
  EXPECT_TRUE(DeleteGridRows(grid, 0, 2, false));
  EXPECT_EQ(Names(), (QStringList{u"p5"_s, u"p6"_s}));
  EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Product"_s), 2);
  // Without an "ID" column only the grid changes.
  grid.SetTextMatrix(0, 0, u"Key"_s);
  EXPECT_TRUE(DeleteGridRows(grid, 2, 2, false));
  EXPECT_EQ(Names(), QStringList{u"p6"_s});
  EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Product"_s), 2);
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
}

// Large deletions show progress over both halves (database, grid). The progress window lets
// events run; a sort meanwhile must not change what is deleted.
TEST_F(GridOperate, ASortWhileTheProgressWindowRunsEventsDoesNotChangeWhatIsDeleted) {
  Exec(
      u"WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM k WHERE i<150) "
      "INSERT INTO Product(Name, WID) SELECT 'n' || i, i FROM k"_s);
  LoadProducts({});
  // The user clicks the numbers' title twice while the window is up: descending order.
  struct SortingDisplay final : ProgressDisplay {
    Grid* grid = nullptr;
    QStringList shown;
    void Refresh(const ProgressState&) override {}
    void Show() override {
      shown << Progress().caption + u'/' + QString::number(Progress().total);
      if (grid) SortByColumn(*grid, 3), SortByColumn(*grid, 3);
      grid = nullptr;
    }
    void Unload() override {}
  } display;
  display.grid = &grid;
  SetProgressDisplay(&display);
  EXPECT_TRUE(DeleteGridRows(grid, 2, 121, false));  // n1 … n120 as selected
  SetProgressDisplay(&progress);
  EXPECT_EQ(display.shown, QStringList{u"正在删除记录……/240"_s});
  EXPECT_EQ(Count(u"SELECT COUNT(*) FROM Product WHERE WID<=120"_s), 0);
  ASSERT_EQ(grid.Rows(), 2 + 30);
  EXPECT_EQ(grid.TextMatrix(2, 2), u"n150"_s);
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
  EXPECT_EQ(CellOffset(grid, 5, 4), QPoint(300, 300));  // right after the fixed parts
  EXPECT_EQ(CellOffset(grid, 3, 6), QPoint(300 + 500 + 600, 300 - 600));  // row scrolled out
  const GridCell past = CellAtPoint(grid, 2900, 7800);  // past the last column and row
  EXPECT_EQ(QPoint(past.col, past.row), QPoint(-1, -1));
}

TEST_F(GridOperate, CheckColumnMarksFollowClicksAndSelections) {
  SetupGridColumns(grid, {u"ID"_s, QString(), QString(), u"Name"_s},
                   {u"ID"_s, u"序号"_s, u"选择"_s, u"产品名称"_s});
  grid.SetFixedCols(2);
  grid.SetRows(7);  // five records, e … a
  for (int c = 0; c < 4; ++c) grid.SetColWidth(c, 1000);
  for (int r = 1; r < 7; ++r) grid.SetRowHeight(r, 300);
  for (int r = 2; r < 7; ++r) grid.SetTextMatrix(r, 3, QString(QChar(u'e' - r + 2)));
  const QString v = u"√"_s, o;
  // Selection (row, row selected; none: keep), click (x, y) and the marks afterwards.
  const struct {
    int row, rowSel, x, y;
    QStringList marks;
  } steps[] = {
      {0, 0, 2500, 100, {v, v, v, v, v}},  // the check column's title: all records
      {0, 0, 2500, 100, {o, o, o, o, o}},
      {5, 3, 3500, 1000, {o, v, v, v, o}},  // a block from the bottom up, outside the column
      {2, 3, 2500, 1000, {v, v, v, v, o}},  // the top row unmarked: the block gets the mark
      {6, 6, 2500, 1600, {v, v, v, v, v}},  // one row inside: toggled
  };
  for (const auto& s : steps) {
    if (s.row) grid.SetRow(s.row), grid.SetRowSel(s.rowSel);
    ToggleCheckColumn(grid, 2, s.x, s.y);
    EXPECT_EQ(Column(grid, 2), s.marks) << s.row << " " << s.x << "," << s.y;
  }
  ToggleCheckColumn(grid, 2, 3500, 100);  // another title: sorts
  EXPECT_EQ(grid.TextMatrix(1, 3), u"产品名称△"_s);
}

TEST_F(GridOperate, LongLoopsStepTheProgressInThousandthsAndEndAtTheTotal) {
  struct Counter final : ProgressDisplay {
    int refreshes = 0;
    void Refresh(const ProgressState&) override { ++refreshes; }
    void Show() override {}
    void Unload() override {}
  } counter;
  SetProgressDisplay(&counter);
  ShowProgress(u"正在导出数据至CSV格式文件……"_s, 31817);
  ProgressSteps steps(31817);
  QSet<QString> percents;
  for (int i = 0; i < 31817; ++i) steps.Step(), percents << Progress().percentText;
  steps.Flush();
  EXPECT_EQ(Progress().countText, u"(31817/31817)"_s);
  EXPECT_GE(percents.size(), 1000);  // every tenth of a percent was shown
  EXPECT_LT(counter.refreshes, 2200);
  CloseProgress();
  SetProgressDisplay(&progress);
}
