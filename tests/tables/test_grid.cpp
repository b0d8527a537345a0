// The grid model: sizes and cell texts, the current cell and selection, scrolling positions,
// the view notification and the built-in sorts.
#include <gtest/gtest.h>
#include <QSignalSpy>

#include "tables/grid.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

void MakeGrid(Grid& g, const QList<QStringList>& rows, int fixedRows = 1, int fixedCols = 0) {
  g.SetFixedRows(0);
  g.SetFixedCols(0);
  g.SetCols(int(rows.value(0).size()));
  g.SetRows(int(rows.size()));
  for (int r = 0; r < rows.size(); ++r) {
    for (int c = 0; c < rows[r].size(); ++c) g.SetTextMatrix(r, c, rows[r][c]);
  }
  g.SetFixedRows(fixedRows);
  g.SetFixedCols(fixedCols);
}

QStringList ColumnTexts(const Grid& g, int col) {
  QStringList out;
  for (int r = g.FixedRows(); r < g.Rows(); ++r) out << g.TextMatrix(r, col);
  return out;
}

}  // namespace

TEST(Grid, CellTextsSurviveEditsInAnyOrderAndColumnChanges) {
  Grid g;
  g.SetCols(4);
  g.SetRows(3);
  g.SetTextMatrix(2, 3, u"末列"_s);
  g.SetTextMatrix(2, 0, u"a,b"_s);
  g.SetTextMatrix(2, 1, u"中间"_s);
  g.SetTextMatrix(2, 0, u"x"_s);            // shorter, in front of the others
  g.SetTextMatrix(2, 2, g.TextView(2, 1));  // a text of the same row
  EXPECT_EQ(g.TextMatrix(2, 0), u"x"_s);
  EXPECT_EQ(g.TextMatrix(2, 1), u"中间"_s);
  EXPECT_EQ(g.TextMatrix(2, 2), u"中间"_s);
  EXPECT_EQ(g.TextMatrix(2, 3), u"末列"_s);

  g.SetCols(2);
  g.SetCols(5);
  EXPECT_EQ(g.TextMatrix(2, 1), u"中间"_s);
  EXPECT_TRUE(g.TextMatrix(2, 2).isEmpty());
  EXPECT_TRUE(g.TextMatrix(2, 4).isEmpty());
  g.SetTextMatrix(2, 4, u"新"_s);
  EXPECT_EQ(g.TextMatrix(2, 4), u"新"_s);
  EXPECT_TRUE(g.TextMatrix(9, 9).isEmpty());  // out of range reads empty, writes nothing
  g.SetTextMatrix(9, 9, u"no"_s);
  EXPECT_EQ(g.Rows(), 3);
}

TEST(Grid, SizesKeepRowsAboveFixedRowsAndPositionsInRange) {
  Grid g;
  g.SetRows(10);
  g.SetFixedRows(2);
  g.SetRows(1);  // fewer than the fixed rows: refused
  EXPECT_EQ(g.Rows(), 10);
  g.SetFixedRows(11);
  EXPECT_EQ(g.FixedRows(), 2);

  g.SetRow(8);
  g.SetRowSel(9);
  g.SetTopRow(7);
  g.SetRows(5);
  EXPECT_EQ(g.Row(), 4);
  EXPECT_EQ(g.RowSel(), 4);
  EXPECT_EQ(g.TopRow(), 4);
  g.SetTopRow(0);  // a fixed row never scrolls away
  EXPECT_EQ(g.TopRow(), 2);

  // Setting the current cell makes it the whole selection; a block is made afterwards.
  g.SetCols(6);
  g.SetRow(2);
  g.SetCol(1);
  g.SetRowSel(4);
  g.SetColSel(3);
  EXPECT_EQ(g.RowSel(), 4);
  g.SetRow(3);
  EXPECT_EQ(g.RowSel(), 3);
  EXPECT_EQ(g.ColSel(), 3);
  g.SetCol(2);
  EXPECT_EQ(g.ColSel(), 2);

  EXPECT_EQ(g.ColWidth(3), Grid::kDefaultColWidth);
  g.SetColWidth(3, 0);
  EXPECT_EQ(g.ColWidth(3), 0);
  g.SetRowHeight(0, 0);
  g.SetRowHeight(1, 300);
  EXPECT_EQ(g.FixedHeight(), 300);
  const int height = g.DefaultRowHeight();
  g.SetFontSize(18);
  EXPECT_GT(g.DefaultRowHeight(), height);
  EXPECT_EQ(g.RowHeight(2), g.DefaultRowHeight());
  EXPECT_EQ(g.RowHeight(1), 300);
}

