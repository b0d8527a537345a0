#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>

#include "common/value.h"
#include "storage/connection.h"
#include "tables/grid.h"

// Table operations: how a grid is described, filled from a query, fitted, sorted, cut and
// hit-tested.
//
// A described grid has two fixed header rows: row 0 (height 0) holds the field entry of
// each column, row 1 the titles; records start at row 2. A field entry is a field name of the
// query; "Cor" (the value colours the cell's background); "field:table:keyfield:resultfield"
// (the cell shows the look-up of the record's field in another table); or empty (with the
// title "序号" the cell shows the serial number, otherwise nothing). The grid's Tag names the
// table it shows.
namespace lanxi {

// Builds rows 0 and 1 from the field entries and titles; nothing happens when the two lists
// differ in length. FixedCols becomes 2; callers set the Tag and FixedCols afterwards.
void SetupGridColumns(Grid& grid, const QStringList& fields, const QStringList& titles);

// The most records a grid of `cols` columns shows: 350000 cells in all.
int GridRowLimit(int cols);

// Fills the grid from WorkDBFile: "SELECT * FROM " Tag, with " WHERE " condition and
// " ORDER BY " order when they are given, or `statement` when it is not empty; `params` are
// bound to its "?" placeholders. Answers "shown/found", or the empty text when nothing was read
// (the Tag table is missing or the query failed, which the access layer reports).
QString FillGrid(Grid& grid, const QString& condition, const QString& order, bool dateOnly,
                 const QString& statement = {}, const Params& params = {});

// Writes one value into a cell, formatted by its type (see the column description above).
void SetGridCell(Grid& grid, int row, int col, const Value& value, bool dateOnly);

// Fits every column from FixedCols - 1 on to its texts from `firstRow` down (with the title),
// measured in the grid's font; columns left of FixedCols - 1 get width 0 and disappear.
void AutoFitColumns(Grid& grid, int firstRow);

// A click at (x, y) (twips, inside the grid): on a title, sorts by that column; on the fixed
// columns' titles, fits the columns again.
void SortOnHeaderClick(Grid& grid, int x, int y);

// Sorts the records by one column and marks its title: numeric (right-aligned or centred)
// columns ascending then descending ("△" then "▽"), text columns descending then ascending
// ("△" then "▽"). The serial numbers are written again.
void SortByColumn(Grid& grid, int col);

// Writes 1, 2, 3 … into the serial-number column ("序号" among the fixed columns).
void RenumberRows(Grid& grid);

// Deletes the records first … last (either order; fixed rows are never deleted) from the grid
// and, when the grid has an "ID" column and its Tag table exists in CurDBFile, from that table,
// all in one transaction. With `ask` the user confirms first. When the database refuses, the
// user is told and nothing is deleted anywhere. Answers whether rows were deleted.
bool DeleteGridRows(Grid& grid, int first, int last, bool ask);

// The top-left corner of a cell inside the grid (twips), counting the fixed columns and rows
// and the scrolled-in ones from LeftCol and TopRow. A cell scrolled out of view gets a
// negative offset.
QPoint CellOffset(const Grid& grid, int row, int col);

// The cell under a point (twips, inside the grid); -1 for a row or column past the last one.
struct GridCell {
  int row = -1;
  int col = -1;
};
GridCell CellAtPoint(const Grid& grid, int x, int y);

// A mouse release at (x, y) on a grid with a check column: a click on the check column's title
// sets or clears the mark "√" of every record, on another title sorts; in the records it sets
// or clears the mark of the selected rows (a single row only when the click is on the check
// column). The new mark is the opposite of the top row's.
void ToggleCheckColumn(Grid& grid, int checkCol, int x, int y);

// Rounds to the nearest whole number, halves to the even neighbour.
qint64 RoundHalfEven(double v);

}  // namespace lanxi
