#include "mainwindow/ui/productlisteditor.h"

#include <QComboBox>
#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScopedValueRollback>

#include "categories/categoryedit.h"
#include "categories/ui/categorycombo.h"
#include "storage/dboperate.h"
#include "tables/gridoperate.h"
#include "tables/ui/gridview.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

const char* const kTag = "Tag";
const QString kChanged = u"Chang"_s;

bool IsEnter(int key) {
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// A cell's rectangle in the coordinates of `parent`: where the view paints it, or, for a cell
// out of view, where it would be.
QRect CellPixels(const GridView* view, QWidget* parent, int row, int col) {
  QRect r = view->cellRect(row, col);
  if (r.isEmpty()) {
    const Grid& g = *view->grid();
    const QPoint at = CellOffset(g, row, col) / Grid::kTwipsPerPixel;
    r = QRect(at, QSize(g.ColWidth(col), g.RowHeight(row)) / Grid::kTwipsPerPixel);
  }
  return r.translated(view->viewport()->mapTo(parent, QPoint(0, 0)));
}

}  // namespace

ProductListEditor::ProductListEditor(GridView* list, QComboBox* cmb, QLineEdit* tt, QObject* parent)
    : QObject(parent), list_(list), cmb_(cmb), tt_(tt) {
  cmb_->setEditable(true);
  cmb_->setInsertPolicy(QComboBox::NoInsert);
  cmb_->setProperty(kTag, QString());
  cmb_->lineEdit()->installEventFilter(this);
  // What is typed stays as typed: no item of another case takes its place.
  cmb_->completer()->setCaseSensitivity(Qt::CaseSensitive);
  connect(cmb_->lineEdit(), &QLineEdit::textEdited, this, &ProductListEditor::MarkChanged);
  connect(cmb_, &QComboBox::activated, this, &ProductListEditor::MarkChanged);
  tt_->installEventFilter(this);

  connect(list_, &GridView::clicked, this, [this] {
    DispTT();
    EnterCell();
  });
  connect(list_, &GridView::enteredCell, this, &ProductListEditor::EnterCell);
  connect(list_, &GridView::scrolled, this, [this] {
    if (cmb_->isVisible()) HideClassComb(true);
    HideTT();
  });
  connect(list_, &GridView::focusEntered, this, [this] { HideClassComb(true); });
}

Grid& ProductListEditor::grid() const {
  return *list_->grid();
}

int ProductListEditor::RowOfKey(int row, const QString& key) const {
  const Grid& g = grid();
  if (row >= g.FixedRows() && row < g.Rows() && g.TextView(row, 0) == key) return row;
  for (int r = g.FixedRows(); r < g.Rows(); ++r) {
    if (g.TextView(r, 0) == key) return r;
  }
  return -1;
}

qint64 ProductListEditor::PutIntoCell(int row, const QString& key, int col, const QString& value) {
  Grid& g = grid();
  row = RowOfKey(row, key);
  if (row < 0 || col < 0 || col >= g.Cols()) return -1;
  g.SetTextMatrix(row, col, value);
  bool numeric = false;
  const qint64 id = key.trimmed().toLongLong(&numeric);
  return numeric ? id : -1;
}

void ProductListEditor::MarkChanged() {
  cmb_->setProperty(kTag, kChanged);
}

void ProductListEditor::MoveCMBToCell(int row, int col) {
  const QRect cell = CellPixels(list_, cmb_->parentWidget(), row, col);
  cmb_->setGeometry(cell.x(), cell.y(),
                    (grid().ColWidth(grid().Col()) + 285) / Grid::kTwipsPerPixel,
                    cmb_->sizeHint().height());
}

void ProductListEditor::DispCMB(int row, int col) {
  const Grid& g = grid();
  if (col < g.FixedCols() || row < g.FixedRows() || col >= g.Cols() || row >= g.Rows()) return;
  MoveCMBToCell(row, col);
  FillCategoryValues(cmb_, g.TextMatrix(0, col));
  cmb_->show();
  cmb_->raise();
  // The cell's value becomes the current item, so that leaving the list unchanged does not
  // count as choosing it.
  const QString text = g.TextMatrix(row, col);
  const int at = cmb_->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (at >= 0) cmb_->setCurrentIndex(at);
  cmb_->setEditText(text);
  EditRow = row;
  EditCol = col;
  editKey_ = g.TextMatrix(row, 0);
  cmb_->setProperty(kTag, QString());
}

