#pragma once

#include <QString>
#include <QStringView>

#include "analysis/chartsurface.h"
#include "tables/grid.h"

// The program's one kind of chart: a line chart of a table's columns over its rows, drawn on a
// ChartSurface straight from the table's cells.
//
// The table is a Grid laid out by the table routines: the last fixed row holds the series
// captions (the legend), the last fixed column the labels along the bottom axis (dates,
// category values), the data rows and columns after them the values, read as the numbers
// their texts begin with (CellNumber). The Tag holds the title, lines separated by CR LF. A
// statistic fills such a table, sets the Tag and calls DrawChart on a picture.
//
// Lengths are twips. The picture gets, in this order: watermark, title, axes and grid lines,
// the second axis, the series lines, markers and value labels, the legend.
namespace lanxi {

// The frame of every chart, in twips: the plot runs from x = kChartLeft to
// ScaleWidth - kChartRightMargin and from y = kChartTop to ScaleHeight - kChartBottomMargin;
// the legend takes the right kChartLegendWidth.
inline constexpr int kChartLeft = 800;
inline constexpr int kChartTop = 1200;
inline constexpr int kChartRightMargin = 1800;
inline constexpr int kChartBottomMargin = 1000;
inline constexpr int kChartLegendWidth = 1500;

// The number a cell's text begins with: after leading blanks, an optional sign, digits with at
// most one decimal point and an optional exponent ("12.5元" is 12.5, "-3e2" is -300, "1,234"
// is 1). 0 when the text does not begin with a number (an empty cell, a name) or the number
// is out of range.
double CellNumber(QStringView text);

// A number as the axes label it: up to 15 significant digits, no thousands separators.
QString ChartNumberText(double value);

// Draws rows firstRow … lastRow of `table` as a chart on `pic`. -1 means the first data row
// and the last row; a lastRow past the table is cut to its last row (the caller's variables
// change with it). Every series goes on the left axis until a column's maximum is more than
// ten times or less than a tenth of the largest maximum before it; with allowSecondAxis that
// column and every one to its right go on a second axis at the right. When every value of the
// columns before it is 0 or below there is nothing to compare with, and the column goes right
// whatever allowSecondAxis says. A table of fewer than two rows or columns leaves the picture
// cleared. The picture keeps nothing of an earlier chart.
void DrawChart(ChartSurface& pic, const Grid& table, int& firstRow, int& lastRow,
               bool allowSecondAxis);
// The whole table, second axis allowed: what every statistic draws.
void DrawChart(ChartSurface& pic, const Grid& table);

// Writes a text at (x, y) with the surface's raw text output in its ForeColor: a font of the
// default face with a cell of `height` pixels and weight `weight` (0 regular), turned by
// `angle` degrees counter-clockwise (negative: clockwise) about the top-left corner of the
// text. Unless `anchored`, a level text ends at x (right-aligned) and a turned one is moved
// left by one line; both measured in the surface's current font.
void ChartTextOut(ChartSurface& pic, int x, int y, const QString& text, int angle, bool anchored,
                  int height, int weight);

// The colour of series i of n: from near magenta (small i) to pure green (i = n); red and blue
// fall and green rises with i / n. n is raised to i when smaller, in the caller's variable too.
quint32 SeriesColour(int i, int& n);

// The largest value of the block of columns c1 … c2 and rows r1 … r2 (either order), never
// below 0; its smallest value goes to minOut (99999999999 for a block without cells).
double GridMaxMin(const Grid& table, int c1, int c2, int r1, int r2, double& minOut);

// Eleven very light grey lines from the top of the picture: the maker's name and our web
// address by turns. Leaves the font "宋体" in size 50, bold, black.
void DrawWatermark(ChartSurface& pic);
// The text of the watermark's address lines: the setting 水印网址 of PARA.mdb, or our web
// address when there is none; read once for each program folder.
QString WatermarkAddress();

// The title lines, centred from the top: the first 18 points bold black, the others 10 points
// red. Leaves the font size at 10.
void DrawChartTitle(ChartSurface& pic, const QString& title, int top);

// The title, the left and bottom axes, the vertical grid lines with the row labels and the
// horizontal ones with the value labels (from -10 to 10 units when `negative`). Nothing when
// mx is 0 or below. Returns the value at the top of the left axis (0 when nothing was drawn).
double DrawAxes(ChartSurface& pic, const Grid& table, double mx, int left, int top, int rightMargin,
                int bottomMargin, int firstRow, int lastRow, bool negative);

// The right axis for the columns from `second` on, with ten red ticks and labels. Returns the
// value at its top, or 0 when there is no second axis or its columns have nothing above 0.
double DrawSecondAxis(ChartSurface& pic, const Grid& table, int left, int top, int rightMargin,
                      int bottomMargin, int firstRow, int lastRow, int second);

// The series: first every column's line, then its red point markers and the cells' own texts
// as value labels. mx and mx2 are the values at the top of the left and right axes; with
// `negative` zero lies at half height and mx is doubled (in the caller's variable too).
void DrawSeries(ChartSurface& pic, const Grid& table, double& mx, double mx2, int left, int top,
                int rightMargin, int bottomMargin, int firstRow, int lastRow, bool negative,
                int second);

// One slot per series down the right edge: a swatch in the series colour under its caption.
void DrawLegend(ChartSurface& pic, const Grid& table, int legendWidth);

}  // namespace lanxi
