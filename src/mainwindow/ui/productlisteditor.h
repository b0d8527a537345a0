#pragma once

#include <QObject>
#include <QString>

class QComboBox;
class QLineEdit;

namespace lanxi {

class Grid;
class GridView;

// In-place editing of the product list: the drop-down CMB over a category cell offers the
// values in use and takes new ones, the text box TT over a name cell renames the product. Each
// change is written to the database at once; Escape leaves cell and database as they were.
//
// A category edit lasts from DispCMB to HideClassComb, a name edit from DispTT to HideTT; at
// most one of each is open, and both end when the list scrolls. The edited product is
// remembered by its key, so a sort meanwhile cannot send a change to another product.
class ProductListEditor final : public QObject {
  Q_OBJECT

 public:
  ProductListEditor(GridView* list, QComboBox* cmb, QLineEdit* tt, QObject* parent = nullptr);

  // The cell of the open category edit and of the open name edit (0: none).
  int EditRow = 0, EditCol = 0, NameRow = 0, NameCol = 0;

  // Starts a category edit of a cell (nothing for a header cell or one out of range).
  void DispCMB(int row, int col);
  // Places the drop-down over a cell.
  void MoveCMBToCell(int row, int col);
  // Ends the category edit; with `save` a changed value goes into the cell and the database.
  void HideClassComb(bool save);
  // Starts a name edit on the current cell when it is a name cell in view.
  void DispTT();
  // Ends the name edit, storing its text.
  void HideTT();
  // The current cell changed: a category cell opens the drop-down.
  void EnterCell();
  // Ends the category edit as Escape does: nothing stored, the cell current again.
  void CancelCategoryEdit();
  // The list is being refilled: both editors close, nothing is stored.
  void EndEdits();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Grid& grid() const;
  void CMB_Enter();
  void MarkChanged();
  // The row now holding the product `key`: `row` when it still does, else wherever it went.
  int RowOfKey(int row, const QString& key) const;
  // Writes an edit's value into the cell of column `col` in the row of the product `key`, and
  // answers that product's ID; -1 when the product has left the list.
  qint64 PutIntoCell(int row, const QString& key, int col, const QString& value);

  GridView* list_;
  QComboBox* cmb_;
  QLineEdit* tt_;
  QString editKey_, nameKey_;
  bool closingCmb_ = false, closingTT_ = false;
};

}  // namespace lanxi