void ProductListEditor::HideClassComb(bool save) {
  if (!cmb_->isVisible() || closingCmb_) return;
  const QScopedValueRollback guard(closingCmb_, true);
  if (save && cmb_->property(kTag).toString() == kChanged) {
    const QString value = cmb_->currentText();
    const qint64 id = PutIntoCell(EditRow, editKey_, EditCol, value);
    if (id >= 0) UpdateProductField(id, grid().TextMatrix(0, EditCol), value);
  }
  cmb_->clearEditText();
  cmb_->hide();
  EditRow = 0;
  EditCol = 0;
  cmb_->setProperty(kTag, QString());
}

void ProductListEditor::DispTT() {
  const Grid& g = grid();
  const int row = g.Row(), col = g.Col();
  if (col < g.LeftCol() || g.Rows() <= g.FixedRows() || g.TextView(0, col) != u"Name") return;
  if (row < g.FixedRows() || row >= g.Rows()) return;
  tt_->setText(g.TextMatrix(row, col));
  NameRow = row;
  NameCol = col;
  nameKey_ = g.TextMatrix(row, 0);
  tt_->setGeometry(CellPixels(list_, tt_->parentWidget(), row, col).adjusted(1, 1, -1, -1));
  tt_->show();
  tt_->raise();
}

void ProductListEditor::HideTT() {
  if (!tt_->isVisible() || closingTT_) return;
  const QScopedValueRollback guard(closingTT_, true);
  const QString name = tt_->text();
  const qint64 id = PutIntoCell(NameRow, nameKey_, NameCol, name);
  if (id >= 0)
    ExecuteSQL(u"UPDATE Product SET Name=? WHERE ID=?"_s, {name, Value(id)}, nullptr, CurDBFile);
  tt_->clear();
  tt_->hide();
  NameRow = 0;
  NameCol = 0;
}

void ProductListEditor::EnterCell() {
  const Grid& g = grid();
  if (g.Row() < g.FixedRows() || g.Row() >= g.Rows()) return;
  if (cmb_->isVisible()) HideClassComb(true);
  const QStringView field = g.TextView(0, g.Col());
  if (field.startsWith(u'C') && field.size() < 3) {
    DispCMB(g.Row(), g.Col());
    cmb_->setFocus();
  }
}

void ProductListEditor::CMB_Enter() {
  int r = EditRow;
  const int c = EditCol;
  HideClassComb(true);
  Grid& g = grid();
  if (r >= g.FixedRows() && r < g.Rows() - 1) {
    ++r;
    g.SetRow(r);
    g.SetCol(c);
    list_->ensureVisible(r, c);
    // Entering the cell below opens the drop-down there: Enter walks down a column.
    EnterCell();
  } else {
    list_->setFocus();
  }
}

void ProductListEditor::CancelCategoryEdit() {
  if (!cmb_->isVisible()) return;
  const int r = EditRow, c = EditCol;
  HideClassComb(false);
  Grid& g = grid();
  if (r >= g.FixedRows() && r < g.Rows()) {
    g.SetRow(r);
    g.SetCol(c);
  }
  list_->setFocus();
}

void ProductListEditor::EndEdits() {
  {
    const QScopedValueRollback guard(closingCmb_, true);
    cmb_->clearEditText();
    cmb_->hide();
    cmb_->setProperty(kTag, QString());
  }
  {
    const QScopedValueRollback guard(closingTT_, true);
    tt_->clear();
    tt_->hide();
  }
  EditRow = EditCol = NameRow = NameCol = 0;
}

bool ProductListEditor::eventFilter(QObject* watched, QEvent* event) {
  if (watched == cmb_->lineEdit() && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (IsEnter(key->key())) {
      CMB_Enter();
      return true;
    }
    if (key->key() == Qt::Key_Escape) {
      CancelCategoryEdit();
      return true;
    }
    if (!key->text().isEmpty()) MarkChanged();
  } else if (watched == tt_) {
    if (event->type() == QEvent::FocusOut) {
      HideTT();
    } else if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      // Typed quotes are not taken into names.
      if (key->text() == u"\"" || key->text() == u"'") return true;
      if (key->key() == Qt::Key_Escape) {
        const QScopedValueRollback guard(closingTT_, true);
        tt_->clear();
        tt_->hide();
        NameRow = 0;
        NameCol = 0;
        return true;
      }
      if (IsEnter(key->key())) {
        HideTT();
        return true;
      }
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace lanxi
