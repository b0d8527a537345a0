#pragma once

#include <QAbstractScrollArea>
#include <QPointer>

#include "tables/grid.h"

namespace lanxi {

// Shows a Grid: fixed rows and columns stay in place while the rest scrolls by whole rows and
// columns (TopRow and LeftCol follow the scroll bars), rows of height 0 and columns of width 0
// take no room, fixed cells look like headers, the selected block is highlighted. Only the
// cells in view are painted, so a grid of 50,000 rows scrolls as smoothly as one of 50.
//
// The view reports what the windows react to as signals; positions are in twips relative to
// the grid's top-left corner, as the table routines (CellAtPoint, SortOnHeaderClick …) expect.
//
// The grid's state and texts are also readable through the meta-object system (properties
// Rows, Cols, Row … and the invokable TextMatrix), so tools that drive the program by object
// names can read a table as the user sees it.
class GridView : public QAbstractScrollArea {
  Q_OBJECT
  Q_PROPERTY(int Rows READ gridRows)
  Q_PROPERTY(int Cols READ gridCols)
  Q_PROPERTY(int FixedRows READ gridFixedRows)
  Q_PROPERTY(int FixedCols READ gridFixedCols)
  Q_PROPERTY(int Row READ gridRow)
  Q_PROPERTY(int Col READ gridCol)
  Q_PROPERTY(int RowSel READ gridRowSel)
  Q_PROPERTY(int ColSel READ gridColSel)
  Q_PROPERTY(int TopRow READ gridTopRow)
  Q_PROPERTY(int LeftCol READ gridLeftCol)
  Q_PROPERTY(QString Tag READ gridTag)

 public:
  // Shows a grid of its own.
  explicit GridView(QWidget* parent = nullptr);
  ~GridView() override;

  Grid* grid() const { return grid_; }
  // Shows another grid (not owned); nullptr goes back to the view's own grid.
  void setGrid(Grid* grid);

  // The cell under a point of the viewport (pixels) as (column, row); -1 where there is none.
  QPoint cellAt(const QPoint& pos) const;
  // The rectangle of a cell in the viewport (pixels); empty when it is out of view.
  QRect cellRect(int row, int col) const;
  // Scrolls so that the cell is in view.
  void ensureVisible(int row, int col);

  QSize sizeHint() const override;

  // Tells the grid the view's size. A hidden view gets no resize events, yet fitting columns
  // reads the grid's width: whoever resizes a hidden view calls this.
  void syncSize();

  Q_INVOKABLE QString TextMatrix(int row, int col) const { return grid_->TextMatrix(row, col); }
  Q_INVOKABLE int ColWidth(int col) const { return grid_->ColWidth(col); }
  Q_INVOKABLE int RowHeight(int row) const { return grid_->RowHeight(row); }
  Q_INVOKABLE int ColAlignment(int col) const { return grid_->ColAlignment(col); }
  Q_INVOKABLE quint32 CellBackColor(int row, int col) const {
    return grid_->CellBackColorAt(row, col);
  }
  // The texts of the rows and columns the user can see (height and width not 0), row by row.
  Q_INVOKABLE QList<QStringList> VisibleTexts() const;

  int gridRows() const { return grid_->Rows(); }
  int gridCols() const { return grid_->Cols(); }
  int gridFixedRows() const { return grid_->FixedRows(); }
  int gridFixedCols() const { return grid_->FixedCols(); }
  int gridRow() const { return grid_->Row(); }
  int gridCol() const { return grid_->Col(); }
  int gridRowSel() const { return grid_->RowSel(); }
  int gridColSel() const { return grid_->ColSel(); }
  int gridTopRow() const { return grid_->TopRow(); }
  int gridLeftCol() const { return grid_->LeftCol(); }
  QString gridTag() const { return grid_->Tag(); }

 signals:
  void clicked();
  void doubleClicked();
  // The current cell was moved by the user (mouse or keyboard).
  void enteredCell();
  void mousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
  void mouseMoved(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x, int y);
  void mouseReleased(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
  void scrolled();
  void focusEntered();
  void focusLeft();
  // Emitted before the view handles the key itself.
  void keyPressed(int key, Qt::KeyboardModifiers modifiers, const QString& text);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void gridChanged();
  void syncScrollBars();
  // The last row/column that can be TopRow/LeftCol with the view still full.
  int maxTopRow() const;
  int maxLeftCol() const;
  // Moves the current cell (extending the selection when `extend`), scrolls it into view and
  // reports the move.
  void moveCurrent(int row, int col, bool extend);
  void selectTo(int row, int col);
  int rowsPerPage() const;
  static int px(int twips) { return twips / Grid::kTwipsPerPixel; }

  Grid* own_ = nullptr;
  QPointer<Grid> grid_;
  QMetaObject::Connection changedConnection_;
  QMetaObject::Connection destroyedConnection_;
  bool syncing_ = false;
  bool dragging_ = false;
  bool dragRows_ = false;  // the drag began on the fixed columns: whole rows
  bool pressedInside_ = false;
};

}  // namespace lanxi
