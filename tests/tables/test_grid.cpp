// The grid model: sizes and cell texts, the current cell and selection, scrolling positions,
// the view notification and the built-in sorts.
#include <gtest/gtest.h>
#include <QSignalSpy>

#include "tables/grid.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

QStringList Column(const Grid& g, int col) {
  QStringList out;
  for (int r = g.FixedRows(); r < g.Rows(); ++r) out << g.TextMatrix(r, col);
  return out;
}

// One column of texts, the first of them the fixed title row.
void MakeColumn(Grid& g, const QStringList& texts) {
  g.SetFixedRows(0);
  g.SetRows(int(texts.size()));
  for (int r = 0; r < texts.size(); ++r) g.SetTextMatrix(r, 0, texts[r]);
  g.SetFixedRows(1);
  g.SetCol(0);
}

}  // namespace

TEST(Grid, TextsSurviveEditsAndColumnChangesSizesKeepPositionsInRange) {
  Grid g;
  g.SetCols(4);
  g.SetRows(10);
  const QList<std::pair<int, QString>> edits{
      {3, u"末列"_s}, {0, u"a,b"_s}, {1, u"中间"_s}, {0, u"x"_s}};  // shorter, in front
  for (const auto& [col, text] : edits) g.SetTextMatrix(2, col, text);
  g.SetTextMatrix(2, 2, g.TextView(2, 1));  // a text of the same row
  g.SetCols(5);
  EXPECT_EQ(QStringList({g.TextMatrix(2, 0), g.TextMatrix(2, 1), g.TextMatrix(2, 2),
                         g.TextMatrix(2, 3), g.TextMatrix(2, 4)}),
            (QStringList{u"x"_s, u"中间"_s, u"中间"_s, u"末列"_s, QString()}));
  g.SetCols(2);
  g.SetCols(6);
  EXPECT_EQ(QStringList({g.TextMatrix(2, 1), g.TextMatrix(2, 2), g.TextMatrix(99, 99)}),
            (QStringList{u"中间"_s, QString(), QString()}));  // out of range reads empty
  g.SetTextMatrix(99, 99, u"no"_s);                           // and writes nothing

  g.SetFixedRows(2);
  g.SetRows(1);  // fewer than the fixed rows: refused
  g.SetFixedRows(11);
  EXPECT_EQ(QList<int>({g.Rows(), g.FixedRows()}), QList<int>({10, 2}));
  g.SetRow(8);
  g.SetRowSel(9);
  g.SetTopRow(7);
  g.SetRows(5);
  EXPECT_EQ(QList<int>({g.Row(), g.RowSel(), g.TopRow()}), QList<int>({4, 4, 4}));
  g.SetTopRow(0);  // a fixed row never scrolls away
  EXPECT_EQ(g.TopRow(), 2);

  // Setting the current cell makes it the whole selection; a block is made afterwards.
  g.SetRow(2);
  g.SetCol(1);
  g.SetRowSel(4);
  g.SetColSel(3);
  EXPECT_EQ(g.RowSel(), 4);
  g.SetRow(3);
  EXPECT_EQ(QList<int>({g.RowSel(), g.ColSel()}), QList<int>({3, 3}));
  g.SetCol(2);
  EXPECT_EQ(g.ColSel(), 2);

  g.SetRowHeight(0, 0);
  g.SetRowHeight(1, 300);
  const int height = g.DefaultRowHeight();
  g.SetFontSize(18);
  EXPECT_GT(g.DefaultRowHeight(), height);
  EXPECT_EQ(QList<int>({g.FixedHeight(), g.RowHeight(1), g.RowHeight(2)}),
            QList<int>({300, 300, g.DefaultRowHeight()}));
}

// A hidden grid and update blocks hold the view's notification back until the end.
TEST(Grid, TheViewIsToldOnceAfterUpdateBlocksAndWhenAHiddenGridIsShown) {
  Grid g;
  g.SetRows(500);
  QSignalSpy spy(&g, &Grid::changed);
  g.SetTextMatrix(1, 1, u"a"_s);
  EXPECT_EQ(spy.count(), 1);
  {
    const Grid::UpdateBlock outer(g);
    {
      const Grid::UpdateBlock inner(g);
      for (int r = 1; r < 500; ++r) g.SetTextMatrix(r, 1, QString::number(r));
    }
    EXPECT_EQ(spy.count(), 1);
  }
  EXPECT_EQ(spy.count(), 2);
  { const Grid::UpdateBlock unchanged(g); }
  EXPECT_EQ(spy.count(), 2);
  g.SetVisible(false);
  {
    const Grid::UpdateBlock hidden(g);
    g.SetTextMatrix(1, 1, u"x"_s);
  }
  g.SetRows(1000);
  g.SetCellBackColorAt(5, 1, 0xff);
  EXPECT_EQ(spy.count(), 2);  // a hidden grid waits until it is shown
  g.SetVisible(true);
  EXPECT_EQ(spy.count(), 3);
}

// Text sorts and the order of equal rows are also checked through title clicks.
TEST(Grid, NumericSortsReadNumbersAndColoursTravelWithTheirRows) {
  const QStringList numbers{u"10"_s, u"9.5"_s, u""_s, u"-2"_s, u"9.50"_s, u"abc"_s, u"100"_s};
  const QList<std::pair<int, QStringList>> cases{
      {Grid::kSortNumericAscending,
       {u"-2"_s, u"9.5"_s, u"9.50"_s, u"10"_s, u"100"_s, u""_s, u"abc"_s}},
      {Grid::kSortNumericDescending,
       {u"100"_s, u"10"_s, u"9.5"_s, u"9.50"_s, u"-2"_s, u""_s, u"abc"_s}},
      {5, numbers}};  // a kind the grid does not know changes nothing
  for (const auto& [kind, sorted] : cases) {
    Grid g;
    MakeColumn(g, QStringList{u"标题"_s} + numbers);
    for (int r = 1; r < g.Rows(); ++r) g.SetCellBackColorAt(r, 0, r);  // where each row was
    g.Sort(kind);
    EXPECT_EQ(Column(g, 0), sorted) << kind;
    EXPECT_EQ(g.TextMatrix(0, 0), u"标题"_s);  // fixed rows stay
    for (int r = 1; r < g.Rows(); ++r)
      EXPECT_EQ(numbers[int(g.CellBackColorAt(r, 0)) - 1], g.TextMatrix(r, 0)) << kind << r;
  }
}

TEST(Grid, RemovingRowsNeverTouchesTheFixedRows) {
  Grid g;
  MakeColumn(g, {u"h"_s, u"1"_s, u"2"_s, u"3"_s, u"4"_s});
  g.RemoveRows(0, 2);
  EXPECT_EQ(Column(g, 0), (QStringList{u"3"_s, u"4"_s}));
  g.RemoveRows(2, 99);
  EXPECT_EQ(Column(g, 0), (QStringList{u"3"_s}));
  EXPECT_EQ(g.TextMatrix(0, 0), u"h"_s);
}
