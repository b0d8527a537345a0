#pragma once

#include <QString>

#include "common/userprompts.h"
#include "tables/grid.h"

// Saving a table as a CSV file or a spreadsheet workbook. Only what the user sees is written:
// rows of height 0 (the field entries) and columns of width 0 (hidden keys) are left
// out. A file is written beside its target under a hidden name of our own
// (".lanxi-export-XXXXXX.csv" or ".xlsx") and put in its place only when it is complete, so a
// failed export never leaves a half-written file or loses the one it was to replace; parts
// that an interrupted export left behind are removed by the next export into that folder.
namespace lanxi {

// Asks for the file and writes the grid into it: CSV or workbook by the name's extension
// (".csv", ".xls" or ".xlsx"), or, for a name without one of these, by the filter chosen in
// the dialog, whose extension is then added. `extra` must be empty; `sheetTitle` names the
// workbook's sheet. Answers whether a file was written.
bool ExportTable(const Grid& grid, UserPrompts& prompts, const QString& extra,
                 const QString& sheetTitle);

// Comma-separated values in UTF-8 with a byte-order mark, lines ending in CR LF. A field is
// put between double quotes (quotes inside doubled) when it holds a comma, a double quote or
// a line break.
bool ExportCSV(const Grid& grid, const QString& path, UserPrompts& prompts = Prompts());

// An Office Open XML workbook with one sheet: the records of numeric columns (by the column's
// declared type, and the serial numbers) as numbers in the grid's number format ("0", "00",
// "0.00"), of date columns as dates ("yyyy.mm.dd", with " hh:mm" when the grid shows the
// time), all other cells as text (never a formula), cut to the 32,767 characters a cell holds;
// the title row bold on light orange, column widths from the titles' widths, thin borders
// around every cell.
bool ExportExcel(const Grid& grid, const QString& path, const QString& sheetTitle,
                 UserPrompts& prompts = Prompts());

// The spreadsheet name of column n (1 → "A", 26 → "Z", 27 → "AA", 703 → "AAA"); empty for
// n < 1.
QString ColumnLetter(int n);

// The name a workbook is saved under: ".xlsx" replaces ".xls" and is added to other names, so
// the extension says what the file holds.
QString WorkbookFileName(const QString& path);

}  // namespace lanxi
