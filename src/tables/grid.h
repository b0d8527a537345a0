#pragma once

#include <QFont>
#include <QObject>
#include <QString>
#include <QStringView>
#include <vector>

#include "common/value.h"

namespace lanxi {

// The table model every table view, chart and export reads: a flex grid of text cells with
// fixed (header) rows and columns, per-row heights, per-column widths and alignments, a
// current cell with a selected block, and the first scrolled-in row and column. Lengths are in
// twips (15 twips per logical pixel, 1440 per inch).
//
// Operations with arguments out of range are ignored (reads answer empty values), as the
// table routines expect of the grid control.
//
// The grid tells its view about changes through changed(), but only while it is visible:
// routines that rebuild a grid hide it first and show it again at the end, so a fill of
// hundreds of thousands of cells costs the view one repaint.
class Grid : public QObject {
  Q_OBJECT

 public:
  static constexpr int kTwipsPerPixel = 15;
  static constexpr int kMaxCols = 0x7fff;

  // Alignment codes of ColAlignment: horizontal part code / 3 (left, centre, right), vertical
  // part code % 3 (top, centre, bottom); 9 is "general" (numbers right, text left).
  enum Alignment {
    kAlignLeftTop = 0,
    kAlignLeftCenter = 1,
    kAlignLeftBottom = 2,
    kAlignCenterTop = 3,
    kAlignCenterCenter = 4,
    kAlignCenterBottom = 5,
    kAlignRightTop = 6,
    kAlignRightCenter = 7,
    kAlignRightBottom = 8,
    kAlignGeneral = 9,
  };

  // Kinds of Sort.
  enum SortKind {
    kSortNumericAscending = 3,
    kSortNumericDescending = 4,
    kSortStringAscending = 7,   // case-sensitive
    kSortStringDescending = 8,  // case-sensitive
  };

  explicit Grid(QObject* parent = nullptr);
  ~Grid() override;

  int Rows() const { return int(rows_.size()); }
  // New rows are empty and of the default height. Fewer rows than FixedRows are refused.
  void SetRows(int n);
  int Cols() const { return int(cols_.size()); }
  // Fewer columns than FixedCols are refused.
  void SetCols(int n);
  int FixedRows() const { return fixedRows_; }
  // More fixed rows than Rows are refused.
  void SetFixedRows(int n);
  int FixedCols() const { return fixedCols_; }
  void SetFixedCols(int n);
  // Makes room for `rows` rows without changing Rows (a fill knows its size in advance).
  void Reserve(int rows);

  QString TextMatrix(int row, int col) const { return TextView(row, col).toString(); }
  // The cell's text without a copy; valid until the grid changes.
  QStringView TextView(int row, int col) const;
  void SetTextMatrix(int row, int col, QStringView text);

  // The current cell's text (Row, Col).
  QString Text() const { return TextMatrix(row_, col_); }
  void SetText(QStringView text) { SetTextMatrix(row_, col_, text); }

  int RowHeight(int row) const;
  // A negative height restores the default height, which follows the font.
  void SetRowHeight(int row, int twips);
  int ColWidth(int col) const;
  // A negative width restores the default width.
  void SetColWidth(int col, int twips);
  int ColAlignment(int col) const;
  void SetColAlignment(int col, int code);
  // What the records of a column hold: the type its field declares (Integer, Double, Date,
  // DateTime, Bool, Text), set when the grid is filled; Null when unknown. Exports write the
  // cells of numeric and date columns as numbers and dates. Forgotten when Rows is set to
  // FixedRows (the records all go).
  Value::Type ColKind(int col) const;
  void SetColKind(int col, Value::Type kind);
  int DefaultRowHeight() const { return defaultRowHeight_; }
  static constexpr int kDefaultColWidth = 960;

