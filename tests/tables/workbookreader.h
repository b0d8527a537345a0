#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

namespace lanxi::test {

// Reads back what an exported workbook holds, straight from its zip container and XML parts,
// so the tests check the file itself rather than the writer's promises.
struct WorkbookCell {
  QString text;          // the shown string, or the stored number as written (<v>)
  bool number = false;   // a number cell (dates are numbers too: days since 1899-12-30)
  QString numberFormat;  // the cell's number format code, e.g. "0.00"; "General" by default
  bool bold = false;
  QString fill;             // fill colour as written, e.g. "FFFFC080"; empty for none
  bool thinBorder = false;  // thin lines on all four sides
};

struct WorkbookSheet {
  QString name;
  int rows = 0;                       // highest row number used (1-based)
  int cols = 0;                       // highest column number used
  QMap<QString, WorkbookCell> cells;  // by reference, e.g. "B3"
  QMap<int, double> columnWidths;     // by column number
  QString error;                      // empty when the file was read
  WorkbookCell cell(const QString& ref) const { return cells.value(ref); }
};

// The entries of a zip file by name; empty when it is not one.
QMap<QString, QByteArray> ReadZip(const QString& path);

// The first sheet of an xlsx workbook.
WorkbookSheet ReadFirstSheet(const QString& path);

}  // namespace lanxi::test