TEST(Grid, HiddenGridTellsTheViewOnceWhenShownAgain) {
  Grid g;
  QSignalSpy spy(&g, &Grid::changed);
  g.SetTextMatrix(1, 1, u"a"_s);
  EXPECT_EQ(spy.count(), 1);
  g.SetVisible(false);
  g.SetRows(1000);
  for (int r = 1; r < 1000; ++r) g.SetTextMatrix(r, 1, QString::number(r));
  g.SetCellBackColorAt(5, 1, 0xff);
  EXPECT_EQ(spy.count(), 1);
  g.SetVisible(true);
  EXPECT_EQ(spy.count(), 2);
}

TEST(Grid, UpdateBlocksTellTheViewOnceAtTheEnd) {
  Grid g;
  g.SetRows(500);
  QSignalSpy spy(&g, &Grid::changed);
  {
    const Grid::UpdateBlock outer(g);
    {
      const Grid::UpdateBlock inner(g);
      for (int r = 1; r < 500; ++r) g.SetTextMatrix(r, 1, QString::number(r));
    }
    EXPECT_EQ(spy.count(), 0);
  }
  EXPECT_EQ(spy.count(), 1);
  { const Grid::UpdateBlock unchanged(g); }
  EXPECT_EQ(spy.count(), 1);
  g.SetVisible(false);
  {
    const Grid::UpdateBlock hidden(g);
    g.SetTextMatrix(1, 1, u"x"_s);
  }
  EXPECT_EQ(spy.count(), 1);  // a hidden grid waits until it is shown
  g.SetVisible(true);
  EXPECT_EQ(spy.count(), 2);
}

TEST(Grid, NumericSortsReadNumbersAndKeepEqualRowsInOrder) {
  Grid g;
  MakeGrid(g, {{u"名"_s, u"数"_s},
               {u"a"_s, u"10"_s},
               {u"b"_s, u"9.5"_s},
               {u"c"_s, u""_s},
               {u"d"_s, u"-2"_s},
               {u"e"_s, u"9.50"_s},
               {u"f"_s, u"abc"_s},
               {u"g"_s, u"100"_s}});
  g.SetCellBackColorAt(1, 0, 0x0000ff);  // colours travel with their rows
  g.SetCol(1);
  g.Sort(Grid::kSortNumericAscending);
  EXPECT_EQ(ColumnTexts(g, 0),
            (QStringList{u"d"_s, u"b"_s, u"e"_s, u"a"_s, u"g"_s, u"c"_s, u"f"_s}));
  EXPECT_EQ(g.CellBackColorAt(4, 0), 0x0000ffu);
  g.Sort(Grid::kSortNumericDescending);
  EXPECT_EQ(ColumnTexts(g, 0),
            (QStringList{u"g"_s, u"a"_s, u"b"_s, u"e"_s, u"d"_s, u"c"_s, u"f"_s}));
  EXPECT_EQ(g.TextMatrix(0, 0), u"名"_s);  // fixed rows stay
}

TEST(Grid, TextSortsAreCaseSensitiveByCharacterCode) {
  Grid g;
  MakeGrid(g, {{u"t"_s}, {u"b"_s}, {u"B"_s}, {u"a"_s}, {u"苹果"_s}, {u"B"_s}, {u"A"_s}});
  g.SetCellBackColorAt(2, 0, 1);
  g.SetCellBackColorAt(5, 0, 2);
  g.SetCol(0);
  g.Sort(Grid::kSortStringAscending);
  EXPECT_EQ(ColumnTexts(g, 0), (QStringList{u"A"_s, u"B"_s, u"B"_s, u"a"_s, u"b"_s, u"苹果"_s}));
  EXPECT_EQ(g.CellBackColorAt(2, 0), 1u);  // the equal "B"s keep their order
  EXPECT_EQ(g.CellBackColorAt(3, 0), 2u);
  g.Sort(Grid::kSortStringDescending);
  EXPECT_EQ(ColumnTexts(g, 0), (QStringList{u"苹果"_s, u"b"_s, u"a"_s, u"B"_s, u"B"_s, u"A"_s}));
  EXPECT_EQ(g.CellBackColorAt(4, 0), 1u);
  g.Sort(5);  // a kind the grid does not know changes nothing
  EXPECT_EQ(g.TextMatrix(1, 0), u"苹果"_s);
}

TEST(Grid, RemovingRowsNeverTouchesTheFixedRows) {
  Grid g;
  MakeGrid(g, {{u"h"_s}, {u"1"_s}, {u"2"_s}, {u"3"_s}, {u"4"_s}});
  g.RemoveRows(0, 2);
  EXPECT_EQ(ColumnTexts(g, 0), (QStringList{u"3"_s, u"4"_s}));
  g.RemoveRows(2, 99);
  EXPECT_EQ(ColumnTexts(g, 0), (QStringList{u"3"_s}));
  EXPECT_EQ(g.TextMatrix(0, 0), u"h"_s);
}