  // The current cell and the other corner of the selected block. Setting Row or Col also
  // moves RowSel or ColSel there, so the selection becomes the current cell; a block is made
  // by setting Row and Col first, then RowSel and ColSel.
  int Row() const { return row_; }
  void SetRow(int row);
  int Col() const { return col_; }
  void SetCol(int col);
  int RowSel() const { return rowSel_; }
  void SetRowSel(int row);
  int ColSel() const { return colSel_; }
  void SetColSel(int col);
  // The first non-fixed row and column in view.
  int TopRow() const { return topRow_; }
  void SetTopRow(int row);
  int LeftCol() const { return leftCol_; }
  void SetLeftCol(int col);

  // Background colour of the current cell, 0xBBGGRR; 0 means the default colour.
  quint32 CellBackColor() const { return CellBackColorAt(row_, col_); }
  void SetCellBackColor(quint32 bgr) { SetCellBackColorAt(row_, col_, bgr); }
  quint32 CellBackColorAt(int row, int col) const;
  void SetCellBackColorAt(int row, int col, quint32 bgr);

  double FontSize() const { return font_.pointSizeF(); }
  void SetFontSize(double points);
  const QFont& Font() const { return font_; }

  // The size of the control showing the grid; the view keeps it up to date.
  int Width() const { return width_; }
  void SetWidth(int twips) { width_ = twips; }
  int Height() const { return height_; }
  void SetHeight(int twips) { height_ = twips; }

  bool Visible() const { return visible_; }
  // Showing the grid again tells the view once about everything that changed meanwhile.
  void SetVisible(bool visible);

  // Free text: the source table of a filled grid, the title of a chart table.
  const QString& Tag() const { return tag_; }
  void SetTag(const QString& tag) { tag_ = tag; }

  // Sorts the non-fixed rows by the columns from Col to ColSel (the first deciding), keeping
  // the order of equal rows. Numeric kinds read the texts as numbers; a text that is not a
  // number sorts after every number in either direction. Text kinds compare character codes.
  // Other kinds are ignored.
  void Sort(int kind);

  // Removes `count` rows from `first` on; fixed rows are never removed.
  void RemoveRows(int first, int count);

  // Total height of the fixed rows and width of the fixed columns.
  int FixedHeight() const;
  int FixedWidth() const;

  // Tells the view that the grid changed (when it is visible and no update block is open).
  void Touch();

  // While an update block is open the view is not told about each change; closing the last
  // block tells it once. Routines that change many cells of a shown grid (sorting, renumbering)
  // use it through UpdateBlock.
  void BeginUpdate() { ++updating_; }
  void EndUpdate();
  class UpdateBlock {
   public:
    explicit UpdateBlock(Grid& grid) : grid_(grid) { grid_.BeginUpdate(); }
    ~UpdateBlock() { grid_.EndUpdate(); }
    UpdateBlock(const UpdateBlock&) = delete;
    UpdateBlock& operator=(const UpdateBlock&) = delete;

   private:
    Grid& grid_;
  };

 signals:
  void changed();

 private:
  // One row: its cells' texts one after another in `text`, cell c ending at ends[c].
  struct RowData {
    QString text;
    std::vector<quint32> ends;
    std::vector<quint32> colors;  // empty unless a cell of the row has a colour
    int height = -1;              // -1: the default height
  };
  struct ColData {
    int width = -1;
    int alignment = kAlignLeftTop;
    Value::Type kind = Value::Type::Null;
  };

  RowData NewRow() const;
  static QStringView CellOf(const RowData& row, int col);
  static void SetCellOf(RowData& row, int col, QStringView text);
  void ClampPositions();

  std::vector<RowData> rows_;
  std::vector<ColData> cols_;
  int fixedRows_ = 1;
  int fixedCols_ = 1;
  int row_ = 1, col_ = 1, rowSel_ = 1, colSel_ = 1;
  int topRow_ = 1, leftCol_ = 1;
  QFont font_;
  int defaultRowHeight_ = 240;
  int width_ = 9600;
  int height_ = 4800;
  bool visible_ = true;
  int updating_ = 0;
  bool touched_ = false;  // changed inside an update block
  QString tag_;
};

}  // namespace lanxi
