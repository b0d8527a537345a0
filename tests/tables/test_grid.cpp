// The grid model: sizes, texts and positions.
#include <gtest/gtest.h>

#include "tables/grid.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

TEST(Grid, TextsSurviveColumnChangesAndSizesKeepPositionsInRange) {
  Grid g;
  g.SetCols(4);
  g.SetRows(10);
  g.SetTextMatrix(2, 3, u"末列"_s);
  g.SetTextMatrix(2, 1, u"中间"_s);
  g.SetTextMatrix(2, 2, g.TextView(2, 1));  // a text of the same row
  EXPECT_EQ(g.TextMatrix(2, 2), u"中间"_s);
  g.SetCols(2);
  g.SetCols(6);
  EXPECT_EQ(QStringList({g.TextMatrix(2, 1), g.TextMatrix(2, 2), g.TextMatrix(2, 3)}),
            (QStringList{u"中间"_s, QString(), QString()}));
  g.SetFixedRows(2);
  g.SetRow(8);
  g.SetRowSel(9);
  g.SetTopRow(7);
  g.SetRows(5);
  EXPECT_EQ(QList<int>({g.Row(), g.RowSel(), g.TopRow()}), QList<int>({4, 4, 4}));
  g.SetTopRow(0);  // a fixed row never scrolls away
  EXPECT_EQ(g.TopRow(), 2);
  g.SetRowHeight(1, 300);
  const int height = g.DefaultRowHeight();
  g.SetFontSize(18);  // rows of their own height keep it
  EXPECT_EQ(QList<int>({g.RowHeight(1), g.RowHeight(2) > height}), QList<int>({300, true}));
}
